#include "TextureGen.h"

#include "app/FileSave.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "assets/MassFile.h"
#include "assets/PictureWrite.h"
#include "assets/TexLib.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace {
bool PowerOfTwo(int32_t v) {
    return v > 0 && v <= 1024 && (v & (v - 1)) == 0;
}

// Mean absolute difference of two columns (or rows) of a picture.
double Seam(const TGeneratedPicture& p, bool columns, int32_t a, int32_t b) {
    double sum = 0;
    const int32_t n = columns ? p.Height : p.Width;
    for (int32_t i = 0; i < n; ++i) {
        size_t pa =
            columns ? (size_t(i) * size_t(p.Width) + size_t(a)) : (size_t(a) * size_t(p.Width) + size_t(i));
        size_t pb =
            columns ? (size_t(i) * size_t(p.Width) + size_t(b)) : (size_t(b) * size_t(p.Width) + size_t(i));
        for (int32_t c = 0; c < 3; ++c)
            sum += std::abs(int(p.Pixels[pa * size_t(p.BytesPerPixel) + size_t(c)]) -
                            int(p.Pixels[pb * size_t(p.BytesPerPixel) + size_t(c)]));
    }
    return sum / (3.0 * n);
}
} // namespace

TEST(TextureGen, PicturesAreWellFormedAndFillsTile) {
    const std::vector<TGeneratedPicture> pictures = GenerateGamePictures();
    ASSERT_FALSE(pictures.empty());
    EXPECT_EQ(pictures.front().Name, "Misc\\fallback.png");
    std::set<std::string> names;
    for (const TGeneratedPicture& p : pictures) {
        EXPECT_TRUE(names.insert(p.Name).second) << p.Name << " twice";
        EXPECT_TRUE(PowerOfTwo(p.Width) && PowerOfTwo(p.Height)) << p.Name;
        EXPECT_EQ(p.Pixels.size(), size_t(p.Width) * size_t(p.Height) * size_t(p.BytesPerPixel)) << p.Name;
        // Not a flat fill: the colours (or, for sprites, their coverage) vary.
        std::set<uint32_t> colours;
        for (size_t i = 0; i + size_t(p.BytesPerPixel) <= p.Pixels.size(); i += size_t(p.BytesPerPixel)) {
            uint32_t v =
                uint32_t(p.Pixels[i]) | uint32_t(p.Pixels[i + 1]) << 8 | uint32_t(p.Pixels[i + 2]) << 16;
            if (p.BytesPerPixel == 4) v ^= uint32_t(p.Pixels[i + 3]) << 24;
            colours.insert(v);
        }
        EXPECT_GT(colours.size(), 8u) << p.Name;
        if (p.Name.rfind("Terrain\\", 0) == 0 && p.Name.find("band") == std::string::npos) {
            // Across the tile's edge the colours run on as they do between neighbours.
            const double wrap = Seam(p, true, p.Width - 1, 0), inner = Seam(p, true, 10, 11);
            EXPECT_LT(wrap, inner * 2 + 4) << p.Name << " has a vertical seam";
            const double wrapRows = Seam(p, false, p.Height - 1, 0), innerRows = Seam(p, false, 10, 11);
            EXPECT_LT(wrapRows, innerRows * 2 + 4) << p.Name << " has a horizontal seam";
        }
    }
    for (const char* needed : {"Levels\\water.png", "Levels\\WaterBubble3.png", "Levels\\kvapka.png",
                               "Levels\\x_glue1.png", "Effects\\hvezda_4.png", "Logos\\Vortan.png",
                               "Decor\\tree.png", "MenuMubs\\logo rollix zestars.png"})
        EXPECT_TRUE(names.count(needed)) << needed;
}

// Pictures placed as decorations (and the jewels' shapes): the level traces one outline round the
// picture's alpha above 10 and draws what lies inside it, so a picture must
// fade out before its edges, in one piece, and without hard steps from
// opaque to clear (which show as jagged rims when scaled). The logos and the
// title on the loading screen are held to the same rules.
TEST(TextureGen, DecorationsFadeOutInOnePiece) {
    for (const TGeneratedPicture& p : GenerateGamePictures()) {
        if (p.Name.rfind("Decor\\", 0) != 0 && p.Name.rfind("Logos\\", 0) != 0 &&
            p.Name.rfind("Boosts\\", 0) != 0 && p.Name.rfind("MenuMubs\\", 0) != 0)
            continue;
        SCOPED_TRACE(p.Name);
        ASSERT_EQ(p.BytesPerPixel, 4);
        const int32_t w = p.Width, h = p.Height;
        auto alpha = [&](int32_t x, int32_t y) {
            return p.Pixels[(size_t(y) * size_t(w) + size_t(x)) * 4 + 3];
        };
        int32_t edgeShown = 0, hardSteps = 0;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                if ((x == 0 || y == 0 || x == w - 1 || y == h - 1) && alpha(x, y) > 0) ++edgeShown;
                if (alpha(x, y) == 255)
                    for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
                        const int32_t nx = x + dx, ny = y + dy;
                        if (nx >= 0 && ny >= 0 && nx < w && ny < h && alpha(nx, ny) == 0) ++hardSteps;
                    }
            }
        EXPECT_EQ(edgeShown, 0) << "pixels shown on the picture's edge";
        EXPECT_EQ(hardSteps, 0) << "opaque pixels next to clear ones";
        // Pieces above the outline's threshold, by flood fill.
        std::vector<uint8_t> seen(size_t(w) * size_t(h), 0);
        int32_t pieces = 0;
        for (int32_t start = 0; start < w * h; ++start) {
            if (seen[size_t(start)] || alpha(start % w, start / w) <= 10) continue;
            ++pieces;
            std::vector<int32_t> stack{start};
            seen[size_t(start)] = 1;
            while (!stack.empty()) {
                const int32_t i = stack.back();
                stack.pop_back();
                const int32_t x = i % w, y = i / w;
                for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
                    const int32_t nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
                    const size_t j = size_t(ny) * size_t(w) + size_t(nx);
                    if (seen[j] || alpha(nx, ny) <= 10) continue;
                    seen[j] = 1;
                    stack.push_back(int32_t(j));
                }
            }
        }
        EXPECT_EQ(pieces, 1);
    }
}

// The loading screen draws the title at its own size in the middle of a view
// 800 × 600 (or wider), with the loading line 60 pixels above the foot and
// the version under it: nothing of the title may fall off the sides or reach
// the lowest 90 pixels, and it must show something there to see.
TEST(TextureGen, TheTitleLeavesTheLoadingTextClear) {
    const std::vector<TGeneratedPicture> pictures = GenerateGamePictures();
    const auto title = std::find_if(pictures.begin(), pictures.end(), [](const TGeneratedPicture& p) {
        return p.Name == "MenuMubs\\logo rollix zestars.png";
    });
    ASSERT_NE(title, pictures.end());
    ASSERT_EQ(title->BytesPerPixel, 4);
    const int32_t viewW = 800, viewH = 600, textBand = 90;
    const float left = viewW * 0.5f - float(title->Width) * 0.5f,
                top = viewH * 0.5f - float(title->Height) * 0.5f;
    int32_t outside = 0, solid = 0;
    for (int32_t y = 0; y < title->Height; ++y)
        for (int32_t x = 0; x < title->Width; ++x) {
            const uint8_t a = title->Pixels[(size_t(y) * size_t(title->Width) + size_t(x)) * 4 + 3];
            if (a == 0) continue;
            const float sx = left + float(x), sy = top + float(y);
            if (sx < 0 || sx + 1 > viewW || sy < 0 || sy + 1 > viewH - textBand) ++outside;
            if (a == 255) ++solid;
        }
    EXPECT_EQ(outside, 0) << "pixels off an 800-wide view or over the loading text";
    // The word itself, not only a haze: a good share of the picture is opaque.
    EXPECT_GT(solid, title->Width * title->Height / 20);
}

TEST(TextureGen, TheLibraryLoadsEveryPicture) {
    const auto dir = std::filesystem::temp_directory_path() / ("rollix-texgen-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    InitAppDir(dir.string());
    SetLogSink([](const std::string&) {});
    std::vector<TMassFileInput> entries;
    std::vector<TTexLibRecord> records;
    for (const TGeneratedPicture& p : GenerateGamePictures()) {
        std::vector<uint8_t> png;
        ASSERT_TRUE(EncodePng(p.Pixels.data(), p.Width, p.Height, p.BytesPerPixel, png));
        size_t slash = p.Name.rfind('\\');
        entries.push_back({"Textures\\" + p.Name.substr(0, slash + 1), p.Name.substr(slash + 1), png});
        records.push_back({p.Name, 1, 0});
    }
    entries.push_back({"Textures\\", "Rollix.TexLib", WriteTexLibIndex(records)});
    std::vector<uint8_t> archive;
    std::string why;
    ASSERT_TRUE(WriteMassFile(entries, archive, why));
    ASSERT_TRUE(SaveFileAtomic(AppDir + "Rollix.msf", archive));
    MassFile.Create();
    TexLib.Clear();
    TexLib.LoadLibrary();
    EXPECT_EQ(TexLib.Textures.size(), records.size());
    for (const auto& t : TexLib.Textures) {
        EXPECT_TRUE(t->Exists) << t->Name;
        EXPECT_TRUE(t->LoadPicture()) << t->Name;
    }
    EXPECT_EQ(TexLib.Water, TexLib.TextureByName("Levels\\water.png"));
    TexLib.Clear();
    MassFile.Clear();
    SetLogSink(nullptr);
    std::filesystem::remove_all(dir);
}
