// Figure-group files (.gms under "Objects\"): the container of the object
// library. One file may hold figures, spline objects, a mesh block and more;
// mesh files and figure files are such files with only one kind of content.
//
// Layout: int32 preview length + preview bytes; int32 v (−1: group header —
// string name, 32 reserved bytes — then v again; a second −1 marks a level
// sound); v figure records; int32 ignored; int32 object count + spline object
// records; int32 wind count; int32 water count; int32 sky flag; int32 boost
// count; int32 mesh marker (1111: a mesh block follows); then animation and
// emitter rows.
#pragma once

#include "assets/ByteStream.h"

#include <cstdint>
#include <string>
#include <vector>

class TMesh;
class TSplineObj;
class TMultiSelection;

constexpr int32_t GroupHeaderMark = -1;
constexpr int32_t MeshBlockMark = 1111;
constexpr int32_t FrameAnimMark = 1112;

struct TFigureGroupHeader {
    std::vector<uint8_t> Preview;
    bool HasGroupHeader = false;
    std::string GroupName;
    bool LevelSound = false; // a second −1: one level-sound record follows
    int32_t FigureCount = 0;
};

// False when the preview length does not fit the file or the header is cut short.
bool ReadFigureGroupHeader(TByteReader& in, TFigureGroupHeader& header, bool keepPreview);
void WriteFigureGroupHeader(TByteWriter& out, const TFigureGroupHeader& header);

// Where the rows of a file go. The figures and the objects are made by the
// level that places the file.
class TFigureGroupSink {
  public:
    virtual ~TFigureGroupSink() = default;
    // Reads one figure record; false when it is damaged.
    virtual bool ReadFigure(TByteReader& in) = 0;
    virtual TSplineObj* NewSplineObject() = 0;
    // The object a mesh block is read into (the one read last, or the one the
    // tools selected); null ends the reading.
    virtual TSplineObj* CurrentSplineObject() = 0;
};

enum class TGroupRead {
    Done,      // every row this build reads was read
    Damaged,   // a record failed: the rest of the file is not read
    LaterRows, // winds, waters, sky, boosts or animations: not read by this build
};

// Reads the rows after the header: figures, objects, and a mesh block into
// the current object's first body mesh (whose name becomes the group's).
// Every object read is added to the selection.
TGroupRead ReadFigureGroupRows(TByteReader& in, const TFigureGroupHeader& header, const std::string& fileName,
                               TFigureGroupSink& sink, TMultiSelection& selection);

// A whole file holding objects and, when mesh is given, a mesh block.
void WriteFigureGroup(TByteWriter& out, const TFigureGroupHeader& header,
                      const std::vector<const TSplineObj*>& objects, const TMesh* mesh);
