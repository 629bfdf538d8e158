#include "app/GameHooks.h"

#include "app/Log.h"
#include "app/MainLoop.h"
#include "app/MainWindow.h"
#include "app/Random.h"
#include "app/SiteTrace.h"
#include "assets/Font.h"
#include "assets/TexLib.h"
#include "render/RenderContext.h"

std::string StartLevelOverride;
std::string StartReplayOverride;

void PrepareRenderContext(std::unique_ptr<TRenderBackend> backend) {
    RecordSite(13202);
    InitRenderContext(std::move(backend));
    if (!RenderContextReady()) return;
    // Capture textures of an earlier context lost their GL objects with it;
    // they go up again in their old library entries.
    TexLib.CreateWorkTexture("extra1");
    TexLib.CreateWorkTexture("extra2");
}

void ReleaseGameTextures() {
    RecordSite(13203);
    for (const auto& texture : TexLib.Textures)
        texture->Release();
}

void StartGame() {
    RecordSite(13201);
    if (!GameStarted) {
        MarkGameStarted();
        if (GameHooks.CreateRenderContext) GameHooks.CreateRenderContext();
        if (GameHooks.StartAudio) GameHooks.StartAudio();
        // The program's one font, for the loading screen and every text in
        // play. Making it reseeds the generator, so the clock seed follows.
        if (!MubFont) MubFont = std::make_unique<TMubFont>();
        Seed(MilliClock());
    }
    // --level starts straight in a level. Otherwise the maker's logo plays
    // with the main level loaded behind it, for its gate (or a skip key) to
    // hand over to; the publisher's logo, when it comes first, plays alone
    // and starts the game again when it is over.
    if (!StartReplayOverride.empty()) {
        std::string error;
        if (GameHooks.LoadReplay && GameHooks.LoadReplay(StartReplayOverride, error)) {
            ResetTiming = true;
            return;
        }
        LogLine(error.empty() ? "replays cannot be played yet" : error);
    }
    const std::string name = StartLevelOverride.empty() ? FirstLevelName() : StartLevelOverride;
    bool loaded = false;
    if (StartLevelOverride.empty() && name == MakerLogoLevel && GameHooks.LoadLevelBehind)
        loaded = GameHooks.LoadLevelBehind(MainGameLevel, name);
    else if (GameHooks.LoadLevel)
        loaded = GameHooks.LoadLevel(name);
    if (!loaded) LogLine("level " + name + " cannot be loaded yet");
    ResetTiming = true;
}
