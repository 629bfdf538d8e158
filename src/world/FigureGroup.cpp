#include "world/FigureGroup.h"

#include "app/SiteTrace.h"
#include "world/Selection.h"
#include "world/SplineObj.h"

bool ReadFigureGroupHeader(TByteReader& in, TFigureGroupHeader& header, bool keepPreview) {
    RecordSite(37101);
    header = {};
    const int32_t preview = in.ReadInt32();
    if (in.ShortRead || preview < 0 || preview > in.Remaining()) return false;
    if (keepPreview) header.Preview = in.ToMemoryStream(in.Position, preview);
    in.Skip(preview);
    header.FigureCount = in.ReadInt32();
    if (header.FigureCount == GroupHeaderMark) {
        header.HasGroupHeader = true;
        header.GroupName = in.ReadString();
        in.Skip(32);
        header.FigureCount = in.ReadInt32();
        if (header.FigureCount == GroupHeaderMark) {
            header.LevelSound = true;
            header.FigureCount = 0;
        }
    }
    if (header.FigureCount < 0) header.FigureCount = 0;
    return !in.ShortRead;
}

void WriteFigureGroupHeader(TByteWriter& out, const TFigureGroupHeader& header) {
    out.WriteInt32(int32_t(header.Preview.size()));
    out.WriteBlock(header.Preview.data(), header.Preview.size());
    if (header.HasGroupHeader || header.LevelSound) {
        out.WriteInt32(GroupHeaderMark);
        out.WriteString(header.GroupName);
        out.Pad(32);
    }
    out.WriteInt32(header.LevelSound ? GroupHeaderMark : header.FigureCount);
}

TGroupRead ReadFigureGroupRows(TByteReader& in, const TFigureGroupHeader& header, const std::string& fileName,
                               TFigureGroupSink& sink, TMultiSelection& selection) {
    RecordSite(37102);
    if (header.LevelSound) return TGroupRead::LaterRows;
    for (int32_t i = 0; i < header.FigureCount; ++i)
        if (!sink.ReadFigure(in)) return TGroupRead::Damaged;
    in.ReadInt32();
    int32_t objects = in.ReadInt32();
    // A spline object record takes far more than 64 bytes.
    if (objects < 0 || int64_t(objects) * 64 > in.Remaining()) return TGroupRead::Damaged;
    for (int32_t i = 0; i < objects; ++i) {
        TSplineObj* o = sink.NewSplineObject();
        if (!o || !o->ReadSplineObj(in)) return TGroupRead::Damaged;
        selection.Add(o);
    }
    const int32_t winds = in.ReadInt32(), waters = in.ReadInt32(), sky = in.ReadInt32(),
                  boosts = in.ReadInt32();
    if (in.ShortRead) return TGroupRead::Damaged;
    if (winds != 0 || waters != 0 || sky == 1 || boosts != 0) return TGroupRead::LaterRows;
    if (in.ReadInt32() == MeshBlockMark) {
        TSplineObj* current = sink.CurrentSplineObject();
        if (!current) return TGroupRead::Done;
        if (current->Body.Meshes.empty()) current->AddBodyMesh();
        if (!current->Body.Meshes.front()->ReadMeshBlock(in, fileName)) return TGroupRead::Damaged;
        current->Name = selection.Name;
    }
    if (in.ShortRead) return TGroupRead::Damaged;
    // Frame animations, spline animations and emitters are read by later rows.
    if (in.ReadInt32() == FrameAnimMark) return TGroupRead::LaterRows;
    if (in.ReadInt32() != 0) return TGroupRead::LaterRows;
    if (in.ReadInt32() == 1113 || in.ReadInt32() == 1114) return TGroupRead::LaterRows;
    in.Skip(36);
    return in.ShortRead ? TGroupRead::Damaged : TGroupRead::Done;
}

void WriteFigureGroup(TByteWriter& out, const TFigureGroupHeader& header,
                      const std::vector<const TSplineObj*>& objects, const TMesh* mesh) {
    TFigureGroupHeader h = header;
    h.FigureCount = 0;
    h.LevelSound = false;
    WriteFigureGroupHeader(out, h);
    out.WriteInt32(0);
    out.WriteInt32(int32_t(objects.size()));
    for (const TSplineObj* o : objects)
        o->WriteSplineObj(out);
    for (int k = 0; k < 4; ++k)
        out.WriteInt32(0); // winds, waters, sky, boosts
    out.WriteInt32(mesh ? MeshBlockMark : 0);
    if (mesh) mesh->WriteMeshBlock(out);
    out.WriteInt32(0); // no frame animation
    out.WriteInt32(0); // no spline animations
    out.WriteInt32(0); // no attached emitters
    out.WriteInt32(0); // no free emitters
    out.Pad(36);
}
