// statistics.h -- the statistics overlay: the summary line, the per-section lines, the frame rate
#pragma once

#include <cstddef>

struct Section;

inline constexpr size_t kStatisticsLineSize = 4096;

// "frame %d, sec %.2f/%.2f, fps %.1f", with sound ", snd %.1f%%", then ", krnl %.2fms/%.1f%%".
void format_statistics_line(char* line, size_t size);

// "ready ." and the type name of every pending section, each followed by a dot.
void format_pending_line(char* line, size_t size);

// "%s (%d), sec %.2f/%.2f, rng %.2f/%.2f, cpu %.2fms/%.1f%%" for one active section.
void format_active_line(char* line, size_t size, const Section& section);

// The summary line at (2, 2) and, with the debug lines switch on, the pending line at y = 22 and
// one line per active section from y = 42 upward. Leaves the projection matrix selected.
void draw_statistics();

// The frame rate alone, at (2, 2).
void draw_frame_rate();
