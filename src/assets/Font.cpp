#include "assets/Font.h"

#include "app/Random.h"
#include "app/SiteTrace.h"
#include "assets/MassFile.h"
#include "assets/TexLib.h"
#include "render/RenderContext.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

std::unique_ptr<TMubFont> MubFont;

const char16_t FontGlyphChars[FontGlyphTotal + 1] =
    u"aáäbcčdďeé123456789[ě];'\\,./|=:ë\"|<>?-`!@#f$%^&*()_+ghiíjklĺľmnňoóôöpqrřŕsštťuúůüvwxyýzž"
    u"AÁÄBCČDĎEĚÉËFGHIÍJKLĹĽMNŇOÓÔÖPQRŘŔSŠTŤUÚŮÜVWXYÝZŽ0"
    u"АаБбВвГгДдЕеЁёЖжЗзИиЙйКкЛлМмНнОоПпРрСсТтУуФфХхЦцЧчШшЩщЪъЫыЬьЭэЮюЯя"
    u"ÀàÈèÙùÂâÊêÎîÛûÏïÇçŒœÑñ¡¿ąćęłńóśźżĄĆĘŁŃÓŚŹŻ";

static_assert(sizeof(FontGlyphChars) / sizeof(char16_t) == FontGlyphTotal + 1, "246 glyphs");

TMubFont::TMubFont() {
    RecordSite(74001);
    Seed(5);
    Wave.resize(FontWaveDraws / 4);
    for (auto& w : Wave)
        for (float& v : w)
            v = float(24.0 * RandomFloat() - 12.0);
    CharMap.assign(65536, uint8_t(QuestionMarkGlyph));
    for (int32_t i = 0; i < FontGlyphTotal; ++i)
        CharMap[FontGlyphChars[i]] = uint8_t(i);
    FontGlyphCount = FontGlyphTotal;
    char name[32];
    for (int32_t i = 0; i < FontGlyphTotal; ++i) {
        TGlyph& g = Glyphs[size_t(i)];
        g.Code = FontGlyphChars[i];
        std::snprintf(name, sizeof name, "Font\\fnt%03d.png", i + 1);
        g.Texture = TexLib.FindTexture(name);
        if (!g.Texture || g.Texture->UpperName != UpperAnsi(name)) {
            g.Texture = nullptr; // a missing glyph keeps a zero-size record
            continue;
        }
        g.Texture->Upload();
        if (!g.Texture->Loaded()) continue;
        const TPicture& p = *g.Texture->Picture;
        g.Width = float(g.Texture->Width);
        g.Top = float(p.CropRect.Top) - float(p.UncroppedHeight) / 2;
        g.Bottom = float(p.CropRect.Bottom) - float(p.UncroppedHeight) / 2;
    }
}

float TMubFont::TextWidth(const std::u16string& text) const {
    float w = 0;
    for (char16_t c : text)
        w += c == u' ' ? FontSpaceWidth : Glyphs[GlyphOf(c)].Width - 5;
    return w;
}

void TMubFont::WaveOffset(float x, float y, float& dx, float& dy) const {
    const float v = std::clamp(y + 10, 0.0f, 32.0f);
    const float q = x / 32;
    if (!std::isfinite(q)) {
        dx = dy = 0;
        return;
    }
    // trunc(x / 32) modulo 1024, keeping the sign of x.
    const double whole = std::trunc(double(q));
    int32_t i = int32_t(std::fmod(whole, 1024.0));
    int32_t j = i + 1 > 1023 ? -1023 : i + 1;
    float fx = q - float(whole);
    if (fx < 0) fx += 1;
    const float fv = v / 32 - std::floor(v / 32);
    const auto& a = Wave[size_t(i + 1023)];
    const auto& b = Wave[size_t(j + 1023)];
    dx = (1 - fx) * ((1 - fv) * a[0] + fv * a[2]) + fx * ((1 - fv) * b[0] + fv * b[2]);
    dy = (1 - fv) * ((1 - fx) * a[1] + fx * b[1]) + fv * ((1 - fx) * a[3] + fx * b[3]);
}

void TMubFont::DrawText(const std::u16string& text, TRgba8 colour, float s, float y, float x) const {
    DrawWavyText(text, colour, 0, false, false, 0, 0, s, y, x);
}

void TMubFont::DrawTextCentred(const std::u16string& text, TRgba8 colour, bool centre, float s, float y,
                               float x) const {
    if (centre) x -= TextWidth(text) * s / 2;
    DrawText(text, colour, s, y, x);
}

void TMubFont::DrawWavyText(const std::u16string& text, TRgba8 colour, int32_t fadeKind, bool flip,
                            bool centre, float waveX, float amount, float s, float y, float x) const {
    RecordSite(74002);
    if (centre) x -= TextWidth(text) * s / 2;
    TRenderBackend& r = Renderer();
    r.Enable(Gl::Texture2D);
    for (char16_t c : text) {
        if (c == u' ') {
            x += FontSpaceWidth * s;
            continue;
        }
        const TGlyph& g = Glyphs[GlyphOf(c)];
        const int32_t id = g.Texture ? g.Texture->TextureId() : 0;
        if (id > 0) BindTexture(uint32_t(id));
        const float u = g.Texture ? g.Texture->URange : 0, v = g.Texture ? g.Texture->VRange : 0;
        // Corners: top-left, top-right, bottom-right, bottom-left.
        const float cx[4] = {0, g.Width, g.Width, 0};
        const float cy[4] = {g.Top, g.Top, g.Bottom, g.Bottom};
        const float tu[4] = {0, u, u, 0}, tv[4] = {0, 0, v, v};
        r.Begin(Gl::Quads);
        for (int k = 0; k < 4; ++k) {
            float dx = 0, dy = 0;
            if (amount != 0) {
                WaveOffset(x + waveX + cx[k], cy[k], dx, dy);
                dx *= s * amount;
                dy *= s * amount;
            }
            const bool bottom = k >= 2;
            const uint8_t a = (fadeKind == 1 && bottom) || (fadeKind == 2 && !bottom) ? 0 : colour.A;
            r.Color4ub(colour.R, colour.G, colour.B, a);
            r.TexCoord2f(tu[k], tv[k]);
            const float px = x + s * cx[k] + dx;
            const float py = flip ? y - s * cy[k] - dy : y + s * cy[k] + dy;
            r.Vertex2f(px, py);
        }
        r.End();
        x += s * (g.Width - 5);
    }
}

float TMubFont::DrawTextBox(const std::u16string& text, TRgba8 colour, float boxWidth, bool flip, float waveX,
                            float amount, float s, float y, float x) const {
    RecordSite(74003);
    float penX = x, penY = y, height = 0;
    bool firstWord = true;
    size_t i = 0;
    auto lineBreak = [&] {
        penX = x;
        penY += 40 * s;
        height += 40 * s;
    };
    while (i < text.size()) {
        const char16_t c = text[i];
        if (c == u' ') {
            penX += FontSpaceWidth * s;
            ++i;
        } else if (c == u'\n' || c == u'~') {
            lineBreak();
            ++i;
        } else {
            size_t end = i;
            while (end < text.size() && text[end] != u' ' && text[end] != u'\n' && text[end] != u'~')
                ++end;
            const std::u16string word = text.substr(i, end - i);
            const float w = TextWidth(word) * s;
            if (penX + w > x + boxWidth) lineBreak();
            DrawWavyText(word, colour, 0, flip, false, waveX, amount, s, penY, penX);
            penX += w;
            if (firstWord) {
                height += 30 * s;
                firstWord = false;
            }
            i = end;
        }
    }
    return height;
}
