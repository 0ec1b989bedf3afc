// contact_sheet.h -- a whole show at a glance: thumbnails of its frames in a grid, each captioned
#pragma once

#include <cstdint>
#include <vector>

struct Section;

// Demo times to take thumbnails at, ascending. With every > 0: the middle of each stretch of that
// length from start on. Otherwise the middle of each stretch between two section starts or ends
// that lasts at least a second. Only what lies between start and end counts.
std::vector<double> sheet_times(const Section* script, double start, double end, double every);

// Shrinks a frame (RGB, rows bottom first) to a thumbnail and keeps it, with its demo time and the
// names of the types of the active sections, in layer order.
void add_thumbnail(const uint8_t* bottom_up, int width, int height, double time, const Section* active);

// Lays the thumbnails out in rows with their captions under them and writes the sheet as PNG.
// The captions are drawn with the player's font through the GL context, so it runs after the last
// frame and before the context goes. False when the file cannot be written.
bool write_contact_sheet(const char* path);
