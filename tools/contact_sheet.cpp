// contact_sheet.cpp -- picks a show's thumbnail times, keeps the thumbnails, lays them out with captions
#include "contact_sheet.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "kernel/section.h"
#include "platform/text.h"
#include "platform/window.h"
#include "resources/png_writer.h"

namespace {

constexpr int kThumbMaxWidth = 256;  // frames wider than this are shrunk by a whole factor
constexpr int kSheetMaxWidth = 1600;  // columns are added while the sheet stays within this
constexpr int kGap = 8;              // pixels around and between the cells
constexpr int kLineHeight = 17;      // one caption line of the 15-pixel font
constexpr int kBaseline = 4;         // from the bottom of a caption line
constexpr uint8_t kBackground[3] = {40, 40, 40};
constexpr uint8_t kTimeColour[3] = {235, 235, 235};
constexpr uint8_t kNamesColour[3] = {160, 190, 220};

struct Thumbnail {
    double time = 0.0;         // demo time of the frame
    std::string names;         // the active types, ", " between them
    std::vector<uint8_t> rgb;  // rows top first
};

struct SheetState {
    int width = 0;                      // of every thumbnail
    int height = 0;
    std::vector<Thumbnail> thumbnails;  // in the order taken, which is ascending time
} s_sheet;

// Breaks text at the spaces after its commas so that no line is wider than width where it can
// help it; a single name wider than that stands alone on its line.
std::vector<std::string> wrap_names(const std::string& names, int width) {
    std::vector<std::string> lines;
    std::string line;
    size_t at = 0;
    while (at < names.size()) {
        size_t next = names.find(", ", at);
        next = next == std::string::npos ? names.size() : next + 1;
        const std::string word = names.substr(at, next - at);
        const std::string longer = line.empty() ? word : line + " " + word;
        if (!line.empty() && text_width(longer.c_str()) > width) {
            lines.push_back(line);
            line = word;
        } else {
            line = longer;
        }
        at = next < names.size() ? next + 1 : next;
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

// Draws one line of text on the background at the bottom left of the back buffer and copies what
// covers a cell's width into the sheet, rows top first, with its top at (x, y).
void draw_caption_line(const std::string& text, const uint8_t colour[3], std::vector<uint8_t>* sheet, int sheet_width,
                       int x, int y) {
    const int width = std::min(s_sheet.width, g_display.width);
    const int height = std::min(kLineHeight, g_display.height);
    glClearColor(kBackground[0] / 255.0f, kBackground[1] / 255.0f, kBackground[2] / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    begin_text_mode();
    glColor3ub(colour[0], colour[1], colour[2]);
    draw_text(0, kBaseline, text.c_str());
    end_text_mode();

    std::vector<uint8_t> line(size_t(width) * size_t(height) * 3);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, line.data());
    for (int row = 0; row < height; ++row) {
        const uint8_t* src = line.data() + size_t(height - 1 - row) * size_t(width) * 3;
        std::copy(src, src + size_t(width) * 3, sheet->data() + (size_t(y + row) * size_t(sheet_width) + size_t(x)) * 3);
    }
}

}  // namespace

std::vector<double> sheet_times(const Section* script, double start, double end, double every) {
    std::vector<double> times;
    if (every > 0.0) {
        for (double a = start; a < end; a += every) times.push_back((a + std::min(a + every, end)) / 2.0);
        return times;
    }
    std::vector<double> bounds = {start, end};
    for (const Section* s = script; s; s = s->next_script) {
        for (const double t : {double(s->start), double(s->end)}) {
            if (t > start && t < end) bounds.push_back(t);
        }
    }
    std::sort(bounds.begin(), bounds.end());
    for (size_t i = 1; i < bounds.size(); ++i) {
        // Script times are floats: 1.96f - 0.96f falls just short of a second.
        if (bounds[i] - bounds[i - 1] >= 1.0 - 1e-4) times.push_back((bounds[i - 1] + bounds[i]) / 2.0);
    }
    return times;
}

void add_thumbnail(const uint8_t* bottom_up, int width, int height, double time, const Section* active) {
    const int factor = (width + kThumbMaxWidth - 1) / kThumbMaxWidth;
    s_sheet.width = std::max(1, width / factor);
    s_sheet.height = std::max(1, height / factor);

    Thumbnail thumb;
    thumb.time = time;
    bool named[kSectionTypeCount] = {};
    for (const Section* s = active; s; s = s->next_active) {
        if (named[s->type]) continue;
        named[s->type] = true;
        thumb.names += (thumb.names.empty() ? "" : ", ") + std::string(kSectionTypes[s->type].name);
    }

    // Each thumbnail pixel is the mean of a factor x factor block.
    thumb.rgb.resize(size_t(s_sheet.width) * size_t(s_sheet.height) * 3);
    const int area = factor * factor;
    for (int y = 0; y < s_sheet.height; ++y) {
        for (int x = 0; x < s_sheet.width; ++x) {
            int sum[3] = {};
            for (int dy = 0; dy < factor; ++dy) {
                const uint8_t* src = bottom_up + (size_t(height - 1 - (y * factor + dy)) * size_t(width) + size_t(x * factor)) * 3;
                for (int i = 0; i < factor * 3; ++i) sum[i % 3] += src[i];
            }
            uint8_t* dst = thumb.rgb.data() + (size_t(y) * size_t(s_sheet.width) + size_t(x)) * 3;
            for (int c = 0; c < 3; ++c) dst[c] = uint8_t((sum[c] + area / 2) / area);
        }
    }
    s_sheet.thumbnails.push_back(std::move(thumb));
}

bool write_contact_sheet(const char* path) {
    const int count = int(s_sheet.thumbnails.size());
    const int cell_width = s_sheet.width + kGap;
    const int columns = std::clamp((kSheetMaxWidth - kGap) / std::max(1, cell_width), 1, std::max(1, count));
    const int rows = (count + columns - 1) / columns;

    std::vector<std::vector<std::string>> names(s_sheet.thumbnails.size());
    int name_lines = 0;
    for (int i = 0; i < count; ++i) {
        names[size_t(i)] = wrap_names(s_sheet.thumbnails[size_t(i)].names, s_sheet.width);
        name_lines = std::max(name_lines, int(names[size_t(i)].size()));
    }
    const int cell_height = s_sheet.height + 2 + (1 + name_lines) * kLineHeight + kGap;
    const int sheet_width = kGap + columns * cell_width;
    const int sheet_height = kGap + std::max(1, rows) * cell_height;
    std::vector<uint8_t> sheet(size_t(sheet_width) * size_t(sheet_height) * 3);
    for (size_t i = 0; i < sheet.size(); ++i) sheet[i] = kBackground[i % 3];

    // Whatever the last frame left in the GL state, the captions want plain coloured bitmaps.
    glViewport(0, 0, g_display.width, g_display.height);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_STENCIL_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);

    for (int i = 0; i < count; ++i) {
        const Thumbnail& thumb = s_sheet.thumbnails[size_t(i)];
        const int x = kGap + (i % columns) * cell_width;
        int y = kGap + (i / columns) * cell_height;
        for (int row = 0; row < s_sheet.height; ++row) {
            const uint8_t* src = thumb.rgb.data() + size_t(row) * size_t(s_sheet.width) * 3;
            std::copy(src, src + size_t(s_sheet.width) * 3,
                      sheet.data() + (size_t(y + row) * size_t(sheet_width) + size_t(x)) * 3);
        }
        y += s_sheet.height + 2;
        char time[32];
        snprintf(time, sizeof time, "%.2f s", thumb.time);
        draw_caption_line(time, kTimeColour, &sheet, sheet_width, x, y);
        for (const std::string& line : names[size_t(i)]) {
            y += kLineHeight;
            draw_caption_line(line, kNamesColour, &sheet, sheet_width, x, y);
        }
    }
    return write_png(path, sheet_width, sheet_height, sheet.data());
}
