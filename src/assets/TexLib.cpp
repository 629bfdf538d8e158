#include "assets/TexLib.h"

#include "app/Paths.h"
#include "app/SiteTrace.h"
#include "assets/MassFile.h"
#include "render/RenderContext.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_set>

TTexLib TexLib;
int32_t TextureCompression = 0;
int32_t FontGlyphCount = 0;

namespace {
std::string FileNameOf(const std::string& name) {
    size_t slash = name.rfind('\\');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

std::string WithoutExtension(const std::string& name) {
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}
} // namespace

int32_t UploadSide(int32_t side) {
    for (int32_t p = 1; p <= 1024; p *= 2)
        if (side <= p) return p;
    return 0;
}

TMyTexture::TMyTexture(TTexLib* library, int32_t index, const std::string& name)
    : Name(name), Index(index), Library(library) {
    size_t slash = name.rfind('\\');
    Folder = slash == std::string::npos ? "" : name.substr(0, slash);
    UpperName = UpperAnsi(name);
    UpperFileName = UpperAnsi(FileNameOf(name));
    Group = name.find('@') != std::string::npos;
}

bool TMyTexture::LoadPicture() {
    RecordSite(73001);
    LoadAttempted = true;
    if (Main) return Main->LoadPicture();
    if (Loaded()) return true;
    auto picture = std::make_unique<TPicture>(Library->Folder() + Name);
    if (!picture->Loaded()) {
        Picture.reset();
        return false;
    }
    Picture = std::move(picture);
    return true;
}

void TMyTexture::SetFrame() {
    URange = UploadWidth > 0 ? float(Width) / float(UploadWidth) : 0.0f;
    VRange = UploadHeight > 0 ? float(Height) / float(UploadHeight) : 0.0f;
    Corners = {TVec2{0, 0}, TVec2{URange, 0}, TVec2{URange, VRange}, TVec2{0, VRange}};
    Centre = {URange / 2, VRange / 2};
    InvURange = URange != 0 ? 1.0f / URange : 0.0f;
    InvVRange = VRange != 0 ? 1.0f / VRange : 0.0f;
    Angle = 2.0f * std::atan2(float(Height), float(Width));
    SinAngle = std::sin(Angle);
    CosAngle = std::cos(Angle);
    SinHalf = std::sin(-Angle / 2);
    CosHalf = std::cos(-Angle / 2);
}

bool TMyTexture::PrepareSize() {
    if (!LoadPicture()) return false;
    if (Main) {
        Main->PrepareSize();
        Width = std::max(1, int32_t(std::lround(Main->Width * Scale)));
        Height = std::max(1, int32_t(std::lround(Main->Height * Scale)));
        OffsetX = int32_t(std::lround(Main->OffsetX * Scale));
        OffsetY = int32_t(std::lround(Main->OffsetY * Scale));
        FullWidth = Main->FullWidth;
        FullHeight = Main->FullHeight;
    } else {
        if (Group && GroupBox.Right == 0) Library->ComputeGroupBox(Folder);
        if (Group && GroupBox.Right != 0) {
            Width = GroupBox.Right - GroupBox.Left + 1;
            Height = GroupBox.Bottom - GroupBox.Top + 1;
        } else {
            Width = Picture->Width;
            Height = Picture->Height;
        }
        FullWidth = Width;
        FullHeight = Height;
    }
    UploadWidth = UploadSide(Width);
    UploadHeight = UploadSide(Height);
    SetFrame();
    return true;
}

std::vector<uint8_t> TMyTexture::BuildUploadBuffer() const {
    const TPicture& pic = Main ? *Main->Picture : *Picture;
    const int32_t bpp = pic.BytesPerPixel;
    std::vector<uint8_t> buffer(size_t(UploadWidth) * size_t(UploadHeight) * size_t(bpp), 0);
    if (buffer.empty()) return buffer;
    // The image at its placement offset: a scaled copy box-filters the picture
    // down to its own size first.
    const int32_t srcW = pic.Width, srcH = pic.Height;
    const int32_t w = Main ? std::max(1, int32_t(std::lround(srcW * Scale))) : srcW;
    const int32_t h = Main ? std::max(1, int32_t(std::lround(srcH * Scale))) : srcH;
    for (int32_t y = 0; y < h; ++y) {
        int32_t ty = y + OffsetY;
        if (ty < 0 || ty >= UploadHeight) continue;
        int32_t sy0 = Main ? srcH * y / h : y;
        int32_t sy1 = Main ? srcH * (y + 1) / h - 1 : y;
        for (int32_t x = 0; x < w; ++x) {
            int32_t tx = x + OffsetX;
            if (tx < 0 || tx >= UploadWidth) continue;
            uint8_t* dst = &buffer[(size_t(ty) * size_t(UploadWidth) + size_t(tx)) * size_t(bpp)];
            if (!Main) {
                const uint8_t* src = &pic.Pixels[(size_t(y) * size_t(srcW) + size_t(x)) * size_t(bpp)];
                std::copy(src, src + bpp, dst);
            } else {
                int32_t sx0 = srcW * x / w, sx1 = srcW * (x + 1) / w - 1;
                int32_t sum[4] = {0, 0, 0, 0};
                int32_t n = 0;
                for (int32_t sy = sy0; sy <= sy1; ++sy)
                    for (int32_t sx = sx0; sx <= sx1; ++sx, ++n)
                        for (int32_t c = 0; c < bpp; ++c)
                            sum[c] += pic.Pixels[(size_t(sy) * size_t(srcW) + size_t(sx)) * size_t(bpp) +
                                                 size_t(c)];
                if (n == 0) n = 1;
                for (int32_t c = 0; c < bpp; ++c)
                    dst[c] = uint8_t(sum[c] / n);
            }
            std::swap(dst[0], dst[2]);
        }
    }
    return buffer;
}

void TMyTexture::SendToRenderer(const std::vector<uint8_t>& buffer, int32_t bytesPerPixel) {
    TRenderBackend& r = Renderer();
    r.Enable(Gl::Texture2D);
    uint32_t name = r.GenTexture();
    BindTexture(name);
    int32_t c = NoCompression ? 0 : TextureCompression;
    uint32_t internal;
    if (bytesPerPixel == 3)
        internal = c == 1 ? Gl::CompressedRgbS3tcDxt1 : c == 2 ? Gl::CompressedRgbArb : Gl::Rgb8;
    else
        internal = c == 1 ? Gl::CompressedRgbaS3tcDxt5 : c == 2 ? Gl::CompressedRgbaArb : Gl::Rgba8;
    const uint32_t format = bytesPerPixel == 3 ? Gl::Rgb : Gl::Rgba;
    bool stored = r.TexImage2D(internal, UploadWidth, UploadHeight, format, buffer.data());
    // A compressed format the driver lacks falls back to the plain one.
    if (!stored && internal != Gl::Rgb8 && internal != Gl::Rgba8)
        stored = r.TexImage2D(bytesPerPixel == 3 ? Gl::Rgb8 : Gl::Rgba8, UploadWidth, UploadHeight, format,
                              buffer.data());
    if (!stored) {
        if (CachedTexture == name) CachedTexture = NoCache;
        r.DeleteTexture(name);
        return;
    }
    r.TexParameter(Gl::TextureWrapS, Gl::Repeat);
    r.TexParameter(Gl::TextureWrapT, Gl::Repeat);
    r.TexParameter(Gl::TextureMagFilter, Gl::Linear);
    r.TexParameter(Gl::TextureMinFilter, Gl::Linear);
    SetTexEnv(Gl::Modulate);
    GlId = int32_t(name);
    GlGeneration = RenderContextGeneration();
    Library->MemoryTotal += int64_t(UploadWidth) * UploadHeight * 4;
}

int32_t TMyTexture::Upload() {
    RecordSite(73002);
    if (IsUploaded()) return GlId;
    if (!PrepareSize()) return 0;
    std::vector<uint8_t> buffer = BuildUploadBuffer();
    if (buffer.empty()) return 0;
    SendToRenderer(buffer, (Main ? Main->Picture : Picture)->BytesPerPixel);
    return IsUploaded() ? GlId : 0;
}

int32_t TMyTexture::TextureId() {
    if (!IsUploaded()) Upload();
    return GlId < 0 ? 0 : GlId;
}

void TMyTexture::Release() {
    RecordSite(73003);
    if (IsUploaded()) {
        if (CachedTexture == uint32_t(GlId)) CachedTexture = NoCache;
        Renderer().DeleteTexture(uint32_t(GlId));
    }
    GlId = -1;
    if (!Main)
        for (auto& copy : Copies) {
            if (copy) copy->Release();
            copy.reset();
        }
}

void TMyTexture::MarkNeeded(bool flag) {
    if (Main) {
        Main->MarkNeeded(flag);
        Needed = flag;
        return;
    }
    Needed = flag;
    for (auto& copy : Copies)
        if (copy) copy->Needed = flag;
}

TMyTexture* TMyTexture::MainTexture() {
    return Main ? Main : this;
}

TMyTexture* TMyTexture::ScaledCopy(int32_t k) {
    RecordSite(73004);
    if (Main) return Main->ScaledCopy(k);
    k = std::clamp(k, 1, 8);
    if (k == 8 || Group) return this;
    auto& copy = Copies[size_t(k - 1)];
    if (!copy) {
        copy = std::make_unique<TMyTexture>(Library, Index, Name);
        copy->Main = this;
        copy->Scale = float(k) / 8.0f;
        copy->Exists = Exists;
        copy->NoCompression = NoCompression;
        copy->QualityMode = QualityMode;
        copy->Needed = Needed;
        copy->Upload();
    }
    return copy.get();
}

void TMyTexture::TraceOutline(int32_t threshold) {
    const TPicture& pic = *Picture;
    const int32_t w = pic.Width, h = pic.Height;
    auto inside = [&](int32_t x, int32_t y) {
        return x >= 0 && x < w && y >= 0 && y < h &&
               pic.Pixels[(size_t(y) * size_t(w) + size_t(x)) * 4 + 3] > threshold;
    };
    OutlinePoints.clear();
    OutlineThreshold = threshold;
    int32_t sx = -1, sy = -1;
    for (int32_t y = 0; y < h && sx < 0; ++y)
        for (int32_t x = 0; x < w; ++x)
            if (inside(x, y)) {
                sx = x;
                sy = y;
                break;
            }
    if (sx < 0) {
        OutlineCount = -1;
        return;
    }
    // Edges between corners: a horizontal one from (x, y) to (x + 1, y), a
    // vertical one from (x, y) to (x, y + 1), whichever way it was walked.
    std::unordered_set<uint64_t> used;
    auto edgeKey = [](int32_t x, int32_t y, bool vertical) {
        return (uint64_t(uint32_t(x)) << 33) | (uint64_t(uint32_t(y)) << 1) | (vertical ? 1u : 0u);
    };
    OutlinePoints.reserve(500);
    OutlinePoints.push_back({float(sx), float(sy)});
    int32_t x = sx, y = sy;
    for (int32_t n = 0; n < 100001; ++n) {
        int32_t nx = x, ny = y;
        uint64_t edge = 0;
        bool moved = false;
        if (x + 1 <= w && inside(x, y) && !inside(x, y - 1) && !used.count(edgeKey(x, y, false))) {
            nx = x + 1, edge = edgeKey(x, y, false), moved = true;
        } else if (x >= 1 && !inside(x - 1, y) && inside(x - 1, y - 1) &&
                   !used.count(edgeKey(x - 1, y, false))) {
            nx = x - 1, edge = edgeKey(x - 1, y, false), moved = true;
        } else if (y + 1 <= h && inside(x - 1, y) && !inside(x, y) && !used.count(edgeKey(x, y, true))) {
            ny = y + 1, edge = edgeKey(x, y, true), moved = true;
        } else if (y >= 1 && inside(x, y - 1) && !inside(x - 1, y - 1) &&
                   !used.count(edgeKey(x, y - 1, true))) {
            ny = y - 1, edge = edgeKey(x, y - 1, true), moved = true;
        }
        if (!moved) break;
        used.insert(edge);
        x = nx;
        y = ny;
        if (x == sx && y == sy) break;
        OutlinePoints.push_back({float(x), float(y)});
    }
    OutlineCount = OutlinePoints.empty() ? -1 : int32_t(OutlinePoints.size());
}

bool TMyTexture::Outline(int32_t threshold, int32_t step, int32_t maxCount, std::vector<TVec2>& points,
                         int32_t& count) {
    RecordSite(73005);
    points.clear();
    count = 0;
    if (Main) return Main->Outline(threshold, step, maxCount, points, count);
    if (!LoadPicture() || Picture->BytesPerPixel != 4) return false;
    if (!(OutlineCount >= 1 && OutlineThreshold == threshold)) TraceOutline(threshold);
    if (OutlineCount < 1) {
        count = -1;
        return false;
    }
    if (step < 1) step = 1;
    int32_t n = std::min(OutlineCount / step, std::max(0, maxCount));
    for (int32_t i = 0; i < n; ++i)
        points.push_back(OutlinePoints[size_t(i) * size_t(step)]);
    count = n;
    return true;
}

bool TMyTexture::ClearFragment(int32_t columns, int32_t rows, int32_t position) {
    if (Main) return Main->ClearFragment(columns, rows, position);
    if (columns < 1 || rows < 1 || position < 0 || int64_t(position) >= 2 * int64_t(columns) * rows)
        return false;
    if (!LoadPicture() || Picture->BytesPerPixel != 4) return false;
    for (const auto& f : FragmentCache)
        if (f.Columns == columns && f.Rows == rows) return f.Flags[size_t(position)] != 0;
    RecordSite(73006);
    const TPicture& pic = *Picture;
    const int32_t W = pic.Width, H = pic.Height;
    auto clear = [&](int32_t x, int32_t y) {
        return pic.Pixels[(size_t(y) * size_t(W) + size_t(x)) * 4 + 3] == 0;
    };
    TClear_Tex_Fragments f{columns, rows,
                           std::vector<uint8_t>(size_t(2) * size_t(columns) * size_t(rows), 0)};
    for (int32_t row = 0; row < rows; ++row) {
        for (int32_t col = 0; col < columns; ++col) {
            int32_t left = std::clamp(int32_t(double(W) / columns * col), 0, W - 1);
            int32_t right = std::clamp(int32_t(double(W) / columns * (col + 1)) + 1, 0, W - 1);
            int32_t top = std::clamp(int32_t(double(H) / rows * row), 0, H - 1);
            int32_t bottom = std::clamp(int32_t(double(H) / rows * (row + 1)) + 1, 0, H - 1);
            bool upper = true, lower = true;
            for (int32_t j = top; j <= bottom; ++j) {
                int32_t split =
                    bottom == top
                        ? right
                        : int32_t(std::lround(right - double(j - top) / (bottom - top) * (right - left)));
                int32_t upperEnd = bottom == top ? right : split;
                int32_t lowerStart = bottom == top ? left : split;
                for (int32_t x = left; x <= upperEnd && upper; ++x)
                    upper = clear(x, j);
                for (int32_t x = lowerStart; x <= right && lower; ++x)
                    lower = clear(x, j);
            }
            size_t cell = (size_t(row) * size_t(columns) + size_t(col)) * 2;
            f.Flags[cell] = upper;
            f.Flags[cell + 1] = lower;
        }
    }
    FragmentCache.push_back(std::move(f));
    return FragmentCache.back().Flags[size_t(position)] != 0;
}

const std::vector<TVec2>& TMyTexture::GridCoords(int32_t columns, int32_t rows) {
    for (const auto& g : GridCache)
        if (g.Columns == columns && g.Rows == rows) return g.Coords;
    if (UploadWidth == 0) PrepareSize();
    TUni_Tex_Coords g{columns, rows, {}};
    if (columns >= 1 && rows >= 1) {
        g.Coords.reserve(size_t(columns + 1) * size_t(rows + 1));
        for (int32_t c = 0; c <= rows; ++c)
            for (int32_t d = 0; d <= columns; ++d)
                g.Coords.push_back({float(d) * URange / float(columns), float(c) * VRange / float(rows)});
    }
    GridCache.push_back(std::move(g));
    return GridCache.back().Coords;
}

std::string TTexLib::Folder() const {
    return AppDir + "Textures\\";
}

std::vector<uint8_t> WriteTexLibIndex(const std::vector<TTexLibRecord>& records) {
    TByteWriter w;
    w.WriteInt32(int32_t(records.size()));
    for (const TTexLibRecord& r : records) {
        w.WriteInt16(int16_t(uint16_t(r.Name.size())));
        w.WriteBlock(r.Name.data(), r.Name.size());
        w.Pad(8);
        w.WriteByte(r.QualityMode);
        w.WriteByte(r.NoCompression);
        w.Pad(22);
    }
    return std::move(w.Bytes);
}

std::vector<TTexLibRecord> ReadTexLibIndex(TByteReader& in) {
    std::vector<TTexLibRecord> records;
    int32_t count = in.ReadInt32();
    // A record takes at least 34 bytes: a count that cannot fit is cut to what can.
    if (count < 0) count = 0;
    count = std::min(count, in.Remaining() / 34);
    for (int32_t i = 0; i < count; ++i) {
        uint16_t length = uint16_t(in.ReadInt16());
        if (length + 32 > in.Remaining()) break; // a damaged record ends the list
        TTexLibRecord r;
        r.Name.resize(length);
        in.Read(r.Name.data(), length);
        in.Skip(8);
        r.QualityMode = in.ReadByte();
        r.NoCompression = in.ReadByte();
        in.Skip(22);
        records.push_back(std::move(r));
    }
    return records;
}

void TTexLib::LoadLibrary() {
    RecordSite(73010);
    std::string index = Folder() + "Rollix.TexLib";
    if (MassFileExists(index)) {
        GuardErrors([&] {
            TMassFileStream in(index, 0);
            for (const TTexLibRecord& r : ReadTexLibIndex(in)) {
                int32_t i = AddTexture(r.Name, false);
                if (i < 0) continue;
                Textures[size_t(i)]->QualityMode = r.QualityMode;
                Textures[size_t(i)]->NoCompression = r.NoCompression;
            }
        });
    }
    // Without an index every lookup still needs an entry 0 to fall back to:
    // a small white picture of our own.
    if (Textures.empty()) {
        AddTexture(BuiltinTextureName, false);
        auto white = std::make_unique<TPicture>();
        white->SetPixels(2, 2, 4, std::vector<uint8_t>(16, 255));
        Textures.front()->Picture = std::move(white);
    }
    Water = FindTexture("Levels\\water.png");
    WaterBubble = FindTexture("Levels\\WaterBubble3.png");
    Drop = FindTexture("Levels\\kvapka.png");
    Glue = FindTexture("Levels\\x_glue1.png");
}

int32_t TTexLib::AddTexture(const std::string& name, bool copyMode) {
    RecordSite(73011);
    for (const auto& t : Textures)
        if (t->Name == name) return t->Index;
    auto entry = std::make_unique<TMyTexture>(this, int32_t(Textures.size()), name);
    std::string path = Folder() + name;
    entry->Exists = MassFileExists(path);
    if (entry->Exists) entry->FileSize = MassFile.FileSize(path);
    TotalFileSize += entry->FileSize;
    if (copyMode && entry->Exists)
        if (TMyTexture* similar = FindSimilar(name, false)) entry->QualityMode = similar->QualityMode;
    Textures.push_back(std::move(entry));
    return Textures.back()->Index;
}

TMyTexture* TTexLib::FindSimilar(const std::string& name, bool existingOnly) {
    std::string upper = UpperAnsi(name);
    std::string file = UpperAnsi(FileNameOf(name));
    for (int pass = 0; pass < 2; ++pass) {
        std::string want = pass == 0 ? file : WithoutExtension(file);
        for (auto it = Textures.rbegin(); it != Textures.rend(); ++it) {
            const TMyTexture& t = **it;
            if (t.WorkTexture || (existingOnly && !t.Exists) || t.UpperName == upper) continue;
            if ((pass == 0 ? t.UpperFileName : WithoutExtension(t.UpperFileName)) == want) return it->get();
        }
    }
    return nullptr;
}

TMyTexture* TTexLib::FindTexture(const std::string& name) {
    RecordSite(73012);
    std::string upper = UpperAnsi(name);
    for (const auto& t : Textures) {
        if (t->UpperName != upper) continue;
        if (t->Exists) return t.get();
        if (TMyTexture* similar = FindSimilar(name, true)) return similar;
        break;
    }
    if (TMyTexture* similar = FindSimilar(name, true)) return similar;
    if (TMyTexture* similar = FindSimilar(name, false)) return similar;
    return Textures.empty() ? nullptr : Textures.front().get();
}

TMyTexture* TTexLib::TextureByName(const std::string& name) {
    std::string upper = UpperAnsi(name);
    for (const auto& t : Textures)
        if (t->UpperName == upper) return t.get();
    return nullptr;
}

TMyTexture* TTexLib::TextureByIndex(int32_t index) {
    if (Textures.empty()) return nullptr;
    if (index < 0 || size_t(index) >= Textures.size()) return Textures.front().get();
    return Textures[size_t(index)].get();
}

int32_t TTexLib::UploadByIndex(int32_t index) {
    if (index < 0 || size_t(index) >= Textures.size()) return 0;
    return Textures[size_t(index)]->TextureId();
}

TMyTexture* TTexLib::CreateWorkTexture(const std::string& name) {
    RecordSite(73013);
    // The capture textures keep their entries for the whole run: a new render
    // context only gives them new GL objects.
    TMyTexture* existing = name == "extra1" ? Extra1 : name == "extra2" ? Extra2 : nullptr;
    if (existing && existing->IsUploaded()) return existing;
    std::unique_ptr<TMyTexture> entry;
    if (!existing) {
        entry = std::make_unique<TMyTexture>(this, int32_t(Textures.size()), name);
        entry->WorkTexture = true;
        entry->Group = false;
        entry->Width = entry->Height = entry->FullWidth = entry->FullHeight = 1024;
        entry->UploadWidth = entry->UploadHeight = 1024;
    }
    TMyTexture& target = existing ? *existing : *entry;
    TRenderBackend& r = Renderer();
    uint32_t id = r.GenTexture();
    BindTexture(id);
    std::vector<uint8_t> zero(size_t(1024) * 1024 * 3, 0);
    r.TexImage2D(3, 1024, 1024, Gl::Rgb, zero.data());
    r.TexParameter(Gl::TextureWrapS, Gl::ClampToEdge);
    r.TexParameter(Gl::TextureWrapT, Gl::ClampToEdge);
    r.TexParameter(Gl::TextureMagFilter, Gl::Linear);
    r.TexParameter(Gl::TextureMinFilter, Gl::Linear);
    SetTexEnv(Gl::Modulate);
    target.GlId = int32_t(id);
    target.GlGeneration = RenderContextGeneration();
    if (existing) return existing;
    Textures.push_back(std::move(entry));
    TMyTexture* t = Textures.back().get();
    if (name == "extra1") Extra1 = t;
    if (name == "extra2") Extra2 = t;
    return t;
}

void TTexLib::ComputeGroupBox(const std::string& folder) {
    RecordSite(73014);
    TPixelRect box{0, 0, 0, 0};
    bool any = false;
    for (const auto& t : Textures) {
        if (t->WorkTexture || t->Folder != folder || !t->LoadPicture()) continue;
        const TPixelRect& c = t->Picture->CropRect;
        if (!any) box = c;
        box = {std::min(box.Left, c.Left), std::min(box.Top, c.Top), std::max(box.Right, c.Right),
               std::max(box.Bottom, c.Bottom)};
        any = true;
    }
    if (!any) return;
    for (const auto& t : Textures) {
        if (t->WorkTexture || t->Folder != folder || !t->Loaded()) continue;
        t->GroupBox = box;
        t->Group = true;
        t->OffsetX = t->Picture->CropRect.Left - box.Left;
        t->OffsetY = t->Picture->CropRect.Top - box.Top;
    }
}

void TTexLib::PrepareForLevels(const std::vector<const TLevelTextureNeeds*>& levels) {
    RecordSite(73015);
    for (const auto& t : Textures)
        t->MarkNeeded(false);
    auto mark = [&](const std::string& name) {
        if (TMyTexture* t = TextureByName(name)) t->MarkNeeded(true);
    };
    char buf[64];
    mark("extra1");
    mark("extra2");
    for (int32_t i = 1; i <= FontGlyphCount; ++i) {
        std::snprintf(buf, sizeof buf, "Font\\fnt%03d.png", i);
        mark(buf);
    }
    for (int32_t i = 0; i <= 100; ++i) {
        std::snprintf(buf, sizeof buf, "BoostIcons\\BoostIcon%02d.png", i);
        mark(buf);
    }
    mark("Menu\\BoostBar1.png");
    mark("Menu\\BoostBar2.png");
    mark("Levels\\water.png");
    for (const TLevelTextureNeeds* level : levels) {
        if (!level) continue;
        for (TMyTexture* t : level->Textures)
            if (t) t->MarkNeeded(true);
        for (int32_t i : level->Indices)
            if (i >= 0 && size_t(i) < Textures.size()) Textures[size_t(i)]->MarkNeeded(true);
        size_t coats = std::min<size_t>(level->CoatNames.size(), 30);
        for (size_t c = 0; c < coats; ++c) {
            const std::string& coat = level->CoatNames[c];
            mark("Rollixs\\MubAnims\\" + coat + " 01.png");
            mark("Rollixs\\Coat " + coat + ".png");
            mark("Rollixs\\Diver " + coat + ".png");
        }
        static const std::string ballFrame = "Rollixs\\MubAnims\\MubBall ";
        for (const std::string& frame : level->FrameNames) {
            mark(frame);
            if (frame.size() == 31 && frame.compare(0, ballFrame.size(), ballFrame) == 0)
                for (size_t c = 0; c < coats; ++c)
                    mark("Rollixs\\MubAnims\\" + level->CoatNames[c] + " " + frame.substr(25, 2) + ".png");
        }
    }
    auto marked = [&](const char* name) {
        TMyTexture* t = TextureByName(name);
        return t && t->Needed;
    };
    if (marked("Rollixs\\Fazulky\\skritek_fazole1.png") || marked("Rollixs\\Fazulky\\skritek_fazole2.png") ||
        marked("Rollixs\\Fazulky\\skritek_fazole3.png"))
        for (int i = 1; i <= 3; ++i)
            for (int j = 1; j <= 5; ++j)
                mark("Rollixs\\Fazulky\\skritek_fazole_" + std::to_string(i) + "_" + std::to_string(j) +
                     ".png");
    for (const auto& t : Textures) {
        if (t->WorkTexture) continue;
        if (t->Needed)
            t->Upload();
        else
            t->Release();
    }
}

void TTexLib::Clear() {
    for (const auto& t : Textures)
        t->Release();
    Textures.clear();
    TotalFileSize = MemoryTotal = 0;
    Water = WaterBubble = Drop = Glue = Extra1 = Extra2 = nullptr;
}
