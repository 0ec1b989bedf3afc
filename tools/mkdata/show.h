// show.h -- the default show's timeline: tempo, scenes and the sections of its script
#pragma once

#include <string>
#include <vector>

// The music's grid, which every section time and sync time of the show is set on.
inline constexpr int kTempo = 125;                            // beats per minute
inline constexpr int kSampleRate = 44100;
inline constexpr int kSamplesPerBeat = kSampleRate * 60 / kTempo;  // 21168: 0.48 s exactly
inline constexpr int kBeatsPerBar = 4;
inline constexpr int kShowBars = 92;   // the last section ends here
inline constexpr int kMusicBars = 93;  // the music runs one bar longer, its tail
inline constexpr long kMusicFrames = long(kMusicBars) * kBeatsPerBar * kSamplesPerBeat;

inline constexpr double kBeat = double(kSamplesPerBeat) / kSampleRate;
inline constexpr double kBar = kBeat * kBeatsPerBar;

// The music file's name, loose and in the archive.
inline constexpr const char* kMusicPath = "music/varnel.mp3";

struct ShowSection {
    std::string type;
    double start = 0;
    double end = 0;
    int layer = 0;
    std::vector<double> syncs;
    std::string comment;  // written above the section in the script, when not empty
};

// Every section of the show, in script order (by scene, then start).
const std::vector<ShowSection>& show_sections();

// The script: configuration, then the sections. packed sets g_packeddata, the archive's own copy
// reading everything from data.dat.
std::string script_text(bool packed);
