// synth.cpp -- oscillators, filters, envelopes, the instruments built from them, and the effects
#include "synth.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kRate = 44100.0f;
constexpr float kTwoPi = 6.28318530718f;

// Band-limited step correction for the saw and square oscillators.
float polyblep(float t, float dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1;
    }
    if (t > 1 - dt) {
        t = (t - 1) / dt;
        return t * t + t + t + 1;
    }
    return 0;
}

struct Saw {
    float phase = 0;
    float next(float freq) {
        const float dt = freq / kRate;
        const float v = 2 * phase - 1 - polyblep(phase, dt);
        phase += dt;
        if (phase >= 1) phase -= 1;
        return v;
    }
};

struct Square {
    float phase = 0;
    float next(float freq, float width) {
        const float dt = freq / kRate;
        float v = phase < width ? 1.0f : -1.0f;
        v += polyblep(phase, dt);
        float shifted = phase - width;
        if (shifted < 0) shifted += 1;
        v -= polyblep(shifted, dt);
        phase += dt;
        if (phase >= 1) phase -= 1;
        return v;
    }
};

// A state-variable filter (trapezoidal): low, band and high outputs from one state. Sweeps set
// the cutoff every few samples (tune), which is finer than the ear can follow.
struct Svf {
    float ic1 = 0, ic2 = 0;
    float low = 0, band = 0, high = 0;
    float k = 1, a1 = 1, a2 = 0, a3 = 0;
    void tune(float cutoff, float q) {
        cutoff = std::clamp(cutoff, 20.0f, kRate * 0.45f);
        const float g = std::tan(3.14159265f * cutoff / kRate);
        k = 1 / q;
        a1 = 1 / (1 + g * (g + k)), a2 = g * a1, a3 = g * a2;
    }
    void run(float in) {
        const float v3 = in - ic2;
        const float v1 = a1 * ic1 + a2 * v3;
        const float v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2 * v1 - ic1;
        ic2 = 2 * v2 - ic2;
        low = v2, band = v1, high = in - k * v1 - v2;
    }
};

constexpr long kTuneEvery = 16;  // samples between cutoff updates of a sweeping filter

// Attack, then full until the note's length, then a release; 0 after it.
float envelope(long i, long length, float attack, float release) {
    const float t = float(i) / kRate;
    const float a = attack > 0 ? std::min(1.0f, t / attack) : 1.0f;
    if (i < length) return a;
    const float r = float(i - length) / kRate / release;
    return r >= 1 ? 0 : a * (1 - r) * (1 - r);
}

// Constant-power gains of a position from -1 (left) to 1 (right).
struct Pan {
    float l, r;
    explicit Pan(float pan) : l(std::sqrt(0.5f * (1 - pan))), r(std::sqrt(0.5f * (1 + pan))) {}
};

void put(Mixer* mix, long at, float v, Pan pan, float reverb = 0, float echo = 0) {
    if (at < 0 || at >= mix->frames()) return;
    const size_t i = size_t(at);
    const float l = pan.l, r = pan.r;
    mix->left[i] += v * l;
    mix->right[i] += v * r;
    mix->reverb[i] += v * reverb;
    mix->echo_l[i] += v * echo * l;
    mix->echo_r[i] += v * echo * r;
}

float white(Mixer* mix) {
    return mix->noise.uniform() * 2 - 1;
}

// A soft clipper close to tanh, cheaper, and the same on every machine.
float soft_clip(float x) {
    x = std::clamp(x, -3.0f, 3.0f);
    return x * (27 + x * x) / (27 + 9 * x * x);
}

// A decaying exponential, one multiplication a sample.
struct Decay {
    float value, factor;
    Decay(float start, float seconds) : value(start), factor(std::exp(-1.0f / (seconds * kRate))) {}
    float next() {
        const float v = value;
        value *= factor;
        return v;
    }
};

void thump(Mixer* mix, long at, float gain, float top, float bottom, float decay) {
    const long n = long(kRate * decay * 4);
    const Pan centre(0);
    float phase = 0;
    Decay sweep(top, 0.035f), amp(1, decay), click(0.25f, 0.002f);
    for (long i = 0; i < n; ++i) {
        const float t = float(i) / kRate;
        phase += (bottom + sweep.next()) / kRate;
        if (phase >= 1) phase -= 1;
        const float a = amp.next() * std::min(1.0f, t / 0.001f);
        const float c = white(mix) * click.next();
        put(mix, at + i, soft_clip(1.6f * std::sin(kTwoPi * phase) * a) * gain + c * gain, centre);
    }
}

}  // namespace

float midi_frequency(int note) {
    return 440.0f * std::pow(2.0f, float(note - 69) / 12.0f);
}

void play_kick(Mixer* mix, long at, float gain) {
    thump(mix, at, gain * 0.9f, 120, 46, 0.22f);
}

void play_heartbeat(Mixer* mix, long at, float gain) {
    thump(mix, at, gain * 0.85f, 70, 42, 0.16f);
    thump(mix, at + long(kRate * 0.17f), gain * 0.55f, 60, 40, 0.14f);
}

void play_clap(Mixer* mix, long at, float gain) {
    Svf bp;
    bp.tune(1300, 1.2f);
    const Pan pan(0.1f);
    const long n = long(kRate * 0.5f);
    Decay tail(0.55f, 0.12f);
    Decay bursts[3] = {Decay(1, 0.006f), Decay(1, 0.006f), Decay(1, 0.006f)};
    const long starts[3] = {0, long(kRate * 0.011f), long(kRate * 0.023f)};
    for (long i = 0; i < n; ++i) {
        float env = tail.next();
        for (int b = 0; b < 3; ++b) {
            if (i >= starts[b]) env += bursts[b].next();
        }
        bp.run(white(mix));
        put(mix, at + i, bp.band * env * gain * 0.9f, pan, 0.35f);
    }
}

void play_hat(Mixer* mix, long at, float gain, bool open) {
    Svf hp;
    hp.tune(7500, 0.9f);
    const Pan pan(0.35f);
    const float decay = open ? 0.18f : 0.035f;
    const long n = long(kRate * decay * 5);
    Decay env(gain * 0.32f, decay);
    for (long i = 0; i < n; ++i) {
        hp.run(white(mix));
        put(mix, at + i, hp.high * env.next(), pan, 0.05f);
    }
}

void play_crash(Mixer* mix, long at, float gain) {
    Svf hp;
    hp.tune(4800, 0.7f);
    const Pan left(-0.25f), right(0.4f);
    Square ring[3];
    const float partials[3] = {412, 587, 829};
    const long n = long(kRate * 2.8f);
    Decay fade(1, 0.7f);
    for (long i = 0; i < n; ++i) {
        const float t = float(i) / kRate;
        hp.run(white(mix));
        float metal = 0;
        for (int k = 0; k < 3; ++k) metal += ring[k].next(partials[k] * 3.01f, 0.5f);
        const float env = fade.next() * std::min(1.0f, t / 0.002f);
        const float v = (hp.high * 0.8f + metal * 0.04f) * env * gain * 0.35f;
        put(mix, at + i, v, left, 0.3f);
        put(mix, at + i, v * 0.8f, right);
    }
}

void play_bass(Mixer* mix, long at, long length, int note, float gain, float brightness) {
    Saw saw;
    Svf lp;
    float sub_phase = 0;
    const Pan centre(0);
    const float f = midi_frequency(note);
    const long n = length + long(kRate * 0.04f);
    for (long i = 0; i < n; ++i) {
        const float t = float(i) / kRate;
        const float env = envelope(i, length, 0.004f, 0.035f);
        if (i % kTuneEvery == 0) lp.tune(120 + (300 + 1800 * brightness) * std::exp(-t / 0.09f) + 200 * brightness, 1.4f);
        lp.run(saw.next(f));
        sub_phase += f / kRate;
        if (sub_phase >= 1) sub_phase -= 1;
        const float sub = std::sin(kTwoPi * sub_phase);
        put(mix, at + i, (lp.low * 0.55f + sub * 0.5f) * env * gain * 0.5f, centre);
    }
}

void play_pad(Mixer* mix, long at, long length, const std::vector<int>& notes, float gain, float brightness) {
    const long n = std::min(length + long(kRate * 1.6f), mix->frames() - at);
    const float detune[3] = {-0.011f, 0.0f, 0.012f};
    const Pan pan[3] = {Pan(-0.7f), Pan(0.0f), Pan(0.7f)};
    for (size_t k = 0; k < notes.size(); ++k) {
        Saw saws[3];
        for (int v = 0; v < 3; ++v) saws[v].phase = float((k * 3 + size_t(v)) % 7) / 7.0f;
        Svf lp[3];
        const float f = midi_frequency(notes[k]);
        float* left = mix->left.data() + at;
        float* right = mix->right.data() + at;
        float* reverb = mix->reverb.data() + at;
        for (long i = 0; i < n; ++i) {
            const float t = float(i) / kRate;
            const float env = envelope(i, length, 0.7f, 1.5f) * gain * 0.12f;
            if (i % kTuneEvery == 0) {
                const float cutoff = (500 + 1400 * brightness) * (1 + 0.25f * std::sin(kTwoPi * 0.15f * t + float(k)));
                for (Svf& filter : lp) filter.tune(cutoff, 0.8f);
            }
            // Three detuned saws spread across the stereo field.
            float l = 0, r = 0, sum = 0;
            for (int v = 0; v < 3; ++v) {
                lp[v].run(saws[v].next(f * (1 + detune[v])));
                const float x = lp[v].low * env;
                l += x * pan[v].l;
                r += x * pan[v].r;
                sum += x;
            }
            left[i] += l;
            right[i] += r;
            reverb[i] += sum * 0.5f;
        }
    }
}

void play_pluck(Mixer* mix, long at, int note, float gain, float pan, float brightness) {
    Saw saw;
    Square sq;
    Svf lp;
    const Pan side(pan);
    Decay fade(1, 0.14f);
    const float f = midi_frequency(note);
    const long n = long(kRate * 0.45f);
    for (long i = 0; i < n; ++i) {
        const float t = float(i) / kRate;
        const float env = fade.next() * std::min(1.0f, t / 0.002f);
        if (i % kTuneEvery == 0) lp.tune(400 + 4200 * brightness * std::exp(-t / 0.07f), 2.0f);
        lp.run(saw.next(f) * 0.6f + sq.next(f * 2.0f, 0.3f) * 0.25f);
        put(mix, at + i, lp.low * env * gain * 0.22f, side, 0.2f, 0.45f);
    }
}

void play_lead(Mixer* mix, long at, long length, int note, float gain) {
    Square sq;
    Saw saw;
    Svf lp;
    const Pan pan(-0.15f);
    const float f = midi_frequency(note);
    const long n = length + long(kRate * 0.25f);
    for (long i = 0; i < n; ++i) {
        const float t = float(i) / kRate;
        const float vibrato = 1 + 0.006f * std::sin(kTwoPi * 5.5f * t) * std::min(1.0f, std::max(0.0f, t - 0.15f) * 4);
        const float env = envelope(i, length, 0.015f, 0.22f);
        const float width = 0.3f + 0.15f * std::sin(kTwoPi * 0.8f * t);
        if (i % kTuneEvery == 0) lp.tune(2600 + 800 * std::exp(-t / 0.2f), 1.0f);
        lp.run(sq.next(f * vibrato, width) * 0.5f + saw.next(f * vibrato * 1.003f) * 0.5f);
        put(mix, at + i, lp.low * env * gain * 0.16f, pan, 0.35f, 0.3f);
    }
}

void play_drone(Mixer* mix, long at, long length, int note, float gain) {
    Saw saw;
    Svf lp, bp;
    const float f = midi_frequency(note);
    float phase = 0;
    const long n = length + long(kRate * 2.0f);
    for (long i = 0; i < n; ++i) {
        const float t = float(i) / kRate;
        const float env = envelope(i, length, 1.5f, 2.0f);
        phase += f / kRate;
        if (phase >= 1) phase -= 1;
        if (i % kTuneEvery == 0) {
            lp.tune(180 + 120 * std::sin(kTwoPi * 0.07f * t), 1.5f);
            bp.tune(300 + 200 * std::sin(kTwoPi * 0.05f * t), 2.0f);
        }
        lp.run(saw.next(f * 1.002f));
        bp.run(white(mix));
        const float v = (std::sin(kTwoPi * phase) * 0.5f + lp.low * 0.4f + bp.band * 0.15f) * env * gain * 0.35f;
        put(mix, at + i, v, Pan(std::sin(kTwoPi * 0.03f * t) * 0.4f), 0.4f);
    }
}

void play_riser(Mixer* mix, long at, long length, float gain) {
    Svf bp;
    Saw saw;
    for (long i = 0; i < length; ++i) {
        const float x = float(i) / float(length);
        if (i % kTuneEvery == 0) bp.tune(300 * std::pow(20.0f, x), 2.5f);
        bp.run(white(mix));
        const float tone = saw.next(110 * std::pow(4.0f, x)) * 0.15f;
        const float env = x * x;
        put(mix, at + i, (bp.band * 0.9f + tone) * env * gain * 0.45f, Pan(std::sin(x * 12) * 0.5f), 0.4f);
    }
}

std::vector<int16_t> master(Mixer* mix, long fade_out_frames) {
    const long n = mix->frames();
    // Reverb: four damped combs and two all-passes per side, on the mono send.
    {
        const int combs[4] = {1116, 1188, 1277, 1356};
        const int passes[2] = {556, 441};
        for (int side = 0; side < 2; ++side) {
            const int spread = side ? 23 : 0;
            std::vector<float> wet(size_t(n), 0.0f);
            for (int c : combs) {
                const size_t d = size_t(c + spread);
                std::vector<float> line(d, 0.0f);
                size_t pos = 0;
                float damp = 0;
                for (long i = 0; i < n; ++i) {
                    const float out = line[pos];
                    damp = out * 0.6f + damp * 0.4f;
                    line[pos] = mix->reverb[size_t(i)] * 0.25f + damp * 0.84f;
                    pos = pos + 1 == d ? 0 : pos + 1;
                    wet[size_t(i)] += out;
                }
            }
            for (int p : passes) {
                const size_t d = size_t(p + spread);
                std::vector<float> line(d, 0.0f);
                size_t pos = 0;
                for (long i = 0; i < n; ++i) {
                    const float buffered = line[pos];
                    const float in = wet[size_t(i)];
                    line[pos] = in + buffered * 0.5f;
                    wet[size_t(i)] = buffered - in;
                    pos = pos + 1 == d ? 0 : pos + 1;
                }
            }
            std::vector<float>& out = side ? mix->right : mix->left;
            for (long i = 0; i < n; ++i) out[size_t(i)] += wet[size_t(i)] * 0.3f;
        }
    }
    // Ping-pong delay of three sixteenths (0.36 s), each repeat darker than the last.
    {
        const size_t d = size_t(kRate * 0.36f);
        std::vector<float> line_l(d, 0.0f), line_r(d, 0.0f);
        size_t pos = 0;
        float tone_l = 0, tone_r = 0;
        for (long i = 0; i < n; ++i) {
            const float out_l = line_l[pos], out_r = line_r[pos];
            tone_l = tone_l * 0.5f + out_r * 0.5f;
            tone_r = tone_r * 0.5f + out_l * 0.5f;
            line_l[pos] = mix->echo_l[size_t(i)] + tone_l * 0.42f;
            line_r[pos] = mix->echo_r[size_t(i)] * 0.3f + tone_r * 0.42f;
            pos = pos + 1 == d ? 0 : pos + 1;
            mix->left[size_t(i)] += out_l * 0.5f;
            mix->right[size_t(i)] += out_r * 0.5f;
        }
    }
    // DC removal, saturation, fades, and the peak just under full scale.
    float peak = 1e-6f;
    float prev_in_l = 0, prev_in_r = 0, prev_out_l = 0, prev_out_r = 0;
    for (long i = 0; i < n; ++i) {
        float& l = mix->left[size_t(i)];
        float& r = mix->right[size_t(i)];
        const float hl = l - prev_in_l + 0.9965f * prev_out_l;
        const float hr = r - prev_in_r + 0.9965f * prev_out_r;
        prev_in_l = l, prev_in_r = r, prev_out_l = hl, prev_out_r = hr;
        float fade = std::min(1.0f, float(i) / (kRate * 0.05f));
        if (i > n - fade_out_frames) fade *= float(n - i) / float(fade_out_frames);
        l = std::tanh(hl * 0.95f) * fade;
        r = std::tanh(hr * 0.95f) * fade;
        peak = std::max(peak, std::max(std::fabs(l), std::fabs(r)));
    }
    const float scale = 0.89f / peak * 32767.0f;
    std::vector<int16_t> pcm(size_t(n) * 2);
    for (long i = 0; i < n; ++i) {
        pcm[size_t(i) * 2] = int16_t(std::lround(std::clamp(mix->left[size_t(i)] * scale, -32767.0f, 32767.0f)));
        pcm[size_t(i) * 2 + 1] = int16_t(std::lround(std::clamp(mix->right[size_t(i)] * scale, -32767.0f, 32767.0f)));
    }
    return pcm;
}
