#include "audio/MusicMan.h"

#include "app/Log.h"
#include "app/SiteTrace.h"
#include "assets/ByteStream.h"
#include "audio/AudioBackend.h"
#include "audio/SoundMan.h"

#include <algorithm>

TMusicMan MusicMan;
std::function<std::unique_ptr<TAudioBackend>(const std::string& device)> AudioDeviceOpener;
std::unique_ptr<TAudioBackend> AudioOutput;

namespace {

constexpr int32_t TrackRecordSize = 6;

} // namespace

bool TLevelMusic::Read(TByteReader& in) {
    RecordSite(83001);
    CurrentMusic = in.ReadByte();
    const int32_t n = in.ReadInt32();
    if (in.ShortRead || n < 0 || n > in.Remaining()) return false;
    const int32_t kept = std::min(n, MusicTrackCount);
    for (int32_t i = 0; i < kept; ++i)
        TrackFlags[size_t(i)] = in.ReadBool();
    in.Skip(n - kept);
    in.Skip(16);
    return !in.ShortRead;
}

void TLevelMusic::Write(TByteWriter& out) const {
    RecordSite(83002);
    out.WriteByte(CurrentMusic);
    out.WriteInt32(MusicTrackCount);
    for (bool f : TrackFlags)
        out.WriteBool(f);
    out.Pad(16);
}

bool TMusicMan::LoadTracks(TByteReader& in) {
    RecordSite(83003);
    const int32_t n = in.ReadInt32();
    if (in.ShortRead || n < 0 || n > in.Remaining() / TrackRecordSize) return false;
    for (int32_t i = 0; i < n; ++i) {
        const bool selected = in.ReadBool();
        in.Skip(5);
        if (i < MusicTrackCount) Tracks[size_t(i)].Selected = selected;
    }
    in.Skip(32);
    return !in.ShortRead;
}

void TMusicMan::WriteTracks(TByteWriter& out) const {
    RecordSite(83004);
    out.WriteInt32(MusicTrackCount);
    for (const TMusicTrack& t : Tracks) {
        out.WriteBool(t.Selected);
        out.Pad(5);
    }
    out.Pad(32);
}

void TMusicMan::ApplyLevel(const TLevelMusic& level) {
    RecordSite(83005);
    for (size_t i = 0; i < Tracks.size(); ++i)
        Tracks[i].Selected = level.TrackFlags[i];
    CurrentMusic = level.CurrentMusic;
}

void TMusicMan::Create() {
    RecordSite(83005);
    if (SoundMan) SoundMan->MasterVolume = 100.0f;
    Tracks = {};
    CurrentMusic = 0;
    StartAudio();
}

void TMusicMan::StartAudio() {
    RecordSite(83006);
    AudioOutput.reset();
    if (AudioDeviceOpener) GuardErrors([&] { AudioOutput = AudioDeviceOpener(DeviceName); });
    MusicVolume = 1.0f;
}

void TMusicMan::StopAudio() {
    RecordSite(83007);
    AudioOutput.reset();
}

void StartGameAudio() {
    RecordSite(83008);
    MusicMan.Create();
    BuildWobbleTable();
    // The master volume stays 100 until the settings hold one.
    SoundMan = std::make_unique<TSoundMan>(AudioOutput.get());
}

void FreeSoundMan() {
    if (!SoundMan) return;
    int32_t loaded = 0;
    for (const TSampleRecord& r : SoundMan->Samples)
        loaded += r.Loaded ? 1 : 0;
    LogLine("sound: " + std::to_string(SoundMan->NextKey - 1) + " sounds made, " + std::to_string(loaded) +
            " of " + std::to_string(SoundMan->Samples.size()) + " samples loaded, " +
            std::to_string(SoundMan->Missing.size()) + " names missing, " +
            (AudioOutput && AudioOutput->HasDevice() ? "through the device" : "without a device"));
    SoundMan.reset();
}

void FreeMusicMan() {
    MusicMan.StopAudio();
}
