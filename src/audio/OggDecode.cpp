#include "audio/OggDecode.h"

#include "app/Log.h"
#include "app/SiteTrace.h"
#include "assets/MassFile.h"

#include <ogg/ogg.h>
#include <vorbis/codec.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>

namespace {

constexpr uint8_t Capture[4] = {'O', 'g', 'g', 'S'};

// The decoder's libogg and libvorbis state, cleared on every way out.
struct TOggState {
    ogg_sync_state Sync{};
    ogg_stream_state Stream{};
    vorbis_info Info{};
    vorbis_comment Comment{};
    vorbis_dsp_state Dsp{};
    vorbis_block Block{};
    bool StreamOn = false, SynthesisOn = false, BlockOn = false;

    TOggState() {
        ogg_sync_init(&Sync);
        vorbis_info_init(&Info);
        vorbis_comment_init(&Comment);
    }
    ~TOggState() {
        if (BlockOn) vorbis_block_clear(&Block);
        if (SynthesisOn) vorbis_dsp_clear(&Dsp);
        if (StreamOn) ogg_stream_clear(&Stream);
        vorbis_comment_clear(&Comment);
        vorbis_info_clear(&Info);
        ogg_sync_clear(&Sync);
    }
    TOggState(const TOggState&) = delete;
    TOggState& operator=(const TOggState&) = delete;
};

// Reads the three header packets. False on anything but a Vorbis stream.
bool ReadHeaders(TOggState& s) {
    ogg_page page;
    if (ogg_sync_pageout(&s.Sync, &page) != 1) return false;
    if (ogg_stream_init(&s.Stream, ogg_page_serialno(&page)) != 0) return false;
    s.StreamOn = true;
    if (ogg_stream_pagein(&s.Stream, &page) < 0) return false;
    ogg_packet packet;
    if (ogg_stream_packetout(&s.Stream, &packet) != 1) return false;
    if (vorbis_synthesis_headerin(&s.Info, &s.Comment, &packet) < 0) return false;
    int headers = 1;
    while (headers < 3) {
        const int got = ogg_sync_pageout(&s.Sync, &page);
        if (got == 0) return false; // the whole file is in: no more pages
        if (got < 0) continue;      // bytes skipped to the next page
        ogg_stream_pagein(&s.Stream, &page);
        while (headers < 3) {
            const int r = ogg_stream_packetout(&s.Stream, &packet);
            if (r == 0) break;
            if (r < 0) return false;
            if (vorbis_synthesis_headerin(&s.Info, &s.Comment, &packet) < 0) return false;
            ++headers;
        }
    }
    return true;
}

} // namespace

int16_t PcmFromFloat(float x) {
    if (x > 1.0f) return 32767;
    if (x < -1.0f) return -32768;
    return int16_t(x * 32767.0f);
}

int32_t EstimateOggFrames(const uint8_t* data, size_t size) {
    // Windows of 241 start positions, 240 bytes apart, counted back from the
    // end; each is clamped to the file, so a short file is searched from 0
    // and a header is only read where all its bytes are there.
    constexpr size_t HeaderBytes = 14; // "OggS", version, flags, granule
    if (!data || size < HeaderBytes) return 0;
    const size_t lastStart = size - HeaderBytes;
    for (int64_t k = 1; k <= 50; ++k) {
        const int64_t begin = int64_t(size) - 240 * k - 10;
        const int64_t end = begin + 240;
        if (end < 0) break;
        for (int64_t p = std::max<int64_t>(begin, 0); p <= end; ++p) {
            if (size_t(p) > lastStart) break;
            if (std::memcmp(data + p, Capture, 4) != 0) continue;
            int32_t granule;
            std::memcpy(&granule, data + p + 6, 4);
            return std::max(granule, 0);
        }
        if (begin <= 0) break;
    }
    return 0;
}

bool DecodeOggBytes(const uint8_t* data, size_t size, TDecodedSample& out) {
    RecordSite(81001);
    out = TDecodedSample{};
    if (!data || size == 0 || size > size_t(std::numeric_limits<long>::max())) return false;
    TOggState s;
    // libogg owns its buffer: the file goes in through it (one copy).
    char* buffer = ogg_sync_buffer(&s.Sync, long(size));
    if (!buffer) return false;
    std::memcpy(buffer, data, size);
    ogg_sync_wrote(&s.Sync, long(size));
    if (!ReadHeaders(s)) return false;
    const int channels = s.Info.channels;
    // More than two channels cannot be handed to the output as they stand.
    if (channels < 1 || channels > 2 || s.Info.rate < 1 || s.Info.rate > 1000000) return false;
    if (vorbis_synthesis_init(&s.Dsp, &s.Info) != 0) return false;
    s.SynthesisOn = true;
    if (vorbis_block_init(&s.Dsp, &s.Block) != 0) return false;
    s.BlockOn = true;

    // The estimate only reserves; a wrong one costs a reallocation, never a
    // write past the end. A compressed frame takes well over a bit.
    const int64_t estimate = std::min<int64_t>(EstimateOggFrames(data, size), int64_t(size) * 16);
    std::vector<int16_t> pcm;
    bool ok = true;
    try {
        pcm.reserve(size_t(estimate) * size_t(channels));
        ogg_page page;
        ogg_packet packet;
        for (;;) {
            const int got = ogg_sync_pageout(&s.Sync, &page);
            if (got == 0) break;
            if (got < 0) {
                ok = false;
                break;
            }
            // A page of another logical stream is not ours.
            if (ogg_stream_pagein(&s.Stream, &page) < 0) continue;
            for (;;) {
                const int r = ogg_stream_packetout(&s.Stream, &packet);
                if (r == 0) break;
                if (r < 0) {
                    ok = false;
                    break;
                }
                if (vorbis_synthesis(&s.Block, &packet) == 0) vorbis_synthesis_blockin(&s.Dsp, &s.Block);
                float** samples = nullptr;
                int n;
                while ((n = vorbis_synthesis_pcmout(&s.Dsp, &samples)) > 0) {
                    if (int64_t(pcm.size()) / channels + n > std::numeric_limits<int32_t>::max())
                        throw std::length_error("sample too long");
                    const size_t at = pcm.size();
                    pcm.resize(at + size_t(n) * size_t(channels));
                    for (int c = 0; c < channels; ++c)
                        for (int i = 0; i < n; ++i)
                            pcm[at + size_t(i) * size_t(channels) + size_t(c)] = PcmFromFloat(samples[c][i]);
                    vorbis_synthesis_read(&s.Dsp, n);
                }
            }
            if (!ok) break;
        }
    } catch (const std::exception& e) {
        // What was decoded stands, as if the data had ended here.
        LogLine(std::string("sound decoding stopped: ") + e.what());
    }
    if (!ok) return false;
    out.Channels = channels;
    out.Rate = int32_t(s.Info.rate);
    out.Frames = int32_t(pcm.size() / size_t(channels));
    pcm.shrink_to_fit();
    out.Pcm = std::move(pcm);
    return true;
}

bool DecodeOggFile(const std::string& path, TDecodedSample& out) {
    RecordSite(81002);
    out = TDecodedSample{};
    if (!MassFileExists(path)) return false;
    std::vector<uint8_t> bytes;
    if (!MassFile.ReadFile(path, bytes)) return false;
    return DecodeOggBytes(bytes.data(), bytes.size(), out);
}
