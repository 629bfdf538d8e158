#include "assets/Picture.h"
#include "assets/PictureWrite.h"

#include <cstring>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace {
// A small picture with a different colour in every pixel, blue-green-red(-alpha).
std::vector<uint8_t> Gradient(int w, int h, int bpp, uint8_t alpha = 255) {
    std::vector<uint8_t> p;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            p.push_back(uint8_t(x * 20));
            p.push_back(uint8_t(y * 30));
            p.push_back(uint8_t(100 + x + y));
            if (bpp == 4) p.push_back(alpha);
        }
    return p;
}

TPicture Decode(const char* name, const std::vector<uint8_t>& bytes) {
    TPicture pic;
    pic.LoadFromBytes(name, bytes);
    return pic;
}
} // namespace

struct TLosslessCase {
    const char* name;
    int bpp;
    std::vector<uint8_t> (*encode)(const std::vector<uint8_t>&, int, int, int);
};

TEST(Picture, LosslessFormatsReadBackExactly) {
    const int w = 7, h = 5;
    const TLosslessCase cases[] = {
        {"a.png", 3,
         [](const std::vector<uint8_t>& p, int w, int h, int bpp) {
             std::vector<uint8_t> o;
             EncodePng(p.data(), w, h, bpp, o);
             return o;
         }},
        {"a.PNG", 4,
         [](const std::vector<uint8_t>& p, int w, int h, int bpp) {
             std::vector<uint8_t> o;
             EncodePng(p.data(), w, h, bpp, o);
             return o;
         }},
        {"a.bmp", 3,
         [](const std::vector<uint8_t>& p, int w, int h, int) {
             std::vector<uint8_t> o;
             EncodeBmp(p.data(), w, h, o);
             return o;
         }},
        {"a.tga", 3,
         [](const std::vector<uint8_t>& p, int w, int h, int bpp) {
             std::vector<uint8_t> o;
             EncodeTga(p.data(), w, h, bpp, o);
             return o;
         }},
        {"a.tga", 4,
         [](const std::vector<uint8_t>& p, int w, int h, int bpp) {
             std::vector<uint8_t> o;
             EncodeTga(p.data(), w, h, bpp, o, {true, false, false});
             return o;
         }},
        {"a.tga", 4,
         [](const std::vector<uint8_t>& p, int w, int h, int bpp) {
             std::vector<uint8_t> o;
             EncodeTga(p.data(), w, h, bpp, o, {false, true, true});
             return o;
         }},
        {"a.psp", 4,
         [](const std::vector<uint8_t>& p, int w, int h, int) {
             std::vector<uint8_t> o;
             EncodePsp(p.data(), w, h, false, o);
             return o;
         }},
        {"a.psp", 4,
         [](const std::vector<uint8_t>& p, int w, int h, int) {
             std::vector<uint8_t> o;
             EncodePsp(p.data(), w, h, true, o);
             return o;
         }},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> pixels = Gradient(w, h, c.bpp);
        TPicture pic = Decode(c.name, c.encode(pixels, w, h, c.bpp));
        ASSERT_TRUE(pic.Loaded()) << c.name << " " << c.bpp;
        EXPECT_EQ(pic.Width, w) << c.name;
        EXPECT_EQ(pic.Height, h) << c.name;
        EXPECT_EQ(pic.BytesPerPixel, c.bpp) << c.name;
        EXPECT_EQ(pic.Pixels, pixels) << c.name << " " << c.bpp;
    }
}

TEST(Picture, JpegDecodesCloseToTheSource) {
    const int w = 16, h = 16;
    std::vector<uint8_t> pixels(w * h * 3);
    for (size_t i = 0; i < pixels.size(); i += 3) {
        pixels[i] = 200; // blue
        pixels[i + 1] = 60;
        pixels[i + 2] = 20;
    }
    std::vector<uint8_t> jpeg;
    ASSERT_TRUE(EncodeJpeg(pixels.data(), w, h, 95, jpeg));
    TPicture pic = Decode("photo.jpeg", jpeg);
    ASSERT_TRUE(pic.Loaded());
    EXPECT_EQ(pic.BytesPerPixel, 3);
    EXPECT_NEAR(pic.Pixels[0], 200, 4) << "blue comes first";
    EXPECT_NEAR(pic.Pixels[2], 20, 4);
}

TEST(Picture, CropsToTheOpaqueBoundsWithAMargin) {
    std::vector<uint8_t> pixels(64 * 64 * 4, 0);
    size_t at = (20 * 64 + 10) * 4;
    pixels[at] = 1;
    pixels[at + 1] = 2;
    pixels[at + 2] = 3;
    pixels[at + 3] = 255;
    pixels[(5 * 64 + 5) * 4] = 77; // colour under a transparent pixel
    std::vector<uint8_t> png;
    ASSERT_TRUE(EncodePng(pixels.data(), 64, 64, 4, png));
    TPicture pic = Decode("x.png", png);
    ASSERT_TRUE(pic.Loaded());
    EXPECT_EQ(pic.CropRect, (TPixelRect{9, 19, 11, 21}));
    EXPECT_EQ(pic.UncroppedWidth, 64);
    EXPECT_EQ(pic.UncroppedHeight, 64);
    ASSERT_EQ(pic.Width, 3);
    ASSERT_EQ(pic.Height, 3);
    EXPECT_EQ(pic.Pixels[(1 * 3 + 1) * 4 + 2], 3) << "the opaque pixel is in the middle";
    EXPECT_EQ(pic.Pixels[(1 * 3 + 1) * 4 + 3], 255);
}

TEST(Picture, FullyTransparentKeepsItsSizeAndIsCleared) {
    std::vector<uint8_t> pixels(64 * 64 * 4, 0);
    for (size_t i = 0; i < pixels.size(); i += 4)
        pixels[i] = 90;
    std::vector<uint8_t> png;
    ASSERT_TRUE(EncodePng(pixels.data(), 64, 64, 4, png));
    TPicture pic = Decode("x.png", png);
    ASSERT_TRUE(pic.Loaded());
    EXPECT_EQ(pic.Width, 64);
    EXPECT_EQ(pic.CropRect, (TPixelRect{0, 0, 63, 63}));
    EXPECT_EQ(pic.OpaqueBounds(), (TPixelRect{64, 64, 0, 0}));
    EXPECT_EQ(pic.Pixels[0], 0) << "transparent pixels lose their colour";
}

TEST(Picture, RejectedKindsGiveNoPixels) {
    std::vector<uint8_t> pixels = Gradient(4, 4, 3);
    std::vector<uint8_t> palette, grey;
    ASSERT_TRUE(EncodePng(pixels.data(), 4, 4, 3, palette, TPngKind::Palette));
    ASSERT_TRUE(EncodePng(pixels.data(), 4, 4, 3, grey, TPngKind::Grey));
    EXPECT_FALSE(Decode("p.png", palette).Loaded());
    EXPECT_FALSE(Decode("g.png", grey).Loaded());
    std::vector<uint8_t> good;
    ASSERT_TRUE(EncodePng(pixels.data(), 4, 4, 3, good));
    EXPECT_FALSE(Decode("p.gif", good).Loaded()) << "unknown extension";
    EXPECT_TRUE(Decode("p.png", good).Loaded());
}

TEST(Picture, EightBitTgaConversions) {
    const uint8_t indices[6] = {0, 1, 2, 3, 4, 5}; // 3 × 2, top row first
    std::vector<uint8_t> grey;
    ASSERT_TRUE(EncodeTga8(indices, 3, 2, {}, 0, 0, grey));
    TPicture g = Decode("g.tga", grey);
    ASSERT_TRUE(g.Loaded());
    EXPECT_EQ(g.BytesPerPixel, 3);
    const std::vector<uint8_t> expectGrey = {0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5, 5, 5};
    EXPECT_EQ(g.Pixels, expectGrey) << "bottom-up rows are put top to bottom";

    // Colour map of 24-bit entries starting at index 2.
    std::vector<uint8_t> map;
    for (int i = 0; i < 6; ++i)
        map.insert(map.end(), {uint8_t(i), uint8_t(10 * i), uint8_t(100 + i)});
    const uint8_t mapped[2] = {2, 7};
    std::vector<uint8_t> tga;
    ASSERT_TRUE(EncodeTga8(mapped, 2, 1, map, 24, 2, tga));
    TPicture m = Decode("m.tga", tga);
    ASSERT_TRUE(m.Loaded());
    const std::vector<uint8_t> expectMapped = {0, 0, 100, 5, 50, 105};
    EXPECT_EQ(m.Pixels, expectMapped);

    std::vector<uint8_t> map16(12, 1), bad;
    ASSERT_TRUE(EncodeTga8(mapped, 2, 1, map16, 16, 0, bad));
    try {
        Decode("b.tga", bad);
        FAIL() << "a 16-bit colour map must raise the palette error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Unsupported color palette type!");
    }
}

// Every decoder survives every truncated prefix and a few corrupted bytes of
// its format (the sanitizer build checks the memory side).
TEST(Picture, DecodersSurviveTruncationAndCorruption) {
    std::vector<uint8_t> pixels = Gradient(9, 6, 4, 200);
    std::vector<uint8_t> rgb = Gradient(9, 6, 3);
    struct TFile {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    std::vector<TFile> files(7);
    files[0].name = "a.png";
    EncodePng(pixels.data(), 9, 6, 4, files[0].bytes);
    files[1].name = "a.jpg";
    EncodeJpeg(rgb.data(), 9, 6, 80, files[1].bytes);
    files[2].name = "a.bmp";
    EncodeBmp(rgb.data(), 9, 6, files[2].bytes);
    files[3].name = "a.tga";
    EncodeTga(pixels.data(), 9, 6, 4, files[3].bytes, {true, false, false});
    files[4].name = "a.psp";
    EncodePsp(pixels.data(), 9, 6, true, files[4].bytes);
    files[5].name = "b.psp";
    EncodePsp(pixels.data(), 9, 6, false, files[5].bytes);
    files[6].name = "b.tga";
    EncodeTga(rgb.data(), 9, 6, 3, files[6].bytes);
    for (const TFile& f : files) {
        ASSERT_FALSE(f.bytes.empty()) << f.name;
        for (size_t cut = 0; cut < f.bytes.size(); ++cut) {
            TPicture pic;
            pic.LoadFromBytes(f.name, std::vector<uint8_t>(f.bytes.begin(), f.bytes.begin() + cut));
            if (pic.Loaded()) {
                ASSERT_EQ(pic.Pixels.size(),
                          size_t(pic.Width) * size_t(pic.Height) * size_t(pic.BytesPerPixel))
                    << f.name;
            }
        }
        for (size_t at = 0; at < f.bytes.size(); at += 3) {
            std::vector<uint8_t> bad = f.bytes;
            bad[at] ^= 0xA5;
            TPicture pic;
            try {
                pic.LoadFromBytes(f.name, bad);
            } catch (const std::runtime_error&) {
            }
            if (pic.Loaded()) {
                ASSERT_EQ(pic.Pixels.size(),
                          size_t(pic.Width) * size_t(pic.Height) * size_t(pic.BytesPerPixel))
                    << f.name;
            }
        }
    }
}
