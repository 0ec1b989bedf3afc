// flash_report.h -- every frame of a run through the flash meter; the failing seconds and a verdict, as JSON
#pragma once

#include <cstdint>

// Starts a report on frames of width x height; expected_frames sizes its record of frames, which
// grows only past that.
void begin_flash_report(int width, int height, int expected_frames);

// One frame shown at demo time t: width x height RGB8 pixels, rows in either order.
void add_flash_frame(const uint8_t* rgb, double t);

// The frame on screen, read back from the back buffer before the swap, then added.
void add_flash_frame_read_back(double t);

// Whether no second of the frames added holds more than three general or red flashes.
bool flash_report_passes();

// The report as JSON: the rules, the counts, every failing second (consecutive ones joined into
// stretches) with its demo times and the script's sections active then, and the verdict. False
// when the file cannot be written.
bool write_flash_report(const char* path, int fps, bool gentle);

// One line on standard output: the verdict, the frames, the failing seconds and the most flashes.
void print_flash_summary(const char* program);
