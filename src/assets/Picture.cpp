#include "assets/Picture.h"

#include "app/SiteTrace.h"
#include "assets/ByteStream.h"
#include "assets/MassFile.h"

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <stdexcept>

#include <jpeglib.h>
#include <png.h>

namespace {
bool SaneSize(int64_t w, int64_t h) {
    return w > 0 && h > 0 && w <= MaxPictureSide && h <= MaxPictureSide;
}

uint16_t U16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
int32_t I32(const uint8_t* p) {
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}
} // namespace

TPicture::TPicture(const std::string& path) {
    RecordSite(7201);
    Name = path;
    if (path.empty() || !MassFileExists(path)) return;
    TMassFileStream stream(path, 0);
    std::vector<uint8_t> bytes = stream.ToMemoryStream(0, stream.Size);
    LoadFromBytes(path, bytes);
}

void TPicture::Clear() {
    Width = Height = BytesPerPixel = 0;
    Pixels.clear();
    UncroppedWidth = UncroppedHeight = 0;
    CropRect = {};
}

void TPicture::SetPixels(int32_t width, int32_t height, int32_t bytesPerPixel, std::vector<uint8_t> pixels) {
    Width = width;
    Height = height;
    BytesPerPixel = bytesPerPixel;
    Pixels = std::move(pixels);
    UncroppedWidth = width;
    UncroppedHeight = height;
    CropRect = {0, 0, width - 1, height - 1};
}

bool TPicture::LoadFromBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
    RecordSite(7202);
    Name = name;
    Clear();
    std::string upper = UpperAnsi(name);
    size_t dot = upper.rfind('.');
    std::string ext = dot == std::string::npos ? "" : upper.substr(dot);
    bool ok = false;
    if (ext == ".BMP")
        ok = DecodeBmp(bytes, *this);
    else if (ext == ".JPG" || ext == ".JPEG")
        ok = DecodeJpeg(bytes, *this);
    else if (ext == ".TGA")
        ok = DecodeTga(bytes, *this);
    else if (ext == ".PSP")
        ok = DecodePsp(bytes, *this);
    else if (ext == ".PNG")
        ok = DecodePng(bytes, *this);
    if (!ok || !Loaded()) {
        Clear();
        return false;
    }
    Crop(1);
    ClearTransparent();
    return true;
}

TPixelRect TPicture::OpaqueBounds() const {
    TPixelRect r{Width, Height, 0, 0};
    if (BytesPerPixel != 4) return r;
    auto opaque = [&](int32_t x, int32_t y) {
        return Pixels[(size_t(y) * size_t(Width) + size_t(x)) * 4 + 3] != 0;
    };
    auto rowHas = [&](int32_t y) {
        for (int32_t x = 0; x < Width; ++x)
            if (opaque(x, y)) return true;
        return false;
    };
    int32_t top = 0;
    while (top < Height && !rowHas(top))
        ++top;
    if (top == Height) return r;
    int32_t bottom = Height - 1;
    while (!rowHas(bottom))
        --bottom;
    int32_t left = Width, right = -1;
    for (int32_t y = top; y <= bottom; ++y)
        for (int32_t x = 0; x < Width; ++x)
            if (opaque(x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    return {left, top, right, bottom};
}

void TPicture::Crop(int32_t margin) {
    UncroppedWidth = Width;
    UncroppedHeight = Height;
    CropRect = {0, 0, Width - 1, Height - 1};
    if (BytesPerPixel != 4) return;
    TPixelRect b = OpaqueBounds();
    if (b.Right < b.Left || b.Bottom < b.Top) return;
    b.Left = std::max(0, b.Left - margin);
    b.Top = std::max(0, b.Top - margin);
    b.Right = std::min(Width - 1, b.Right + margin);
    b.Bottom = std::min(Height - 1, b.Bottom + margin);
    CropRect = b;
    int32_t w = b.Right - b.Left + 1, h = b.Bottom - b.Top + 1;
    if (w == Width && h == Height) return;
    // Rows move towards the front only, so copying in place front to back is safe.
    for (int32_t y = 0; y < h; ++y)
        std::memmove(&Pixels[size_t(y) * size_t(w) * 4],
                     &Pixels[(size_t(y + b.Top) * size_t(Width) + size_t(b.Left)) * 4], size_t(w) * 4);
    Width = w;
    Height = h;
    Pixels.resize(size_t(w) * size_t(h) * 4);
}

void TPicture::ClearTransparent() {
    if (BytesPerPixel != 4) return;
    for (size_t i = 0; i + 3 < Pixels.size(); i += 4)
        if (Pixels[i + 3] == 0) Pixels[i] = Pixels[i + 1] = Pixels[i + 2] = 0;
}

// Windows bitmaps: uncompressed 1, 4, 8, 24 and 32 bits per pixel, and
// 16-bit 5-5-5; converted to 24 bits, rows top to bottom.
bool DecodeBmp(const std::vector<uint8_t>& bytes, TPicture& picture) {
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return false;
    const uint8_t* p = bytes.data();
    int64_t dataOffset = uint32_t(I32(p + 10));
    int64_t headerSize = uint32_t(I32(p + 14));
    if (headerSize < 40 || 14 + headerSize > int64_t(bytes.size())) return false;
    int32_t width = I32(p + 18);
    int32_t rawHeight = I32(p + 22);
    int bits = U16(p + 28);
    uint32_t compression = uint32_t(I32(p + 30));
    uint32_t colours = uint32_t(I32(p + 46));
    bool topDown = rawHeight < 0;
    int64_t height = topDown ? -int64_t(rawHeight) : rawHeight;
    if (!SaneSize(width, height)) return false;
    if (compression != 0 && !(compression == 3 && (bits == 32 || bits == 16))) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    if (compression == 3) {
        // Only the standard masks are read.
        if (14 + 40 + 12 > int64_t(bytes.size())) return false;
        uint32_t r = uint32_t(I32(p + 54)), g = uint32_t(I32(p + 58)), b = uint32_t(I32(p + 62));
        bool standard = bits == 32 ? (r == 0xFF0000 && g == 0xFF00 && b == 0xFF)
                                   : (r == 0x7C00 && g == 0x3E0 && b == 0x1F);
        if (!standard) return false;
    }
    std::vector<uint8_t> palette;
    if (bits <= 8) {
        uint32_t entries = colours == 0 || colours > (1u << bits) ? (1u << bits) : colours;
        int64_t at = 14 + headerSize;
        if (at + int64_t(entries) * 4 > int64_t(bytes.size())) return false;
        palette.assign(p + at, p + at + entries * 4);
    }
    int64_t stride = ((int64_t(width) * bits + 31) / 32) * 4;
    if (dataOffset < 0 || dataOffset + stride * height > int64_t(bytes.size())) return false;
    std::vector<uint8_t> out(size_t(width) * size_t(height) * 3);
    for (int64_t row = 0; row < height; ++row) {
        const uint8_t* src = p + dataOffset + stride * row;
        int64_t y = topDown ? row : height - 1 - row;
        uint8_t* dst = &out[size_t(y) * size_t(width) * 3];
        for (int32_t x = 0; x < width; ++x, dst += 3) {
            if (bits <= 8) {
                uint32_t index;
                if (bits == 8)
                    index = src[x];
                else if (bits == 4)
                    index = (src[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F;
                else
                    index = (src[x / 8] >> (7 - x % 8)) & 1;
                if (index * 4 + 2 >= palette.size()) index = 0;
                std::memcpy(dst, &palette[index * 4], 3);
            } else if (bits == 16) {
                uint16_t v = U16(src + 2 * x);
                dst[0] = uint8_t((v & 0x1F) * 255 / 31);
                dst[1] = uint8_t(((v >> 5) & 0x1F) * 255 / 31);
                dst[2] = uint8_t(((v >> 10) & 0x1F) * 255 / 31);
            } else {
                std::memcpy(dst, src + size_t(x) * size_t(bits / 8), 3);
            }
        }
    }
    picture.SetPixels(width, int32_t(height), 3, std::move(out));
    return true;
}

namespace {
struct TJpegError {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
};

void JpegFail(j_common_ptr info) {
    std::longjmp(reinterpret_cast<TJpegError*>(info->err)->Jump, 1);
}
void JpegQuiet(j_common_ptr, int) {}
} // namespace

bool DecodeJpeg(const std::vector<uint8_t>& bytes, TPicture& picture) {
    if (bytes.empty()) return false;
    jpeg_decompress_struct info;
    TJpegError error;
    info.err = jpeg_std_error(&error.Manager);
    error.Manager.error_exit = JpegFail;
    error.Manager.emit_message = JpegQuiet;
    // Everything that must survive a longjmp lives outside this frame's locals.
    std::vector<uint8_t> out;
    std::vector<uint8_t> row;
    if (setjmp(error.Jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    int64_t w = info.output_width, h = info.output_height;
    if (!SaneSize(w, h) || info.output_components != 3) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    out.assign(size_t(w) * size_t(h) * 3, 0);
    row.assign(size_t(w) * 3, 0);
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[1] = {row.data()};
        size_t y = info.output_scanline;
        jpeg_read_scanlines(&info, rows, 1);
        uint8_t* dst = &out[y * size_t(w) * 3];
        for (int64_t x = 0; x < w; ++x) {
            dst[3 * x] = row[size_t(3 * x + 2)];
            dst[3 * x + 1] = row[size_t(3 * x + 1)];
            dst[3 * x + 2] = row[size_t(3 * x)];
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    picture.SetPixels(int32_t(w), int32_t(h), 3, std::move(out));
    return true;
}

namespace {
struct TPngSource {
    const uint8_t* Data;
    size_t Size;
    size_t Pos;
};

void PngRead(png_structp png, png_bytep out, png_size_t n) {
    auto* src = static_cast<TPngSource*>(png_get_io_ptr(png));
    if (n > src->Size - src->Pos) png_error(png, "truncated");
    std::memcpy(out, src->Data + src->Pos, n);
    src->Pos += n;
}

void PngWarn(png_structp, png_const_charp) {}
} // namespace

bool DecodePng(const std::vector<uint8_t>& bytes, TPicture& picture) {
    if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, PngWarn);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    TPngSource src{bytes.data(), bytes.size(), 0};
    std::vector<uint8_t> out;
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &src, PngRead);
    png_read_info(png, info);
    png_uint_32 w = 0, h = 0;
    int depth = 0, colourType = 0;
    png_get_IHDR(png, info, &w, &h, &depth, &colourType, nullptr, nullptr, nullptr);
    // Only truecolour pictures, with or without alpha, give pixels.
    if ((colourType != PNG_COLOR_TYPE_RGB && colourType != PNG_COLOR_TYPE_RGB_ALPHA) || !SaneSize(w, h)) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    int bpp = colourType == PNG_COLOR_TYPE_RGB_ALPHA ? 4 : 3;
    if (depth == 16) png_set_strip_16(png);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(w) * size_t(bpp)) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    out.assign(size_t(w) * size_t(h) * size_t(bpp), 0);
    rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y)
        rows[y] = &out[size_t(y) * size_t(w) * size_t(bpp)];
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    picture.SetPixels(int32_t(w), int32_t(h), bpp, std::move(out));
    return true;
}

bool DecodeTga(const std::vector<uint8_t>& bytes, TPicture& picture) {
    TByteReader in(bytes);
    uint8_t h[18];
    in.Read(h, 18);
    if (in.ShortRead) return false;
    int idLength = h[0], mapType = h[1], imageType = h[2];
    int mapFirst = U16(h + 3), mapLength = U16(h + 5), mapEntryBits = h[7];
    int width = U16(h + 12), height = U16(h + 14), depth = h[16], descriptor = h[17];
    in.Skip(idLength);
    std::vector<uint8_t> map;
    if (mapType == 1) {
        map.resize(size_t(mapLength) * size_t(mapEntryBits) / 8);
        in.Read(map.data(), int32_t(map.size()));
    }
    if (!SaneSize(width, height) || depth == 0) return false;
    int pixelBytes = (depth + 7) / 8;
    size_t total = size_t(width) * size_t(height) * size_t(pixelBytes);
    std::vector<uint8_t> pixels(total, 0);
    if (imageType < 9) {
        if (int64_t(total) > in.Remaining()) return false;
        in.Read(pixels.data(), int32_t(total));
    } else {
        size_t at = 0;
        while (at < total && !in.AtEnd()) {
            uint8_t packet = in.ReadByte();
            int n = (packet & 0x7F) + 1;
            if (packet & 0x80) {
                uint8_t px[4] = {0, 0, 0, 0};
                in.Read(px, pixelBytes);
                for (int k = 0; k < n && at < total; ++k, at += size_t(pixelBytes))
                    std::memcpy(&pixels[at], px, size_t(pixelBytes));
            } else {
                for (int k = 0; k < n && at < total; ++k, at += size_t(pixelBytes))
                    in.Read(&pixels[at], pixelBytes);
            }
        }
        imageType -= 8;
    }
    size_t rowBytes = size_t(width) * size_t(pixelBytes);
    if (descriptor & 0x10) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width / 2; ++x)
                for (int c = 0; c < pixelBytes; ++c)
                    std::swap(pixels[size_t(y) * rowBytes + size_t(x) * size_t(pixelBytes) + size_t(c)],
                              pixels[size_t(y) * rowBytes + size_t(width - 1 - x) * size_t(pixelBytes) +
                                     size_t(c)]);
    }
    if (!(descriptor & 0x20)) {
        for (int y = 0; y < height / 2; ++y)
            std::swap_ranges(pixels.begin() + std::ptrdiff_t(size_t(y) * rowBytes),
                             pixels.begin() + std::ptrdiff_t(size_t(y + 1) * rowBytes),
                             pixels.begin() + std::ptrdiff_t(size_t(height - 1 - y) * rowBytes));
    }
    if (depth != 24 && depth != 32) {
        if (imageType == 2) return false;
        std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
        if (mapType == 1) {
            if (mapEntryBits != 24) throw std::runtime_error(UnsupportedPaletteError);
            for (size_t i = 0; i < size_t(width) * size_t(height); ++i) {
                int index = int(pixels[i * size_t(pixelBytes)]) - mapFirst;
                if (index >= 0 && size_t(index) * 3 + 2 < map.size())
                    std::memcpy(&rgb[i * 3], &map[size_t(index) * 3], 3);
            }
        } else {
            for (size_t i = 0; i < size_t(width) * size_t(height); ++i)
                rgb[i * 3] = rgb[i * 3 + 1] = rgb[i * 3 + 2] = pixels[i * size_t(pixelBytes)];
        }
        picture.SetPixels(width, height, 3, std::move(rgb));
        return true;
    }
    picture.SetPixels(width, height, depth / 8, std::move(pixels));
    return true;
}

bool DecodePsp(const std::vector<uint8_t>& bytes, TPicture& picture) {
    TByteReader in(bytes);
    in.Skip(36);
    int32_t width = 0, height = 0;
    int compression = 0;
    std::vector<uint8_t> pixels;
    int32_t pw = 0, ph = 0;
    while (!in.AtEnd() && !in.ShortRead) {
        uint8_t head[14];
        in.Read(head, 14);
        if (in.ShortRead) break;
        int id = U16(head + 4);
        int32_t total = I32(head + 10);
        // A block of no length would never move the reader on.
        if (total <= 0) break;
        if (total > in.Remaining()) total = in.Remaining();
        if (id == 0) {
            std::vector<uint8_t> attr = in.ToMemoryStream(in.Position, total);
            in.Skip(total);
            if (attr.size() >= 19) {
                width = I32(attr.data());
                height = I32(attr.data() + 4);
                compression = U16(attr.data() + 17);
            }
        } else if (id == 3) {
            uint8_t sub[14];
            in.Read(sub, 14);
            std::vector<uint8_t> layer(375, 0);
            in.Read(layer.data(), 375);
            int32_t left = I32(&layer[273]), top = I32(&layer[277]), right = I32(&layer[281]),
                    bottom = I32(&layer[285]);
            int64_t w = int64_t(right) - left, h = int64_t(bottom) - top;
            if (!SaneSize(w, h)) return false;
            pw = int32_t(w);
            ph = int32_t(h);
            pixels.assign(size_t(w) * size_t(h) * 4, 0);
            static const int channelByte[4] = {2, 1, 0, 3};
            for (int channel : channelByte) {
                if (in.Remaining() < 2) {
                    for (size_t i = 3; i < pixels.size(); i += 4)
                        pixels[i] = 255;
                    break;
                }
                uint8_t info[26];
                in.Read(info, 26);
                int32_t packed = I32(info + 14);
                if (compression == 0) {
                    for (int64_t y = 0; y < h; ++y)
                        for (int64_t x = 0; x < w; ++x)
                            pixels[size_t((y * w + x) * 4 + channel)] = in.ReadByte();
                } else if (compression == 1) {
                    if (packed < 0 || packed > in.Remaining()) packed = in.Remaining();
                    std::vector<uint8_t> data = in.ToMemoryStream(in.Position, packed);
                    in.Skip(packed);
                    size_t s = 0;
                    int64_t at = 0, count = w * h;
                    while (data.size() - s >= 2 && at < count) {
                        uint8_t b = data[s++];
                        if (b & 0x80) {
                            uint8_t v = data[s++];
                            for (int k = 0; k < b - 128 && at < count; ++k)
                                pixels[size_t(at++ * 4 + channel)] = v;
                        } else {
                            for (int k = 0; k < b && at < count && s < data.size(); ++k)
                                pixels[size_t(at++ * 4 + channel)] = data[s++];
                        }
                    }
                } else {
                    return false;
                }
            }
        } else {
            in.Skip(total);
        }
    }
    (void)width;
    (void)height;
    if (pixels.empty()) return false;
    picture.SetPixels(pw, ph, 4, std::move(pixels));
    return true;
}
