// Figure files: one rest shape per file in the object library, numbered,
// inside the figure-group container (preview block, optional group header,
// figure records, then the empty rest of a group file).
#pragma once

#include "physics/Figure.h"

#include <cstdint>
#include <string>
#include <vector>

class TByteReader;
class TByteWriter;
class TTextureResolver;

// Largest node and triangle counts a figure record may hold; a record with
// more is taken as damaged.
constexpr int32_t MaxFigurePoints = 1024;
constexpr int32_t MaxFigureTriangles = 8192;
constexpr int32_t FigureOverlayMarker = 1001;

// "Figures\0007.gms" below the object library folder: at least four digits.
std::string FigureEntryName(int32_t number);
// AppDir + "Objects\Figures\NNNN.gms".
std::string FigureFileName(int32_t number);

// Reads one figure record into figure and builds its springs. A damaged
// record (negative or oversized counts, more data claimed than is left)
// leaves the figure as it was and returns false. Triangles whose indices lie
// outside −1 … N − 1 are dropped. Textures named by the record are looked up
// through textures (may be null).
bool ReadFigureRecord(TByteReader& s, TMubFigure& figure, TTextureResolver* textures);
void WriteFigureRecord(TByteWriter& w, const TMubFigure& figure);

struct TFigureFileHeader {
    std::vector<uint8_t> Preview;
    bool HasGroupHeader = false;
    std::string GroupName;
    int32_t Count = 0;
};

// The preview block, the optional group header and the figure count. False
// when the preview length does not fit the file.
bool ReadFigureFileHeader(TByteReader& s, TFigureFileHeader& header, bool keepPreview);
// Reads the first figure of a figure file into figure. False (figure
// unchanged) when the file holds no figure or a damaged one.
bool ReadFigureFile(TByteReader& s, TMubFigure& figure, TTextureResolver* textures,
                    TFigureFileHeader* header = nullptr);
// A whole figure-group file holding these figures and nothing else.
void WriteFigureFile(TByteWriter& w, const TFigureFileHeader& header,
                     const std::vector<const TMubFigure*>& figures);

// Loads figure number n from the archive into figure; a missing file leaves
// the figure as it was.
bool LoadFigureFile(int32_t number, TMubFigure& figure, TTextureResolver* textures);
// The material kind of the first figure of file n without building anything;
// 0 when the file does not exist.
int32_t FigureMaterialKind(int32_t number);
