#include "physics/FigureFile.h"

#include "app/Paths.h"
#include "app/SiteTrace.h"
#include "assets/ByteStream.h"
#include "assets/MassFile.h"
#include "assets/TextureResolver.h"

#include <cstdio>

namespace {
constexpr int32_t GroupHeaderMark = -1;
constexpr int32_t FigureHeadBytes = 4 * 4;                // kind, N, T, texture index
constexpr int32_t OverlayFixedBytes = 1 + 4 + 4 + 4 + 24; // after the overlay name
} // namespace

std::string FigureEntryName(int32_t number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%04d", int(number));
    return std::string("Figures\\") + digits + ".gms";
}

std::string FigureFileName(int32_t number) {
    return AppDir + "Objects\\" + FigureEntryName(number);
}

bool ReadFigureRecord(TByteReader& s, TMubFigure& figure, TTextureResolver* textures) {
    RecordSite(43001);
    if (s.Remaining() < FigureHeadBytes) return false;
    const int32_t kind = s.ReadInt32();
    const int32_t n = s.ReadInt32();
    const int32_t t = s.ReadInt32();
    const int32_t textureIndex = s.ReadInt32();
    if (n < 0 || n > MaxFigurePoints || t < 0 || t > MaxFigureTriangles) return false;
    const std::string textureName = s.ReadString();
    const int32_t marker = s.ReadInt32();
    std::string overlayName;
    bool overlayEnabled = figure.OverlayEnabled;
    int32_t overlayLayer = figure.OverlayLayer;
    float overlayParam = figure.OverlayParam;
    uint8_t overlayColour[4] = {figure.OverlayColour[0], figure.OverlayColour[1], figure.OverlayColour[2],
                                figure.OverlayColour[3]};
    TMaterial overlayMaterial = *figure.OverlayMaterial;
    const bool overlay = marker == FigureOverlayMarker;
    if (overlay) {
        overlayName = s.ReadString();
        overlayEnabled = s.ReadByte() != 0;
        overlayLayer = s.ReadInt32();
        overlayParam = s.ReadFloat32();
        for (uint8_t& c : overlayColour)
            c = s.ReadByte();
        overlayMaterial.Read(s);
    }
    s.Skip(24);
    if (s.ShortRead) return false;
    const int64_t need = int64_t(n) * 16 + int64_t(t) * 12;
    if (need > s.Remaining()) return false;

    std::vector<TFigurePoint> points(static_cast<size_t>(n));
    std::vector<TVec2> tex(static_cast<size_t>(n));
    for (TFigurePoint& p : points) {
        p.Pos.X = s.ReadFloat32();
        p.Pos.Y = s.ReadFloat32();
    }
    for (TVec2& c : tex) {
        c.X = s.ReadFloat32();
        c.Y = s.ReadFloat32();
    }
    std::vector<TFigureTriangle> triangles;
    triangles.reserve(size_t(t));
    for (int32_t k = 0; k < t; ++k) {
        TFigureTriangle tri;
        tri.A = s.ReadInt32();
        tri.B = s.ReadInt32();
        tri.C = s.ReadInt32();
        auto valid = [n](int32_t v) { return v >= -1 && v < n; };
        if (valid(tri.A) && valid(tri.B) && valid(tri.C)) triangles.push_back(tri);
    }
    if (s.ShortRead) return false;

    figure.MaterialKind = kind;
    figure.TextureIndex = textureIndex;
    figure.TextureName = textureName;
    if (!textureName.empty() && textures) {
        int32_t found = textures->FindOrLoad(textureName);
        if (found >= 0) figure.TextureIndex = found;
    }
    if (overlay) {
        figure.OverlayTextureName = overlayName;
        if (!overlayName.empty() && textures) figure.OverlayTexture = textures->FindOrLoad(overlayName);
        figure.OverlayEnabled = overlayEnabled;
        figure.OverlayLayer = overlayLayer;
        figure.OverlayParam = overlayParam;
        for (int c = 0; c < 4; ++c)
            figure.OverlayColour[c] = overlayColour[c];
        figure.OverlayMaterial->BlendSrc = overlayMaterial.BlendSrc;
        figure.OverlayMaterial->BlendDst = overlayMaterial.BlendDst;
        figure.OverlayMaterial->TexEnv = overlayMaterial.TexEnv;
        figure.OverlayMaterial->Lit = overlayMaterial.Lit;
    }
    figure.Points = std::move(points);
    figure.TexCoords = std::move(tex);
    figure.Triangles = std::move(triangles);
    figure.BuildPairs();
    figure.TexCentre = figure.MeanTexCoord();
    return true;
}

void WriteFigureRecord(TByteWriter& w, const TMubFigure& figure) {
    RecordSite(43002);
    w.WriteInt32(figure.MaterialKind);
    w.WriteInt32(figure.PointCount());
    w.WriteInt32(figure.TriangleCount());
    w.WriteInt32(figure.TextureIndex);
    w.WriteString(figure.TextureName);
    w.WriteInt32(FigureOverlayMarker);
    w.WriteString(figure.OverlayTextureName);
    w.WriteByte(figure.OverlayEnabled ? 1 : 0);
    w.WriteInt32(figure.OverlayLayer);
    w.WriteFloat32(figure.OverlayParam);
    for (uint8_t c : figure.OverlayColour)
        w.WriteByte(c);
    figure.OverlayMaterial->Write(w);
    w.Pad(24);
    for (const TFigurePoint& p : figure.Points) {
        w.WriteFloat32(p.Pos.X);
        w.WriteFloat32(p.Pos.Y);
    }
    for (size_t i = 0; i < figure.Points.size(); ++i) {
        TVec2 c = i < figure.TexCoords.size() ? figure.TexCoords[i] : TVec2{};
        w.WriteFloat32(c.X);
        w.WriteFloat32(c.Y);
    }
    for (const TFigureTriangle& t : figure.Triangles) {
        w.WriteInt32(t.A);
        w.WriteInt32(t.B);
        w.WriteInt32(t.C);
    }
}

bool ReadFigureFileHeader(TByteReader& s, TFigureFileHeader& header, bool keepPreview) {
    RecordSite(43003);
    const int32_t h = s.ReadInt32();
    if (s.ShortRead || h < 0 || h > s.Remaining()) return false;
    if (keepPreview) header.Preview = s.ToMemoryStream(s.Position, h);
    s.Skip(h);
    header.Count = s.ReadInt32();
    header.HasGroupHeader = false;
    if (header.Count == GroupHeaderMark) {
        header.HasGroupHeader = true;
        header.GroupName = s.ReadString();
        s.Skip(32);
        header.Count = s.ReadInt32();
    }
    return !s.ShortRead;
}

bool ReadFigureFile(TByteReader& s, TMubFigure& figure, TTextureResolver* textures,
                    TFigureFileHeader* header) {
    RecordSite(43004);
    TFigureFileHeader local;
    TFigureFileHeader& h = header ? *header : local;
    if (!ReadFigureFileHeader(s, h, header != nullptr)) return false;
    if (h.Count < 1) return false;
    return ReadFigureRecord(s, figure, textures);
}

void WriteFigureFile(TByteWriter& w, const TFigureFileHeader& header,
                     const std::vector<const TMubFigure*>& figures) {
    RecordSite(43005);
    w.WriteInt32(int32_t(header.Preview.size()));
    w.WriteBlock(header.Preview.data(), header.Preview.size());
    if (header.HasGroupHeader) {
        w.WriteInt32(GroupHeaderMark);
        w.WriteString(header.GroupName);
        w.Pad(32);
    }
    w.WriteInt32(int32_t(figures.size()));
    for (const TMubFigure* f : figures)
        WriteFigureRecord(w, *f);
    // The rest of a figure-group file, all empty: ignored int32, objects,
    // winds, waters, sky flag, boosts, mesh and animation markers, spline
    // animations, the two emitter markers, reserved bytes.
    for (int k = 0; k < 11; ++k)
        w.WriteInt32(0);
    w.Pad(36);
}

bool LoadFigureFile(int32_t number, TMubFigure& figure, TTextureResolver* textures) {
    RecordSite(43006);
    const std::string path = FigureFileName(number);
    if (!MassFileExists(path)) return false;
    TMassFileStream s(path, 0);
    return ReadFigureFile(s, figure, textures);
}

int32_t FigureMaterialKind(int32_t number) {
    RecordSite(43007);
    const std::string path = FigureFileName(number);
    if (!MassFileExists(path)) return 0;
    TMassFileStream s(path, 0);
    TFigureFileHeader h;
    if (!ReadFigureFileHeader(s, h, false)) return 0;
    return s.ReadInt32();
}
