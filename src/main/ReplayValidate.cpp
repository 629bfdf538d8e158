#include "main/ReplayValidate.h"

#include "app/GameHooks.h"
#include "app/HeadlessRunner.h"
#include "app/InputScript.h"
#include "app/MainWindow.h"
#include "app/SiteTrace.h"
#include "game/GameMan.h"
#include "game/ReplayRun.h"
#include "render/NullRenderBackend.h"
#include "render/RenderContext.h"

#include <ostream>

namespace {
std::string HexOf(uint64_t v) {
    TStateHash h;
    h.Value = v;
    return h.Hex();
}
} // namespace

int ValidateReplay(const std::string& path, std::ostream& out, std::ostream& err) {
    RecordSite(91203);
    TReplayFile replay;
    std::string error;
    if (!ReadReplayFromDisk(path, replay, error)) {
        err << "rollix: " << error << "\n";
        return 1;
    }
    const std::optional<TReplayTag> tag = replay.Tag();
    if (!tag) {
        err << "rollix: replay " << path
            << " carries no tag of this game (no level checksum, end tick or end state)\n";
        return 1;
    }
    if (tag->Version != TReplayTag::CurrentVersion) {
        err << "rollix: replay " << path << " has a tag of version " << int(tag->Version)
            << "; this game reads version " << int(TReplayTag::CurrentVersion) << "\n";
        return 1;
    }
    PrepareRenderContext(std::make_unique<TNullRenderBackend>());
    StartPhase = false;
    int code = 1;
    if (!PlayReplayFile(path, error)) {
        err << "rollix: " << error << "\n";
    } else if (CurrentLevel->FileChecksum != tag->LevelChecksum) {
        err << "rollix: replay " << path << " was played on another " << replay.LevelFile
            << ": level checksum " << HexOf(tag->LevelChecksum) << " in the replay, "
            << HexOf(CurrentLevel->FileChecksum) << " now\n";
    } else {
        const TLevel* level = CurrentLevel;
        const TInputScript none;
        // Cross-fades of teleports hold the tick counter; a run that never
        // gets there ends after a generous number of ticks.
        const int64_t limit = int64_t(tag->EndTick) * 2 + 10000;
        for (int64_t i = 0; i < limit && CurrentLevel == level && level->Replay.ReplayPlaying &&
                            level->TickCounter < tag->EndTick;
             ++i)
            RunScriptedTicks(1, none, nullptr);
        if (CurrentLevel != level || !level->Replay.ReplayPlaying) {
            err << "rollix: replay " << path << " left its level before tick " << tag->EndTick
                << " (the run went differently)\n";
        } else if (level->TickCounter != tag->EndTick) {
            err << "rollix: replay " << path << " never reached tick " << tag->EndTick << " (stopped at "
                << level->TickCounter << ")\n";
        } else if (const uint64_t now = ReplayStateHash(*level); now != tag->EndHash) {
            err << "rollix: replay " << path << " ends in another state at tick " << tag->EndTick << ": hash "
                << HexOf(now) << ", the replay says " << HexOf(tag->EndHash) << "\n";
        } else {
            out << "replay " << path << " matches: " << replay.LevelFile << " (checksum "
                << HexOf(tag->LevelChecksum) << "), tick " << tag->EndTick << ", hash " << HexOf(tag->EndHash)
                << "\n";
            code = 0;
        }
    }
    ReleaseGameTextures();
    ReleaseRenderContext();
    return code;
}
