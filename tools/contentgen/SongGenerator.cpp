// Generator "song": renders the composition to "music/marrowgate.ogg".
// Mix: drums and melodic buses with delay and reverb sends, kick-keyed
// ducking, then a master chain that is calibrated to the loudness target
// and peak-limited before 16-bit quantisation and Vorbis encoding.
#include <sndfile.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

#include "Generator.h"
#include "SongArrangement.h"
#include "Synth.h"
#include "SynthVoices.h"

namespace qmgen {

namespace {

constexpr float kTargetLufs = -14.0f;
// Peak the decoded file must stay under; the codec overshoots the limiter
// ceiling on sharp transients, so the ceiling is lowered until it holds.
constexpr float kDecodedPeakDb = -1.5f;
constexpr float kFirstCeilingDb = -2.0f;
// Fixed so that every run writes the same stream.
constexpr int kOggSerial = 0x51a7e140;
constexpr float kVorbisQuality = 0.45f;

// Where each instrument sits in the mix.
struct Routing {
    bool melodic;  // melodic bus (ducked by the kick) or drum bus
    float gain;
    float delaySend;
    float reverbSend;
};

Routing routingFor(Voice v) {
    switch (v) {
    case Voice::Kick: return {false, 0.8f, 0.0f, 0.03f};
    case Voice::Snare: return {false, 1.0f, 0.0f, 0.2f};
    case Voice::Clap: return {false, 0.9f, 0.05f, 0.25f};
    case Voice::ClosedHat: return {false, 2.0f, 0.05f, 0.04f};
    case Voice::OpenHat: return {false, 1.5f, 0.0f, 0.08f};
    case Voice::Shaker: return {false, 1.2f, 0.0f, 0.08f};
    case Voice::Rim: return {false, 1.0f, 0.2f, 0.15f};
    case Voice::Crash: return {false, 0.55f, 0.0f, 0.15f};
    case Voice::Metal: return {false, 0.4f, 0.15f, 0.3f};
    case Voice::Anvil: return {false, 0.45f, 0.1f, 0.2f};
    case Voice::Boom: return {false, 0.6f, 0.0f, 0.3f};
    case Voice::Riser: return {false, 0.35f, 0.1f, 0.3f};
    case Voice::Bass: return {true, 0.55f, 0.0f, 0.02f};
    case Voice::Pad: return {true, 0.28f, 0.05f, 0.4f};
    case Voice::Arp: return {true, 0.9f, 0.4f, 0.25f};
    case Voice::Lead: return {true, 0.55f, 0.3f, 0.3f};
    case Voice::Stab: return {true, 1.0f, 0.2f, 0.2f};
    case Voice::Bell: return {true, 1.0f, 0.35f, 0.4f};
    case Voice::Drone: return {true, 0.2f, 0.1f, 0.45f};
    }
    return {false, 0.0f, 0.0f, 0.0f};
}

struct Buses {
    StereoBuffer drums, melodic, delaySend, reverbSend;
    explicit Buses(size_t frames) : drums(frames), melodic(frames), delaySend(frames), reverbSend(frames) {}
};

long frameOf(double beat) { return long(std::llround(beat * double(kFramesPerBeat))); }

void mixNote(const NoteEvent& note, Buses& buses, StereoBuffer& scratch) {
    const long start = frameOf(note.beat);
    renderVoice(note, frameOf(note.length), scratch);
    const Routing r = routingFor(note.voice);
    StereoBuffer& dry = r.melodic ? buses.melodic : buses.drums;
    const size_t total = buses.drums.frames();
    for (size_t i = 0; i < scratch.frames(); ++i) {
        size_t n = size_t(start) + i;
        if (n >= total) break;
        float l = scratch.left[i] * r.gain, rr = scratch.right[i] * r.gain;
        dry.left[n] += l;
        dry.right[n] += rr;
        buses.delaySend.left[n] += l * r.delaySend;
        buses.delaySend.right[n] += rr * r.delaySend;
        buses.reverbSend.left[n] += l * r.reverbSend;
        buses.reverbSend.right[n] += rr * r.reverbSend;
    }
}

// Gain curve that dips the melodic bus under every kick: the pump of the groove.
std::vector<float> duckingCurve(const std::vector<NoteEvent>& notes, size_t frames) {
    std::vector<float> duck(frames, 1.0f);
    const float fall = decayCoefficient(0.3f);
    const long length = long(0.9 * kFramesPerBeat);
    for (const NoteEvent& n : notes) {
        if (n.voice != Voice::Kick) continue;
        const float depth = sidechainDepth(n.beat) * n.velocity;
        if (depth <= 0.0f) continue;
        const long start = frameOf(n.beat);
        const long attack = 120;
        float env = 1.0f;
        for (long i = 0; i < length; ++i) {
            size_t f = size_t(start + i);
            if (f >= frames) break;
            float shape = i < attack ? float(i) / float(attack) : env;
            if (i >= attack) env *= fall;
            duck[f] = std::min(duck[f], 1.0f - depth * shape);
        }
    }
    return duck;
}

StereoBuffer renderMix() {
    const size_t frames = size_t(kSongBeats * double(kFramesPerBeat));
    const std::vector<NoteEvent> notes = composeSong();
    Buses buses(frames);
    StereoBuffer scratch;
    for (const NoteEvent& n : notes) mixNote(n, buses, scratch);

    // Dotted-eighth ping-pong and a large plate.
    processPingPongDelay(buses.delaySend, int(kFramesPerBeat * 3 / 4), 0.42f, 4500.0f, 250.0f);
    processReverb(buses.reverbSend, 0.86f, 0.35f, 0.02f);

    const std::vector<float> duck = duckingCurve(notes, frames);
    StereoBuffer mix(frames);
    float dcL = 0.0f, dcR = 0.0f, prevL = 0.0f, prevR = 0.0f;
    const float dcPole = 0.9995f;
    for (size_t n = 0; n < frames; ++n) {
        const float d = duck[n];
        const float fade = masterFade(double(n) / double(kFramesPerBeat));
        float l = buses.drums.left[n] + (buses.melodic.left[n] + 0.8f * buses.delaySend.left[n]) * d +
                  buses.reverbSend.left[n] * (0.5f + 0.5f * d);
        float r = buses.drums.right[n] + (buses.melodic.right[n] + 0.8f * buses.delaySend.right[n]) * d +
                  buses.reverbSend.right[n] * (0.5f + 0.5f * d);
        // DC blocker: the drum voices and drive leave a slight offset.
        dcL = l - prevL + dcPole * dcL;
        dcR = r - prevR + dcPole * dcR;
        prevL = l;
        prevR = r;
        mix.left[n] = dcL * fade;
        mix.right[n] = dcR * fade;
    }
    return mix;
}

// Finds the master gain whose limited output meets the loudness target; the
// limiter eats some loudness on loud gains, so a few rounds converge on it.
StereoBuffer master(const StereoBuffer& mix, float ceilingDb, double& lufs, float& gainDb) {
    StereoBuffer out;
    for (int round = 0; round < 5; ++round) {
        out = mix;
        const float g = dbToGain(gainDb);
        for (size_t n = 0; n < out.frames(); ++n) {
            out.left[n] *= g;
            out.right[n] *= g;
        }
        processLimiter(out, ceilingDb, 0.005f, 0.12f);
        lufs = integratedLoudness(out);
        const double error = double(kTargetLufs) - lufs;
        if (std::fabs(error) < 0.05) break;
        gainDb += float(error);
    }
    return out;
}

// TPDF-dithered 16-bit quantisation, as the file's sample format demands.
std::vector<int16_t> quantise(const StereoBuffer& in) {
    std::vector<int16_t> pcm(in.frames() * 2);
    Rng rng(0x16b17u);
    for (size_t n = 0; n < in.frames(); ++n) {
        for (int ch = 0; ch < 2; ++ch) {
            float v = (ch ? in.right[n] : in.left[n]) * 32767.0f;
            if (v != 0.0f) v += 0.5f * (rng.unit() - rng.unit());
            long q = std::lround(v);
            pcm[n * 2 + size_t(ch)] = int16_t(std::clamp(q, -32768L, 32767L));
        }
    }
    return pcm;
}

bool writeOggVorbis(const std::vector<int16_t>& pcm, const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "song: cannot open %s for writing\n", path.c_str());
        return false;
    }
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, 2, kSampleRate, kVorbisQuality) != 0) {
        std::fprintf(stderr, "song: the Vorbis encoder rejected the settings\n");
        vorbis_info_clear(&vi);
        std::fclose(file);
        return false;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_comment_add_tag(&vc, "TITLE", "Marrowgate");
    vorbis_comment_add_tag(&vc, "ARTIST", "Quillmoor");
    vorbis_comment_add_tag(&vc, "BPM", "140");
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, kOggSerial);
    ogg_page og;
    ogg_packet op, header, headerComment, headerCode;
    bool ok = true;
    auto writePage = [&](const ogg_page& page) {
        if (std::fwrite(page.header, 1, size_t(page.header_len), file) != size_t(page.header_len) ||
            std::fwrite(page.body, 1, size_t(page.body_len), file) != size_t(page.body_len))
            ok = false;
    };
    vorbis_analysis_headerout(&vd, &vc, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &headerComment);
    ogg_stream_packetin(&os, &headerCode);
    while (ogg_stream_flush(&os, &og) != 0) writePage(og);

    const size_t frames = pcm.size() / 2;
    const size_t chunk = 4096;
    size_t pos = 0;
    bool eos = false;
    while (!eos && ok) {
        if (pos < frames) {
            size_t count = std::min(chunk, frames - pos);
            float** buffer = vorbis_analysis_buffer(&vd, int(count));
            for (size_t i = 0; i < count; ++i) {
                buffer[0][i] = float(pcm[(pos + i) * 2]) / 32768.0f;
                buffer[1][i] = float(pcm[(pos + i) * 2 + 1]) / 32768.0f;
            }
            vorbis_analysis_wrote(&vd, int(count));
            pos += count;
        } else {
            vorbis_analysis_wrote(&vd, 0);
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                while (!eos && ogg_stream_pageout(&os, &og) != 0) {
                    writePage(og);
                    if (ogg_page_eos(&og)) eos = true;
                }
            }
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    if (std::fclose(file) != 0) ok = false;
    if (!ok) std::fprintf(stderr, "song: writing %s failed\n", path.c_str());
    return ok;
}

// Largest absolute sample of the file as a decoder sees it, in dBFS;
// returns false when the file cannot be read back.
bool decodedPeakDb(const std::string& path, float& peakDb) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        std::fprintf(stderr, "song: cannot read back %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    std::vector<float> block(size_t(4096) * size_t(std::max(1, info.channels)));
    float peak = 0.0f;
    sf_count_t got;
    while ((got = sf_readf_float(file, block.data(), 4096)) > 0)
        for (size_t i = 0; i < size_t(got) * size_t(info.channels); ++i) peak = std::max(peak, std::fabs(block[i]));
    sf_close(file);
    peakDb = 20.0f * std::log10(std::max(peak, 1e-9f));
    return true;
}

bool generateSong(const std::string& dataDir) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(dataDir) / "music";
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "song: cannot create %s: %s\n", dir.string().c_str(), ec.message().c_str());
        return false;
    }
    const std::string path = (dir / "marrowgate.ogg").string();
    const std::clock_t started = std::clock();
    const StereoBuffer mix = renderMix();
    float ceilingDb = kFirstCeilingDb, gainDb = 0.0f;
    for (int attempt = 0; attempt < 4; ++attempt) {
        double lufs = 0.0;
        const StereoBuffer mastered = master(mix, ceilingDb, lufs, gainDb);
        if (!writeOggVorbis(quantise(mastered), path)) return false;
        float peakDb = 0.0f;
        if (!decodedPeakDb(path, peakDb)) return false;
        std::printf("song: %.1f s, ceiling %.2f dB, master gain %+.2f dB, %.2f LUFS, decoded peak %.2f dBFS, "
                    "%.1f s CPU\n",
                    double(mastered.frames()) / kSampleRate, double(ceilingDb), double(gainDb), lufs,
                    double(peakDb), double(std::clock() - started) / CLOCKS_PER_SEC);
        if (peakDb <= kDecodedPeakDb) return true;
        ceilingDb -= peakDb - kDecodedPeakDb + 0.1f;
    }
    std::fprintf(stderr, "song: the decoded peak stays above %.1f dBFS\n", double(kDecodedPeakDb));
    return false;
}

} // namespace

QM_CONTENT_GENERATOR("song", generateSong);

} // namespace qmgen
