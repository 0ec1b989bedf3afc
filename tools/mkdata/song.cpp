// song.cpp -- the arrangement: 93 bars in A minor at 125 beats a minute, scene by scene with the show
#include <vector>

#include "music.h"
#include "show.h"
#include "synth.h"

namespace {

struct Chord {
    int bass;
    std::vector<int> pad, arp;
};

const Chord kAm{33, {57, 60, 64, 69}, {69, 72, 76, 81}};
const Chord kF{29, {53, 57, 60, 65}, {65, 69, 72, 77}};
const Chord kC{36, {55, 60, 64, 67}, {67, 72, 76, 79}};
const Chord kG{31, {55, 59, 62, 67}, {67, 71, 74, 79}};
const Chord kDm{38, {57, 62, 65, 69}, {69, 74, 77, 81}};
const Chord kBb{34, {58, 62, 65, 70}, {70, 74, 77, 82}};
const Chord kE{40, {56, 59, 64, 68}, {68, 71, 76, 80}};
const Chord kEm{40, {55, 59, 64, 67}, {67, 71, 76, 79}};

const Chord* const kMain[4] = {&kAm, &kF, &kC, &kG};    // i VI III VII
const Chord* const kDark[4] = {&kDm, &kAm, &kBb, &kE};  // the heart's and the climax's turn
const Chord* const kAiry[4] = {&kF, &kAm, &kEm, &kG};   // breakdowns
const Chord* const kDread[2] = {&kAm, &kBb};            // the face: a semitone apart

enum Instrument : unsigned {
    kPad = 1u << 0,
    kKick = 1u << 1,
    kClap = 1u << 2,
    kHats8 = 1u << 3,
    kHats16 = 1u << 4,
    kOpenHat = 1u << 5,
    kBass8 = 1u << 6,
    kBass16 = 1u << 7,
    kBassLong = 1u << 8,
    kArp = 1u << 9,
    kArpSlow = 1u << 10,
    kLead = 1u << 11,
    kLeadHigh = 1u << 12,
    kLeadSlow = 1u << 13,
    kDrone = 1u << 14,
};

// A stretch of bars that plays the same parts over one chord progression.
struct Passage {
    int first, last;  // bars, last excluded
    const Chord* const* chords;
    int chord_count;
    int bars_per_chord;
    unsigned parts;
    float brightness;  // of the filters, 0 to 1
};

// Scene by scene, as show.cpp lays them out.
const Passage kPassages[] = {
    {0, 4, kMain, 4, 1, kPad | kDrone, 0.25f},                                                 // titles
    {4, 7, kMain, 4, 1, kPad | kArp, 0.35f},                                                   // fly-in
    {7, 9, kMain, 4, 1, kPad | kKick | kBass8 | kArp | kOpenHat, 0.55f},                       // landing, echo
    {9, 11, kMain, 4, 1, kPad | kKick | kClap | kHats8 | kBass8 | kArp, 0.6f},                 // tumble
    {11, 15, kDark, 4, 2, kPad, 0.25f},                                                        // heart
    {15, 17, kDark, 4, 2, kPad | kHats8, 0.3f},
    {17, 20, kDark, 4, 2, kPad | kHats8 | kClap, 0.35f},
    {20, 26, kMain, 4, 1, kPad | kKick | kClap | kHats16 | kOpenHat | kBass8 | kArp, 0.6f},   // stone
    {26, 28, kAiry, 4, 1, kPad | kBassLong | kLeadSlow, 0.45f},                               // the man
    {28, 32, kAiry, 4, 1, kPad | kBassLong | kLeadSlow | kHats8, 0.5f},
    {32, 36, kMain, 4, 1, kPad | kKick | kClap | kHats16 | kOpenHat | kBass16 | kArp, 0.7f},  // tunnel
    {36, 42, kMain, 4, 1, kPad | kKick | kClap | kHats16 | kOpenHat | kBass16 | kArp | kLead, 0.75f},
    {42, 44, kDark, 4, 1, kKick | kClap | kHats16 | kBass16 | kArp, 0.9f},
    {44, 46, kMain, 4, 1, kPad | kKick | kClap | kHats16 | kOpenHat | kBass16 | kArp | kLead, 0.85f},
    {46, 52, kAiry, 4, 1, kPad | kArpSlow | kDrone, 0.5f},                                     // desert
    {52, 56, kAiry, 4, 1, kPad | kArpSlow | kDrone, 0.35f},                                    // souls
    {56, 58, kMain, 4, 1, kPad | kKick | kHats8 | kBass8 | kArp, 0.55f},                       // ascension
    {58, 62, kMain, 4, 1, kPad | kKick | kClap | kHats8 | kBass8 | kArp, 0.6f},
    {62, 70, kMain, 4, 1, kPad | kKick | kClap | kHats16 | kOpenHat | kBass16 | kArp | kLeadHigh, 0.8f},  // mechanism
    {70, 72, kDark, 4, 1, kPad | kKick | kClap | kHats16 | kBass16 | kArp, 0.85f},
    {72, 78, kAiry, 4, 1, kPad | kKick | kHats8 | kBass8 | kArpSlow, 0.5f},                    // blue room
    {78, 82, kDread, 2, 1, kPad | kDrone, 0.2f},                                               // the face
    {82, 86, kMain, 4, 1, kPad | kKick | kClap | kHats16 | kOpenHat | kBass16 | kArp | kLeadHigh, 0.9f},  // final
    {86, 91, kMain, 4, 2, kPad | kArpSlow, 0.4f},                                              // credits
    {91, 93, kMain, 1, 2, kPad | kDrone, 0.3f},                                                // last chord
};

struct Note {
    float beat, length;
    int note;
};

// Four-bar melodies, one list per bar.
const std::vector<Note> kMelody[4] = {
    {{0, 1.5f, 76}, {1.5f, 0.5f, 74}, {2, 1, 72}, {3, 1, 69}},
    {{0, 1.5f, 72}, {1.5f, 0.5f, 69}, {2, 2, 65}},
    {{0, 1, 67}, {1, 1, 72}, {2, 1, 76}, {3, 1, 79}},
    {{0, 2, 74}, {2, 1, 71}, {3, 1, 67}},
};
const std::vector<Note> kMelodyHigh[4] = {
    {{0, 0.5f, 81}, {0.5f, 0.5f, 79}, {1, 1, 76}, {2, 0.5f, 81}, {2.5f, 0.5f, 84}, {3, 1, 83}},
    {{0, 1.5f, 81}, {1.5f, 0.5f, 77}, {2, 2, 72}},
    {{0, 0.5f, 79}, {0.5f, 0.5f, 76}, {1, 1, 72}, {2, 1, 76}, {3, 1, 79}},
    {{0, 3, 79}, {3, 1, 74}},
};
const std::vector<Note> kMelodySlow[4] = {
    {{0, 3, 69}, {3, 1, 72}},
    {{0, 4, 76}},
    {{0, 2, 71}, {2, 2, 67}},
    {{0, 4, 74}},
};

long at(double bar, double beat = 0) {
    return long((bar * kBeatsPerBar + beat) * kSamplesPerBeat);
}

void play_passage_bar(Mixer* mix, const Passage& p, int bar) {
    const int index = (bar - p.first) / p.bars_per_chord;
    const Chord& chord = *p.chords[index % p.chord_count];
    const bool chord_starts = (bar - p.first) % p.bars_per_chord == 0;
    const long beat = kSamplesPerBeat;
    const long sixteenth = beat / 4;

    if ((p.parts & kPad) && chord_starts) play_pad(mix, at(bar), beat * 4 * p.bars_per_chord, chord.pad, 0.6f, p.brightness);
    if ((p.parts & kDrone) && chord_starts) play_drone(mix, at(bar), beat * 4 * p.bars_per_chord, chord.bass, 0.7f);
    for (int b = 0; b < 4; ++b) {
        if (p.parts & kKick) play_kick(mix, at(bar, b), 1.0f);
        if ((p.parts & kClap) && (b == 1 || b == 3)) play_clap(mix, at(bar, b), 0.6f);
        if (p.parts & kOpenHat) play_hat(mix, at(bar, b + 0.5), 0.45f, true);
        if (p.parts & kHats8) {
            play_hat(mix, at(bar, b), 0.35f, false);
            play_hat(mix, at(bar, b + 0.5), 0.5f, false);
        }
        if (p.parts & kHats16) {
            for (int s = 0; s < 4; ++s) {
                if (s != 2 || !(p.parts & kOpenHat)) play_hat(mix, at(bar, b + 0.25 * s), s % 2 ? 0.3f : 0.45f, false);
            }
        }
        if (p.parts & kBass8) {
            play_bass(mix, at(bar, b + 0.5), beat / 2 - 400, chord.bass + 12, 0.8f, p.brightness);
        }
        if (p.parts & kBass16) {
            for (int s = 0; s < 4; ++s) {
                if (s == 0 && (p.parts & kKick)) continue;  // leave room for the kick
                play_bass(mix, at(bar, b + 0.25 * s), sixteenth - 300, chord.bass + (s == 3 ? 24 : 12), 0.75f, p.brightness);
            }
        }
        if (p.parts & kArp) {
            static const int pattern[8] = {0, 1, 2, 3, 2, 1, 0, 2};
            for (int s = 0; s < 4; ++s) {
                const int step = (b * 4 + s) % 8;
                play_pluck(mix, at(bar, b + 0.25 * s), chord.arp[size_t(pattern[step])], 0.6f, step % 2 ? 0.45f : -0.45f,
                           p.brightness);
            }
        }
        if (p.parts & kArpSlow) {
            static const int pattern[4] = {0, 2, 1, 3};
            for (int s = 0; s < 2; ++s) {
                play_pluck(mix, at(bar, b + 0.5 * s), chord.arp[size_t(pattern[(b * 2 + s) % 4])] - 12, 0.55f,
                           s ? 0.5f : -0.5f, p.brightness * 0.6f);
            }
        }
    }
    if ((p.parts & kBassLong) && chord_starts) play_bass(mix, at(bar), beat * 4 * p.bars_per_chord - 600, chord.bass + 12, 0.7f, 0.2f);
    const std::vector<Note>* melody = (p.parts & kLead) ? kMelody : (p.parts & kLeadHigh) ? kMelodyHigh
                                      : (p.parts & kLeadSlow)                              ? kMelodySlow
                                                                                           : nullptr;
    if (melody) {
        for (const Note& n : melody[(bar - p.first) % 4]) {
            play_lead(mix, at(bar, n.beat), long(n.length * float(beat)) - 800, n.note, 0.7f);
        }
    }
}

}  // namespace

std::vector<int16_t> render_song() {
    Mixer mix(kMusicFrames);
    for (const Passage& p : kPassages) {
        for (int bar = p.first; bar < p.last; ++bar) play_passage_bar(&mix, p, bar);
    }
    // The heart's 33 beats, from the second beat of bar 11 on, each with a low note under it.
    for (int k = 0; k < 33; ++k) {
        play_heartbeat(&mix, at(11, 2 + k), 1.0f);
        const int bar = 11 + (2 + k) / 4;
        const Chord& chord = *kDark[((bar - 11) / 2) % 4];
        play_bass(&mix, at(11, 2 + k), kSamplesPerBeat / 3, chord.bass + 12, 0.5f, 0.15f);
    }
    // The face: a slow heartbeat under the drone.
    for (int b = 2; b < 16; b += 2) play_heartbeat(&mix, at(78, b), 0.6f);
    // Crashes on the scenes' downbeats, and sweeps that lead into them.
    for (int bar : {7, 20, 22, 32, 42, 44, 56, 62, 66, 70, 75, 82}) play_crash(&mix, at(bar), 0.9f);
    play_riser(&mix, at(5), at(7) - at(5), 0.8f);
    play_riser(&mix, at(19, 2), at(20) - at(19, 2), 0.6f);
    play_riser(&mix, at(30), at(32) - at(30), 0.8f);
    play_riser(&mix, at(54), at(56) - at(54), 0.7f);
    play_riser(&mix, at(60), at(62) - at(60), 0.8f);
    play_riser(&mix, at(80), at(82) - at(80), 0.9f);
    // A clap roll up to the final scene's last bar.
    for (int s = 0; s < 16; ++s) play_clap(&mix, at(85, 0.25 * s), 0.25f + 0.03f * float(s));
    return master(&mix, long(kSamplesPerBeat) * 6);
}
