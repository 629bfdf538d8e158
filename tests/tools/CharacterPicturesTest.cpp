// The characters' pictures: every coat name has its body, face frames, acid
// coat and diving suit in the library, and the faces really show.
#include "CharacterPictures.h"

#include <gtest/gtest.h>

#include <map>

namespace {

struct TCounts {
    int32_t White = 0, Ink = 0;
};

// Eye whites and dark ink in a square around the picture's middle.
TCounts FacePixels(const TGeneratedPicture& p, float from, float to) {
    TCounts n;
    for (int32_t y = int32_t(p.Height * from); y < int32_t(p.Height * to); ++y)
        for (int32_t x = int32_t(p.Width * from); x < int32_t(p.Width * to); ++x) {
            const uint8_t* c = &p.Pixels[(size_t(y) * size_t(p.Width) + size_t(x)) * size_t(p.BytesPerPixel)];
            if (c[0] > 225 && c[1] > 225 && c[2] > 225) ++n.White;
            if (c[0] < 60 && c[1] < 60 && c[2] < 60) ++n.Ink;
        }
    return n;
}

TEST(CharacterPictures, EveryCoatHasItsBodyFramesCoatAndSuitWithAFace) {
    std::map<std::string, const TGeneratedPicture*> byName;
    const std::vector<TGeneratedPicture> pictures = GenerateGamePictures();
    for (const TGeneratedPicture& p : pictures)
        byName[p.Name] = &p;
    ASSERT_EQ(CharacterCoatNames().size(), 9u);
    for (const std::string& coat : CharacterCoatNames()) {
        const std::string body = "Rollixs\\" + coat + ".png";
        ASSERT_TRUE(byName.count(body)) << body;
        for (const std::string& name : {"Rollixs\\Coat " + coat + ".png", "Rollixs\\Diver " + coat + ".png"})
            EXPECT_TRUE(byName.count(name)) << name;
        const TCounts face = FacePixels(*byName[body], 0.3f, 0.7f);
        EXPECT_GT(face.White, 40) << body << ": eye whites";
        EXPECT_GT(face.Ink, 40) << body << ": pupils, outlines and mouth";
        const TCounts rim = FacePixels(*byName[body], 0.0f, 0.15f);
        EXPECT_EQ(rim.Ink, 0) << body << ": nothing drawn in the corner";
        for (int32_t f = 1; f <= FaceFrameCount; ++f) {
            char frame[64];
            std::snprintf(frame, sizeof frame, "Rollixs\\MubAnims\\%s %02d.png", coat.c_str(), f);
            ASSERT_TRUE(byName.count(frame)) << frame;
            EXPECT_NE(byName[frame]->Pixels, byName[body]->Pixels) << frame << " shows another face";
        }
        // The first frame blinks: the eye whites are gone.
        char blink[64];
        std::snprintf(blink, sizeof blink, "Rollixs\\MubAnims\\%s 01.png", coat.c_str());
        EXPECT_LT(FacePixels(*byName[blink], 0.3f, 0.7f).White * 4, face.White) << blink;
    }
}

} // namespace
