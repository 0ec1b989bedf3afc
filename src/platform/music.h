// music.h -- the soundtrack: the MP3 read whole into memory and played from g_demostart
#pragma once

#include <cstddef>
#include <cstdint>

// Starts the sound layer and opens the stream of snd_mp3file (from data.dat with g_packeddata),
// positioned at g_demostart. Exits through fatal_error on any failure.
void open_music();

// Plays the stream, paused on a free channel and then unpaused at once.
void start_music();

// The sound layer's CPU usage in percent, for the statistics line.
float music_cpu_usage();

// Closes the stream, if one was opened, and the sound layer.
void close_music();

// g_demostart in whole milliseconds, where the stream starts.
int music_start_ms();

// The MP3 as read, for a second stream over the same bytes; nullptr before open_music.
const uint8_t* music_data(size_t* length);
