#include "SynthVoices.h"

#include <algorithm>
#include <cmath>

namespace qmgen {

namespace {

constexpr float kDt = 1.0f / float(kSampleRate);

long seconds(float s) { return long(s * float(kSampleRate)); }

// Writes a mono signal produced by `fn(n)` with a fixed pan.
template <typename Fn>
void renderMono(StereoBuffer& out, long frames, float pan, Fn fn) {
    out = StereoBuffer(size_t(frames));
    PanGains g = panGains(pan);
    for (long n = 0; n < frames; ++n) {
        float v = fn(n);
        out.left[size_t(n)] = v * g.left;
        out.right[size_t(n)] = v * g.right;
    }
}

void kick(const NoteEvent& e, StereoBuffer& out) {
    const float heavy = e.param;
    const float decay = 0.32f + 0.35f * heavy;
    const long frames = seconds(decay + 0.05f);
    Rng rng(e.seed);
    float phase = 0.0f, pitchEnv = 1.0f, amp = 1.0f, click = 1.0f;
    const float pitchMul = decayCoefficient(0.12f), ampMul = decayCoefficient(decay), clickMul = decayCoefficient(0.012f);
    const float base = midiToHz(e.pitch);
    Svf clickFilter;
    clickFilter.set(3500.0f, 0.8f);
    const float drive = 1.6f + 4.0f * heavy;
    renderMono(out, frames, e.pan, [&](long) {
        float f = base + 190.0f * pitchEnv * pitchEnv + 40.0f * pitchEnv;
        phase += f * kDt;
        pitchEnv *= pitchMul;
        float body = tableSin(phase) * amp;
        amp *= ampMul;
        clickFilter.process(rng.bipolar());
        float c = clickFilter.band * click;
        click *= clickMul;
        return (softClip(body * drive) * 0.9f + c * (0.35f + 0.3f * heavy)) * e.velocity;
    });
}

void snare(const NoteEvent& e, StereoBuffer& out) {
    const long frames = seconds(0.35f);
    Rng rng(e.seed);
    Oscillator a, b;
    a.setFrequency(185.0f);
    b.setFrequency(331.0f);
    float toneEnv = 1.0f, noiseEnv = 1.0f;
    const float toneMul = decayCoefficient(0.12f), noiseMul = decayCoefficient(0.22f + 0.1f * e.param);
    Svf hp, bp;
    hp.set(1200.0f + 1500.0f * e.param, 0.7f);
    bp.set(4200.0f, 0.9f);
    renderMono(out, frames, e.pan, [&](long) {
        float tone = (a.sine() + 0.6f * b.sine()) * toneEnv;
        toneEnv *= toneMul;
        float nz = rng.bipolar();
        hp.process(nz);
        bp.process(hp.high);
        float noise = (hp.high * 0.6f + bp.band * 0.8f) * noiseEnv;
        noiseEnv *= noiseMul;
        return softClip((tone * 0.55f + noise * 0.9f) * 1.3f) * e.velocity;
    });
}

void clap(const NoteEvent& e, StereoBuffer& out) {
    const long frames = seconds(0.4f);
    Rng rng(e.seed);
    Svf bp;
    bp.set(1150.0f, 1.6f);
    const float burstMul = decayCoefficient(0.03f), tailMul = decayCoefficient(0.28f);
    float tail = 1.0f;
    renderMono(out, frames, e.pan, [&](long n) {
        float env;
        long burst = n / seconds(0.011f);
        if (burst < 3) {
            long k = n - burst * seconds(0.011f);
            env = std::pow(burstMul, float(k));
        } else {
            env = 0.8f * tail;
            tail *= tailMul;
        }
        bp.process(rng.bipolar());
        return bp.band * env * 2.2f * e.velocity;
    });
}

// The classic six-square metallic cluster, shared by hats and cymbals.
struct MetalCluster {
    Oscillator osc[6];
    explicit MetalCluster(float scale) {
        static const float ratios[6] = {205.3f, 304.4f, 369.6f, 522.7f, 540.0f, 800.0f};
        for (int i = 0; i < 6; ++i) {
            osc[i].setFrequency(ratios[i] * scale);
            osc[i].setPhase(0.13f * float(i));
        }
    }
    float next() {
        float s = 0.0f;
        for (auto& o : osc) s += o.pulse(0.5f);
        return s * (1.0f / 6.0f);
    }
};

void hat(const NoteEvent& e, StereoBuffer& out, float decay) {
    const long frames = seconds(decay + 0.02f);
    Rng rng(e.seed);
    MetalCluster metal(1.0f + 0.15f * e.param);
    Svf bp, hp;
    bp.set(9000.0f, 1.2f);
    hp.set(7000.0f, 0.7f);
    float env = 1.0f;
    const float mul = decayCoefficient(decay);
    renderMono(out, frames, e.pan, [&](long) {
        bp.process(metal.next() + 0.5f * rng.bipolar());
        hp.process(bp.band);
        float v = hp.high * env;
        env *= mul;
        return v * 1.6f * e.velocity;
    });
}

void shaker(const NoteEvent& e, StereoBuffer& out) {
    const long frames = seconds(0.12f);
    Rng rng(e.seed);
    Svf hp;
    hp.set(6500.0f, 0.8f);
    const long attack = seconds(0.012f);
    const float mul = decayCoefficient(0.08f);
    float env = 1.0f;
    renderMono(out, frames, e.pan, [&](long n) {
        hp.process(rng.bipolar());
        float a = n < attack ? float(n) / float(attack) : env;
        if (n >= attack) env *= mul;
        return hp.high * a * 0.5f * e.velocity;
    });
}

void rim(const NoteEvent& e, StereoBuffer& out) {
    const long frames = seconds(0.08f);
    Rng rng(e.seed);
    Oscillator o;
    o.setFrequency(midiToHz(e.pitch));
    Svf bp;
    bp.set(2500.0f, 2.0f);
    float env = 1.0f;
    const float mul = decayCoefficient(0.05f);
    renderMono(out, frames, e.pan, [&](long) {
        bp.process(rng.bipolar());
        float v = (o.sine() * 0.8f + bp.band) * env;
        env *= mul;
        return v * e.velocity;
    });
}

void crash(const NoteEvent& e, StereoBuffer& out) {
    const float decay = 1.6f + 1.2f * e.param;
    const long frames = seconds(decay);
    out = StereoBuffer(size_t(frames));
    Rng rngL(e.seed), rngR(e.seed * 7919u + 17u);
    MetalCluster metal(1.7f);
    Svf hpL, hpR;
    hpL.set(4500.0f, 0.7f);
    hpR.set(4700.0f, 0.7f);
    float env = 1.0f;
    const float mul = decayCoefficient(decay);
    for (long n = 0; n < frames; ++n) {
        float m = metal.next() * 0.6f;
        hpL.process(rngL.bipolar() + m);
        hpR.process(rngR.bipolar() + m);
        float a = env * (n < 40 ? float(n) / 40.0f : 1.0f);
        env *= mul;
        out.left[size_t(n)] = hpL.high * a * 0.45f * e.velocity;
        out.right[size_t(n)] = hpR.high * a * 0.45f * e.velocity;
    }
}

// Inharmonic two-modulator FM: the sound of struck sheet metal and pipes.
void metal(const NoteEvent& e, StereoBuffer& out, bool anvil) {
    const float decay = anvil ? 0.35f + 0.3f * e.param : 0.4f + 1.6f * e.param;
    const long frames = seconds(decay);
    Rng rng(e.seed);
    const float f = midiToHz(e.pitch);
    float pc = 0.0f, pm1 = 0.0f, pm2 = 0.0f;
    float env = 1.0f, idx = 1.0f, nzEnv = 1.0f;
    const float mul = decayCoefficient(decay), idxMul = decayCoefficient(decay * 0.5f),
                nzMul = decayCoefficient(0.04f);
    Svf ring;
    ring.set(f * 3.17f, 12.0f);
    const float r1 = 1.414f, r2 = anvil ? 3.73f : 2.76f;
    renderMono(out, frames, e.pan, [&](long) {
        pm1 += f * r1 * kDt;
        pm2 += f * r2 * kDt;
        float mod = (2.2f * tableSin(pm1) + 1.3f * tableSin(pm2)) * (0.4f + 2.6f * idx);
        pc += f * kDt;
        float tone = tableSin(pc + mod * 0.159f);
        ring.process(rng.bipolar() * nzEnv);
        idx *= idxMul;
        nzEnv *= nzMul;
        float v = (tone * 0.7f + ring.band * 1.5f) * env;
        env *= mul;
        if (anvil) v = softClip(v * 2.5f) * 0.7f;
        return v * e.velocity;
    });
}

void boom(const NoteEvent& e, StereoBuffer& out) {
    const long frames = seconds(1.3f);
    Rng rng(e.seed);
    Svf lp;
    lp.set(900.0f, 0.7f);
    float phase = 0.0f, pitchEnv = 1.0f, amp = 1.0f, nz = 1.0f;
    const float pitchMul = decayCoefficient(0.25f), ampMul = decayCoefficient(1.2f), nzMul = decayCoefficient(0.15f);
    const float base = midiToHz(e.pitch);
    renderMono(out, frames, e.pan, [&](long) {
        phase += (base + 70.0f * pitchEnv) * kDt;
        pitchEnv *= pitchMul;
        lp.process(rng.bipolar());
        float v = softClip(tableSin(phase) * amp * 1.8f) + lp.low * nz * 0.8f;
        amp *= ampMul;
        nz *= nzMul;
        return v * e.velocity;
    });
}

void riser(const NoteEvent& e, long gate, StereoBuffer& out) {
    const long frames = gate + seconds(0.05f);
    out = StereoBuffer(size_t(frames));
    Rng rngL(e.seed), rngR(e.seed ^ 0x5bd1e995u);
    Svf fl, fr;
    const float endHz = 3000.0f + 7000.0f * e.param;
    for (long n = 0; n < frames; ++n) {
        float x = std::min(1.0f, float(n) / float(std::max(1L, gate)));
        if ((n & 15) == 0) {
            float hz = 250.0f * std::pow(endHz / 250.0f, x);
            fl.set(hz, 3.0f);
            fr.set(hz * 1.03f, 3.0f);
        }
        fl.process(rngL.bipolar());
        fr.process(rngR.bipolar());
        float a = x * x * (n < gate ? 1.0f : float(frames - n) / float(frames - gate));
        out.left[size_t(n)] = fl.band * a * 0.9f * e.velocity;
        out.right[size_t(n)] = fr.band * a * 0.9f * e.velocity;
    }
}

void bass(const NoteEvent& e, long gate, StereoBuffer& out) {
    const long frames = gate + seconds(0.08f);
    Oscillator saw, sub;
    const float f = midiToHz(e.pitch);
    saw.setFrequency(f);
    sub.setFrequency(f * 0.5f);
    Adsr amp(0.003f, 0.25f, 0.75f, 0.04f, int(gate));
    Svf lp;
    float fenv = 1.0f;
    const float fenvMul = decayCoefficient(0.22f);
    const float drive = 1.0f + 3.0f * e.param;
    const float cutoff = 110.0f + 500.0f * e.param;
    renderMono(out, frames, e.pan, [&](long n) {
        if ((n & 7) == 0) lp.set(cutoff + (900.0f + 2500.0f * e.param) * fenv, 1.4f + 2.0f * e.param);
        fenv *= fenvMul;
        lp.process(saw.saw() * 0.8f + sub.pulse(0.5f) * 0.35f);
        float v = softClip(lp.low * drive) / std::sqrt(drive);
        return v * amp.next() * e.velocity;
    });
    // A clean sine fundamental keeps the low end solid under the filter.
    float ph = 0.0f;
    Adsr subAmp(0.004f, 0.3f, 0.8f, 0.04f, int(gate));
    PanGains g = panGains(e.pan);
    for (long n = 0; n < frames; ++n) {
        ph += f * kDt;
        float v = tableSin(ph) * subAmp.next() * 0.45f * e.velocity;
        out.left[size_t(n)] += v * g.left;
        out.right[size_t(n)] += v * g.right;
    }
}

void pad(const NoteEvent& e, long gate, StereoBuffer& out) {
    const float release = 1.4f;
    const long frames = gate + seconds(release * 1.2f);
    out = StereoBuffer(size_t(frames));
    const float f = midiToHz(e.pitch);
    Oscillator osc[3];
    const float detune[3] = {-0.09f, 0.0f, 0.08f};
    const float pans[3] = {-0.8f, 0.0f, 0.8f};
    PanGains g[3];
    Svf filt[2];
    for (int i = 0; i < 3; ++i) {
        osc[i].setFrequency(f * std::exp2(detune[i] / 12.0f));
        osc[i].setPhase(0.31f * float(i) + 0.01f * float(e.seed % 17u));
        g[i] = panGains(pans[i] * (0.3f + 0.7f * std::fabs(e.pan)));
    }
    Adsr amp(0.9f, 1.5f, 0.8f, release, int(gate));
    const float cutoff = 500.0f + 3200.0f * e.param;
    for (long n = 0; n < frames; ++n) {
        if ((n & 31) == 0) {
            float lfo = tableSin(float(n) * kDt * 0.13f + 0.07f * float(e.seed % 13u));
            filt[0].set(cutoff * (1.0f + 0.3f * lfo), 0.9f);
            filt[1].set(cutoff * (1.0f - 0.3f * lfo), 0.9f);
        }
        float s0 = osc[0].saw(), s1 = osc[1].saw(), s2 = osc[2].saw();
        float l = s0 * g[0].left + s1 * g[1].left + s2 * g[2].left;
        float r = s0 * g[0].right + s1 * g[1].right + s2 * g[2].right;
        filt[0].process(l);
        filt[1].process(r);
        float a = amp.next() * e.velocity * 0.45f;
        out.left[size_t(n)] = filt[0].low * a;
        out.right[size_t(n)] = filt[1].low * a;
    }
}

void arp(const NoteEvent& e, long gate, StereoBuffer& out) {
    const long frames = gate + seconds(0.3f);
    Oscillator a, b;
    const float f = midiToHz(e.pitch);
    a.setFrequency(f);
    b.setFrequency(f * 1.004f);
    Adsr amp(0.002f, 0.22f, 0.15f, 0.12f, int(gate));
    Svf lp;
    float fenv = 1.0f;
    const float fenvMul = decayCoefficient(0.18f);
    renderMono(out, frames, e.pan, [&](long n) {
        if ((n & 7) == 0) lp.set(400.0f + (1200.0f + 5000.0f * e.param) * fenv, 2.2f);
        fenv *= fenvMul;
        lp.process(a.pulse(0.32f) * 0.6f + b.saw() * 0.4f);
        return lp.low * amp.next() * e.velocity * 0.6f;
    });
}

void lead(const NoteEvent& e, long gate, StereoBuffer& out) {
    const long frames = gate + seconds(0.4f);
    out = StereoBuffer(size_t(frames));
    const float f = midiToHz(e.pitch);
    const float cents[5] = {-19.0f, -8.0f, 0.0f, 9.0f, 18.0f};
    const float pans[5] = {-0.9f, -0.4f, 0.0f, 0.4f, 0.9f};
    Oscillator osc[5];
    PanGains g[5];
    float ratio[5];
    for (int i = 0; i < 5; ++i) {
        ratio[i] = std::exp2(cents[i] / 1200.0f);
        osc[i].setPhase(0.23f * float(i));
        g[i] = panGains(pans[i]);
    }
    Oscillator sub;
    sub.setFrequency(f * 0.5f);
    Adsr amp(0.012f, 0.35f, 0.7f, 0.3f, int(gate));
    Svf fl, fr;
    float fenv = 1.0f;
    const float fenvMul = decayCoefficient(0.5f);
    const long vibDelay = seconds(0.25f);
    for (long n = 0; n < frames; ++n) {
        if ((n & 15) == 0) {
            float vib = n > vibDelay ? std::min(1.0f, float(n - vibDelay) * kDt * 2.0f) : 0.0f;
            // About 15 cents of vibrato once the note has settled.
            float bend = std::exp2(0.0125f * vib * tableSin(float(n) * kDt * 5.2f));
            for (int i = 0; i < 5; ++i) osc[i].setFrequency(f * ratio[i] * bend);
            float c = 1400.0f + 3000.0f * e.param + 2500.0f * fenv;
            fl.set(c, 1.1f);
            fr.set(c * 1.02f, 1.1f);
        }
        fenv *= fenvMul;
        float l = 0.0f, r = 0.0f;
        for (int i = 0; i < 5; ++i) {
            float s = osc[i].saw();
            l += s * g[i].left;
            r += s * g[i].right;
        }
        float s = sub.sine() * 0.5f;
        fl.process(l * 0.35f + s);
        fr.process(r * 0.35f + s);
        float a = amp.next() * e.velocity * 0.55f;
        out.left[size_t(n)] = fl.low * a;
        out.right[size_t(n)] = fr.low * a;
    }
}

void stab(const NoteEvent& e, long gate, StereoBuffer& out) {
    const long frames = gate + seconds(0.35f);
    const float f = midiToHz(e.pitch);
    Oscillator partials[4], saw;
    for (int i = 0; i < 4; ++i) partials[i].setFrequency(f * float(i + 1));
    saw.setFrequency(f * 1.003f);
    Adsr amp(0.003f, 0.3f, 0.35f, 0.18f, int(gate));
    Svf lp;
    lp.set(900.0f + 2500.0f * e.param, 1.3f);
    renderMono(out, frames, e.pan, [&](long) {
        float organ = partials[0].sine() + 0.6f * partials[1].sine() + 0.35f * partials[2].sine() +
                      0.2f * partials[3].sine();
        lp.process(saw.saw());
        return (organ * 0.35f + lp.low * 0.35f) * amp.next() * e.velocity;
    });
}

void bell(const NoteEvent& e, long gate, StereoBuffer& out) {
    const float decay = 2.2f;
    const long frames = std::max(gate, seconds(decay));
    const float f = midiToHz(e.pitch);
    float pc = 0.0f, pm = 0.0f, env = 1.0f, idx = 1.0f;
    const float mul = decayCoefficient(decay), idxMul = decayCoefficient(0.9f);
    renderMono(out, frames, e.pan, [&](long n) {
        pm += f * 3.5f * kDt;
        pc += f * kDt;
        float v = tableSin(pc + 0.25f * (0.3f + 1.7f * idx) * tableSin(pm));
        idx *= idxMul;
        float a = env * (n < 60 ? float(n) / 60.0f : 1.0f);
        env *= mul;
        return v * a * e.velocity * 0.5f;
    });
}

void drone(const NoteEvent& e, long gate, StereoBuffer& out) {
    const long frames = gate + seconds(1.5f);
    out = StereoBuffer(size_t(frames));
    const float f = midiToHz(e.pitch);
    Adsr amp(1.5f, 2.0f, 0.85f, 1.2f, int(gate));
    float pc[2] = {0.0f, 0.0f}, pm[2] = {0.0f, 0.0f};
    const float modRatio[2] = {1.505f, 1.495f};
    Svf bp[2];
    for (long n = 0; n < frames; ++n) {
        float t = float(n) * kDt;
        if ((n & 31) == 0) {
            for (int ch = 0; ch < 2; ++ch)
                bp[ch].set(f * (4.0f + 3.0f * tableSin(t * 0.11f + 0.5f * float(ch))), 2.5f);
        }
        float idx = 0.8f + 0.7f * tableSin(t * 0.07f);
        float a = amp.next() * e.velocity * 0.5f;
        float v[2];
        for (int ch = 0; ch < 2; ++ch) {
            pm[ch] += f * modRatio[ch] * kDt;
            pc[ch] += f * kDt;
            float s = tableSin(pc[ch] + idx * tableSin(pm[ch]));
            bp[ch].process(s);
            v[ch] = (s * 0.4f + bp[ch].band * 0.9f) * a;
        }
        out.left[size_t(n)] = v[0];
        out.right[size_t(n)] = v[1];
    }
}

} // namespace

void renderVoice(const NoteEvent& note, long gateFrames, StereoBuffer& out) {
    gateFrames = std::max(1L, gateFrames);
    switch (note.voice) {
    case Voice::Kick: kick(note, out); break;
    case Voice::Snare: snare(note, out); break;
    case Voice::Clap: clap(note, out); break;
    case Voice::ClosedHat: hat(note, out, 0.045f + 0.04f * note.param); break;
    case Voice::OpenHat: hat(note, out, 0.3f); break;
    case Voice::Shaker: shaker(note, out); break;
    case Voice::Rim: rim(note, out); break;
    case Voice::Crash: crash(note, out); break;
    case Voice::Metal: metal(note, out, false); break;
    case Voice::Anvil: metal(note, out, true); break;
    case Voice::Boom: boom(note, out); break;
    case Voice::Riser: riser(note, gateFrames, out); break;
    case Voice::Bass: bass(note, gateFrames, out); break;
    case Voice::Pad: pad(note, gateFrames, out); break;
    case Voice::Arp: arp(note, gateFrames, out); break;
    case Voice::Lead: lead(note, gateFrames, out); break;
    case Voice::Stab: stab(note, gateFrames, out); break;
    case Voice::Bell: bell(note, gateFrames, out); break;
    case Voice::Drone: drone(note, gateFrames, out); break;
    }
}

} // namespace qmgen
