#include "assets/PictureWrite.h"

#include "assets/ByteStream.h"

#include <csetjmp>
#include <cstring>
#include <map>

#include <jpeglib.h>
#include <png.h>

namespace {
void PngWrite(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}
void PngFlush(png_structp) {}
} // namespace

// The libpng part, apart so that nothing it uses can be changed between its
// setjmp and a longjmp.
static bool WritePngRows(std::vector<uint8_t>& rows, size_t rowBytes, int32_t width, int32_t height,
                         int colourType, std::vector<png_color>& palette, std::vector<uint8_t>& out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rowPointers(static_cast<size_t>(height));
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    out.clear();
    png_set_write_fn(png, &out, PngWrite, PngFlush);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty()) png_set_PLTE(png, info, palette.data(), int(palette.size()));
    png_write_info(png, info);
    for (int32_t y = 0; y < height; ++y)
        rowPointers[size_t(y)] = &rows[size_t(y) * rowBytes];
    png_write_image(png, rowPointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool EncodePng(const uint8_t* pixels, int32_t width, int32_t height, int32_t bytesPerPixel,
               std::vector<uint8_t>& out, TPngKind kind) {
    if (width <= 0 || height <= 0 || (bytesPerPixel != 3 && bytesPerPixel != 4)) return false;
    // Rows in the file's own layout, built before libpng takes over.
    std::vector<uint8_t> rows;
    std::vector<png_color> palette;
    size_t rowBytes = 0;
    int colourType = PNG_COLOR_TYPE_RGB;
    if (kind == TPngKind::Truecolour) {
        colourType = bytesPerPixel == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
        rowBytes = size_t(width) * size_t(bytesPerPixel);
        rows.assign(pixels, pixels + rowBytes * size_t(height));
        for (size_t i = 0; i < rows.size(); i += size_t(bytesPerPixel))
            std::swap(rows[i], rows[i + 2]);
    } else if (kind == TPngKind::Grey) {
        colourType = PNG_COLOR_TYPE_GRAY;
        rowBytes = size_t(width);
        for (size_t i = 0; i < size_t(width) * size_t(height); ++i)
            rows.push_back(pixels[i * size_t(bytesPerPixel) + 1]);
    } else {
        colourType = PNG_COLOR_TYPE_PALETTE;
        rowBytes = size_t(width);
        std::map<uint32_t, uint8_t> index;
        for (size_t i = 0; i < size_t(width) * size_t(height); ++i) {
            const uint8_t* p = pixels + i * size_t(bytesPerPixel);
            uint32_t key = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
            auto it = index.find(key);
            if (it == index.end()) {
                if (palette.size() == 256) return false;
                it = index.emplace(key, uint8_t(palette.size())).first;
                palette.push_back({p[2], p[1], p[0]});
            }
            rows.push_back(it->second);
        }
    }
    return WritePngRows(rows, rowBytes, width, height, colourType, palette, out);
}

namespace {
struct TJpegWriteError {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
};
void JpegWriteFail(j_common_ptr info) {
    std::longjmp(reinterpret_cast<TJpegWriteError*>(info->err)->Jump, 1);
}
} // namespace

bool EncodeJpeg(const uint8_t* pixels, int32_t width, int32_t height, int quality,
                std::vector<uint8_t>& out) {
    if (width <= 0 || height <= 0) return false;
    jpeg_compress_struct info;
    TJpegWriteError error;
    info.err = jpeg_std_error(&error.Manager);
    error.Manager.error_exit = JpegWriteFail;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    std::vector<uint8_t> row(size_t(width) * 3);
    if (setjmp(error.Jump)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        const uint8_t* src = pixels + size_t(info.next_scanline) * size_t(width) * 3;
        for (int32_t x = 0; x < width; ++x) {
            row[size_t(x) * 3] = src[x * 3 + 2];
            row[size_t(x) * 3 + 1] = src[x * 3 + 1];
            row[size_t(x) * 3 + 2] = src[x * 3];
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    out.assign(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return true;
}

bool EncodeBmp(const uint8_t* pixels, int32_t width, int32_t height, std::vector<uint8_t>& out) {
    if (width <= 0 || height <= 0) return false;
    int32_t stride = (width * 3 + 3) / 4 * 4;
    TByteWriter w;
    w.WriteBlock("BM", 2);
    w.WriteInt32(54 + stride * height);
    w.WriteInt32(0);
    w.WriteInt32(54);
    w.WriteInt32(40);
    w.WriteInt32(width);
    w.WriteInt32(height);
    w.WriteInt16(1);
    w.WriteInt16(24);
    w.WriteInt32(0);
    w.WriteInt32(stride * height);
    w.WriteInt32(2835);
    w.WriteInt32(2835);
    w.WriteInt32(0);
    w.WriteInt32(0);
    for (int32_t y = height - 1; y >= 0; --y) {
        w.WriteBlock(pixels + size_t(y) * size_t(width) * 3, size_t(width) * 3);
        w.Pad(size_t(stride - width * 3));
    }
    out = std::move(w.Bytes);
    return true;
}

namespace {
void TgaHeader(TByteWriter& w, int mapType, int imageType, int mapFirst, int mapLength, int mapBits,
               int32_t width, int32_t height, int depth, int descriptor) {
    w.WriteByte(0);
    w.WriteByte(uint8_t(mapType));
    w.WriteByte(uint8_t(imageType));
    w.WriteInt16(int16_t(mapFirst));
    w.WriteInt16(int16_t(mapLength));
    w.WriteByte(uint8_t(mapBits));
    w.WriteInt16(0);
    w.WriteInt16(0);
    w.WriteInt16(int16_t(width));
    w.WriteInt16(int16_t(height));
    w.WriteByte(uint8_t(depth));
    w.WriteByte(uint8_t(descriptor));
}
} // namespace

bool EncodeTga(const uint8_t* pixels, int32_t width, int32_t height, int32_t bytesPerPixel,
               std::vector<uint8_t>& out, const TTgaOptions& options) {
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535 ||
        (bytesPerPixel != 3 && bytesPerPixel != 4))
        return false;
    TByteWriter w;
    int descriptor =
        (options.TopDown ? 0x20 : 0) | (options.RightToLeft ? 0x10 : 0) | (bytesPerPixel == 4 ? 8 : 0);
    TgaHeader(w, 0, options.RunLength ? 10 : 2, 0, 0, 0, width, height, bytesPerPixel * 8, descriptor);
    // Stored order: the file's rows and columns as the descriptor says.
    std::vector<uint8_t> stored;
    for (int32_t r = 0; r < height; ++r) {
        int32_t y = options.TopDown ? r : height - 1 - r;
        for (int32_t c = 0; c < width; ++c) {
            int32_t x = options.RightToLeft ? width - 1 - c : c;
            const uint8_t* p = pixels + (size_t(y) * size_t(width) + size_t(x)) * size_t(bytesPerPixel);
            stored.insert(stored.end(), p, p + bytesPerPixel);
        }
    }
    if (!options.RunLength) {
        w.WriteBlock(stored.data(), stored.size());
    } else {
        size_t count = size_t(width) * size_t(height), bpp = size_t(bytesPerPixel);
        auto same = [&](size_t a, size_t b) {
            return std::memcmp(&stored[a * bpp], &stored[b * bpp], bpp) == 0;
        };
        size_t i = 0;
        while (i < count) {
            size_t run = 1;
            while (run < 128 && i + run < count && same(i, i + run))
                ++run;
            if (run >= 2) {
                w.WriteByte(uint8_t(0x80 | (run - 1)));
                w.WriteBlock(&stored[i * bpp], bpp);
            } else {
                size_t raw = 1;
                while (raw < 128 && i + raw < count && !(i + raw + 1 < count && same(i + raw, i + raw + 1)))
                    ++raw;
                w.WriteByte(uint8_t(raw - 1));
                w.WriteBlock(&stored[i * bpp], raw * bpp);
                run = raw;
            }
            i += run;
        }
    }
    out = std::move(w.Bytes);
    return true;
}

bool EncodeTga8(const uint8_t* indices, int32_t width, int32_t height, const std::vector<uint8_t>& colourMap,
                int mapEntryBits, int firstIndex, std::vector<uint8_t>& out) {
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535) return false;
    TByteWriter w;
    bool mapped = !colourMap.empty();
    int entries = mapped ? int(colourMap.size()) / (mapEntryBits / 8) : 0;
    TgaHeader(w, mapped ? 1 : 0, mapped ? 1 : 3, firstIndex, entries, mapped ? mapEntryBits : 0, width,
              height, 8, 0);
    w.WriteBlock(colourMap.data(), colourMap.size());
    for (int32_t y = height - 1; y >= 0; --y)
        w.WriteBlock(indices + size_t(y) * size_t(width), size_t(width));
    out = std::move(w.Bytes);
    return true;
}

bool EncodePsp(const uint8_t* bgra, int32_t width, int32_t height, bool runLength,
               std::vector<uint8_t>& out) {
    if (width <= 0 || height <= 0) return false;
    TByteWriter w;
    w.WriteBlock("Paint Shop Pro Image File\n\x1a\0\0\0\0", 32);
    w.WriteInt16(5);
    w.WriteInt16(0);
    auto blockHeader = [&](uint16_t id, int32_t length) {
        w.WriteBlock("~BK\0", 4);
        w.WriteInt16(int16_t(id));
        w.WriteInt32(length);
        w.WriteInt32(length);
    };
    // General image attributes.
    TByteWriter attr;
    attr.WriteInt32(width);
    attr.WriteInt32(height);
    attr.Pad(9);
    attr.WriteInt16(runLength ? 1 : 0);
    attr.Pad(27);
    blockHeader(0, int32_t(attr.Bytes.size()));
    w.WriteBlock(attr.Bytes.data(), attr.Bytes.size());

    TByteWriter layer;
    layer.WriteBlock("~BK\0", 4);
    layer.WriteInt16(4);
    layer.WriteInt32(375);
    layer.WriteInt32(375);
    std::vector<uint8_t> info(375, 0);
    auto put = [&](size_t at, int32_t v) {
        for (int i = 0; i < 4; ++i)
            info[at + size_t(i)] = uint8_t(uint32_t(v) >> (8 * i));
    };
    put(273, 0);
    put(277, 0);
    put(281, width);
    put(285, height);
    layer.WriteBlock(info.data(), info.size());
    static const int channelByte[4] = {2, 1, 0, 3};
    for (int channel : channelByte) {
        std::vector<uint8_t> plane(size_t(width) * size_t(height));
        for (size_t i = 0; i < plane.size(); ++i)
            plane[i] = bgra[i * 4 + size_t(channel)];
        std::vector<uint8_t> data;
        if (!runLength) {
            data = plane;
        } else {
            // Packets never cross a row end.
            for (int32_t y = 0; y < height; ++y) {
                const uint8_t* row = &plane[size_t(y) * size_t(width)];
                int32_t x = 0;
                while (x < width) {
                    int32_t run = 1;
                    while (run < 127 && x + run < width && row[x + run] == row[x])
                        ++run;
                    if (run >= 2) {
                        data.push_back(uint8_t(128 + run));
                        data.push_back(row[x]);
                    } else {
                        data.push_back(1);
                        data.push_back(row[x]);
                    }
                    x += run;
                }
            }
        }
        layer.WriteBlock("~BK\0", 4);
        layer.WriteInt16(5);
        layer.WriteInt32(12);
        layer.WriteInt32(int32_t(12 + data.size()));
        layer.WriteInt32(int32_t(data.size()));
        layer.Pad(8);
        layer.WriteBlock(data.data(), data.size());
    }
    blockHeader(3, int32_t(layer.Bytes.size()));
    w.WriteBlock(layer.Bytes.data(), layer.Bytes.size());
    out = std::move(w.Bytes);
    return true;
}
