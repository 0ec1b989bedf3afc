// statistics.cpp -- formats and draws the statistics overlay into fixed buffers
#include "kernel/statistics.h"

#include <GL/gl.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/config.h"
#include "kernel/kernel.h"
#include "platform/music.h"
#include "platform/text.h"

namespace {

// Appends to what line holds; snprintf keeps the text inside size.
void append(char* line, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));

void append(char* line, size_t size, const char* format, ...) {
    const size_t used = strlen(line);
    if (used + 1 >= size) return;
    va_list args;
    va_start(args, format);
    vsnprintf(line + used, size - used, format, args);
    va_end(args);
}

struct StatisticsState {
    char line[kStatisticsLineSize];  // the line being drawn; the frame allocates nothing
} s_statistics;

}  // namespace

void format_statistics_line(char* line, size_t size) {
    snprintf(line, size, "frame %d, sec %.2f/%.2f, fps %.1f", g_kernel.frame_count, double(g_kernel.demo_time),
             double(g_kernel.demo_end), double(g_kernel.frame_rate));
    if (snd_enable) append(line, size, ", snd %.1f%%", double(music_cpu_usage()));
    append(line, size, ", krnl %.2fms/%.1f%%", double(g_kernel.kernel_time * 1000.0f), double(g_kernel.kernel_percent));
}

void format_pending_line(char* line, size_t size) {
    snprintf(line, size, "ready .");
    for (const Section* s = g_kernel.pending; s; s = s->next_pending) {
        append(line, size, "%s.", g_kernel.types[s->type].name);
    }
}

void format_active_line(char* line, size_t size, const Section& s) {
    snprintf(line, size, "%s (%d), sec %.2f/%.2f, rng %.2f/%.2f, cpu %.2fms/%.1f%%", g_kernel.types[s.type].name,
             s.layer, double(s.run_time), double(s.duration), double(s.start), double(s.end),
             double(s.cpu_time * 1000.0f), double(s.cpu_percent));
}

void draw_statistics() {
    char* line = s_statistics.line;
    begin_text_mode();
    glColor3ub(255, 255, 255);
    format_statistics_line(line, sizeof s_statistics.line);
    draw_text(2, 2, line);

    if (g_kernel.debug_lines) {
        glColor3ub(127, 255, 127);
        format_pending_line(line, sizeof s_statistics.line);
        draw_text(2, 22, line);

        glColor3ub(127, 127, 255);
        int y = 42;
        for (const Section* s = g_kernel.active; s; s = s->next_active, y += 20) {
            format_active_line(line, sizeof s_statistics.line, *s);
            draw_text(2, y, line);
        }
    }
    end_text_mode();
}

void draw_frame_rate() {
    begin_text_mode();
    glColor3ub(255, 255, 255);
    snprintf(s_statistics.line, sizeof s_statistics.line, "%.1f", double(g_kernel.frame_rate));
    // Drawn where it can be seen, in the corner of the summary line.
    draw_text(2, 2, s_statistics.line);
    end_text_mode();
}
