// timeline_strip.h -- the studio's strip along the bottom of the window: the sections by layer round the current time
#pragma once

// One row per layer in use, each section a bar labelled with its type and ticked at its sync times,
// the loop's points, the current time as a cursor, and the time and "paused" beside it; 40 seconds
// of the show, from 10 before the current time. Drawn in window pixels with the statistics font;
// the GL state is left as it was found. Allocates nothing.
void draw_timeline_strip(float time, bool paused, bool has_loop_start, float loop_start, bool has_loop_end,
                         float loop_end);

// The strip's height in pixels for the script's layers.
int timeline_strip_height();
