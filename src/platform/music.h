// music.h -- the soundtrack: an MP3 held in memory, played on the sound layer from a start time
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Starts the sound layer on the default output at 44100 Hz. Exits through fatal_error when it cannot.
void open_music_output();

// Keeps the MP3's bytes and opens the stream over them, positioned at start seconds. Exits through
// fatal_error when they are no MP3 or the position cannot be reached.
void open_music(std::vector<uint8_t> mp3, float start);

// Exits through fatal_error, with the message open_music would give, unless the bytes open as an MP3
// and their first frame decodes. Needs no sound output.
void check_music(const std::vector<uint8_t>& mp3);

// Plays the stream, paused on a free channel and then unpaused at once.
void start_music();

// Authoring mode's controls; each does nothing while no stream is open. Paused, the music is silent
// and keeps its place; a seek puts the next sample heard at seconds.
void pause_music(bool paused);
bool seek_music(float seconds);

// Opens a stream over new bytes at seconds, paused or not, and only then closes the old one: false,
// the old music still playing and why in words, when the bytes are no MP3.
bool replace_music(std::vector<uint8_t> mp3, float seconds, bool paused, const char** why);

// The sound layer's CPU usage in percent, for the statistics line.
float music_cpu_usage();

// Closes the stream, if one was opened, and the sound layer.
void close_music();

// A time in seconds as the whole milliseconds the stream is positioned by.
int music_time_ms(float seconds);

// The MP3 as kept, for a second stream over the same bytes; nullptr before open_music.
const uint8_t* music_data(size_t* length);
