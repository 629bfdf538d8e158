// The texture library: every picture the game draws is an entry of it. The
// index "Textures\Rollix.TexLib" lists the entries; each loads its picture on
// demand, uploads it when a loaded level needs it and frees it again when none
// does. The library also derives, from a picture's alpha channel, the outline
// and transparency data the meshes use.
#pragma once

#include "assets/ByteStream.h"
#include "assets/Picture.h"
#include "physics/VecMath.h"
#include "render/RenderContext.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TTexLib;

// Per grid of columns × rows: two flags per cell (upper-left, lower-right
// triangle), true when every pixel of the triangle is fully transparent.
struct TClear_Tex_Fragments {
    int32_t Columns = 0;
    int32_t Rows = 0;
    std::vector<uint8_t> Flags;
};

// Per grid of columns × rows: (columns + 1) × (rows + 1) texture coordinates, row by row.
struct TUni_Tex_Coords {
    int32_t Columns = 0;
    int32_t Rows = 0;
    std::vector<TVec2> Coords;
};

class TMyTexture {
  public:
    TMyTexture(TTexLib* library, int32_t index, const std::string& name);

    std::string Name;   // relative to "Textures\", as stored
    std::string Folder; // the text before the last backslash
    std::string UpperName;
    std::string UpperFileName; // without the folder
    int32_t Index = -1;
    TTexLib* Library = nullptr;
    bool Exists = false;
    int32_t FileSize = 0;
    int32_t GlId = -1;         // −1 while not uploaded
    uint32_t GlGeneration = 0; // the render context GlId belongs to
    bool Needed = false;
    bool WorkTexture = false;
    uint8_t QualityMode = 1;
    uint8_t NoCompression = 0;
    std::unique_ptr<TPicture> Picture;
    bool LoadAttempted = false;
    float Scale = 1.0f;
    std::array<std::unique_ptr<TMyTexture>, 7> Copies; // k = 1 … 7
    TMyTexture* Main = nullptr;                        // set on a scaled copy
    bool Group = false;
    TPixelRect GroupBox{0, 0, 0, 0}; // Right = 0: not computed yet
    int32_t OffsetX = 0;
    int32_t OffsetY = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t FullWidth = 0;
    int32_t FullHeight = 0;
    int32_t UploadWidth = 0;
    int32_t UploadHeight = 0;

    // The texture coordinate frame.
    float URange = 0, VRange = 0;
    std::array<TVec2, 4> Corners{};
    TVec2 Centre;
    float InvURange = 0, InvVRange = 0;
    float Angle = 0, SinAngle = 0, CosAngle = 1, SinHalf = 0, CosHalf = 1;

    // Outline cache: count −1 = no outline found, 0 = not traced.
    std::vector<TVec2> OutlinePoints;
    int32_t OutlineCount = 0;
    int32_t OutlineThreshold = -1;
    std::vector<TClear_Tex_Fragments> FragmentCache;
    std::vector<TUni_Tex_Coords> GridCache;

    bool LoadPicture();
    bool Loaded() const { return Picture && Picture->Loaded(); }
    int32_t Upload();
    int32_t TextureId();
    // Uploaded into the current context: a name from a context that has
    // gone since is stale, and the picture goes up again when next used.
    bool IsUploaded() const { return GlId >= 0 && GlGeneration == RenderContextGeneration(); }
    void Release();
    void MarkNeeded(bool flag);
    TMyTexture* ScaledCopy(int32_t k);
    TMyTexture* MainTexture();
    bool Outline(int32_t threshold, int32_t step, int32_t maxCount, std::vector<TVec2>& points,
                 int32_t& count);
    bool ClearFragment(int32_t columns, int32_t rows, int32_t position);
    const std::vector<TVec2>& GridCoords(int32_t columns, int32_t rows);

    // Works out the drawn, full and upload sizes and the coordinate frame
    // (loading the picture); false when there is no picture.
    bool PrepareSize();

  private:
    void SetFrame();
    void SendToRenderer(const std::vector<uint8_t>& buffer, int32_t bytesPerPixel);
    std::vector<uint8_t> BuildUploadBuffer() const;
    void TraceOutline(int32_t threshold);
};

// What one loaded level needs resident; the level fills it in.
struct TLevelTextureNeeds {
    std::vector<TMyTexture*> Textures;
    std::vector<int32_t> Indices;
    std::vector<std::string> CoatNames;  // up to 30
    std::vector<std::string> FrameNames; // frame textures of the level's frame animations
};

class TTexLib {
  public:
    std::vector<std::unique_ptr<TMyTexture>> Textures;
    int64_t TotalFileSize = 0;
    int64_t MemoryTotal = 0;
    TMyTexture* Water = nullptr;
    TMyTexture* WaterBubble = nullptr;
    TMyTexture* Drop = nullptr;
    TMyTexture* Glue = nullptr;
    TMyTexture* Extra1 = nullptr;
    TMyTexture* Extra2 = nullptr;

    // AppDir + "Textures\".
    std::string Folder() const;
    void LoadLibrary();
    int32_t AddTexture(const std::string& name, bool copyMode);
    TMyTexture* FindTexture(const std::string& name);
    TMyTexture* FindSimilar(const std::string& name, bool existingOnly);
    TMyTexture* TextureByName(const std::string& name);
    TMyTexture* TextureByIndex(int32_t index);
    int32_t UploadByIndex(int32_t index);
    // A 1024 × 1024 texture the game draws into. "extra1" and "extra2", the
    // capture textures, are made once: asking again in a new render context
    // gives the same entry a new GL object.
    TMyTexture* CreateWorkTexture(const std::string& name);
    void ComputeGroupBox(const std::string& folder);
    void PrepareForLevels(const std::vector<const TLevelTextureNeeds*>& levels);
    // Frees every texture and forgets every entry.
    void Clear();
};

extern TTexLib TexLib;
// The entry a library without an index gets, so that lookups always have a fallback.
constexpr const char* BuiltinTextureName = "Builtin\\white.png";
// The texture compression setting: 0 none, 1 S3TC, 2 generic.
extern int32_t TextureCompression;
// The number of glyphs of the font, whose pictures stay resident.
extern int32_t FontGlyphCount;

// The index file's layout, for the writer beside the reader.
struct TTexLibRecord {
    std::string Name;
    uint8_t QualityMode = 1;
    uint8_t NoCompression = 0;
};
std::vector<uint8_t> WriteTexLibIndex(const std::vector<TTexLibRecord>& records);
std::vector<TTexLibRecord> ReadTexLibIndex(TByteReader& in);

// The power of two an upload uses for a side: 1 … 1024, 0 above 1024.
int32_t UploadSide(int32_t side);
