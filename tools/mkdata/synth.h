// synth.h -- the soundtrack's instruments and effects: drums, bass, pads, plucks, lead, sweeps
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "rng.h"

// Stereo buses the instruments play into, sample by sample at 44100 Hz; the effects and the master
// stage then make the final mix from them.
struct Mixer {
    std::vector<float> left, right;     // dry
    std::vector<float> reverb;          // mono send to the reverb
    std::vector<float> echo_l, echo_r;  // sends to the ping-pong delay
    Rng noise{0x5EED};                  // every noise burst draws from here, in order

    explicit Mixer(long frames)
        : left(size_t(frames)), right(size_t(frames)), reverb(size_t(frames)), echo_l(size_t(frames)), echo_r(size_t(frames)) {}
    long frames() const { return long(left.size()); }
};

float midi_frequency(int note);

// Drums. at is the first sample; gain about 1 for a full hit.
void play_kick(Mixer* mix, long at, float gain);
void play_heartbeat(Mixer* mix, long at, float gain);  // a soft double thump, "lub-dub"
void play_clap(Mixer* mix, long at, float gain);
void play_hat(Mixer* mix, long at, float gain, bool open);
void play_crash(Mixer* mix, long at, float gain);

// Pitched voices: a start sample, a length in samples (the release follows it), a note.
void play_bass(Mixer* mix, long at, long length, int note, float gain, float brightness);
void play_pad(Mixer* mix, long at, long length, const std::vector<int>& notes, float gain, float brightness);
void play_pluck(Mixer* mix, long at, int note, float gain, float pan, float brightness);
void play_lead(Mixer* mix, long at, long length, int note, float gain);
void play_drone(Mixer* mix, long at, long length, int note, float gain);

// A noise sweep rising over its length, into the next downbeat.
void play_riser(Mixer* mix, long at, long length, float gain);

// Runs the reverb and the delay over their sends, adds them to the dry mix, removes any DC,
// saturates gently, fades in the first beats and out the last bar, and scales the peak just
// below full scale. Returns interleaved 16-bit stereo.
std::vector<int16_t> master(Mixer* mix, long fade_out_frames);
