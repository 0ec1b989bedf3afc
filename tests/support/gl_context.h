// gl_context.h -- one offscreen window and GL context for the tests of a process, and pixel reading
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

inline constexpr int kTestWidth = 160;
inline constexpr int kTestHeight = 120;

// Opens the player's window, windowed at width x height on SDL's offscreen driver, once per
// process; later calls only make sure it is open. Fails the test when it cannot be had.
void open_test_graphics(int width = kTestWidth, int height = kTestHeight);

// The colour at window pixel (x, y), origin bottom left, from the back buffer.
std::array<int, 3> read_pixel(int x, int y);

// How many pixels of row y, origin bottom left, have exactly this colour.
int count_in_row(int y, std::array<int, 3> colour);

// The 16 values of a GL matrix (GL_PROJECTION_MATRIX, GL_MODELVIEW_MATRIX), column by column.
std::array<float, 16> read_matrix(unsigned name);

// A polygon as GL's feedback mode reports it: window coordinates and colour of each vertex.
struct FeedbackPolygon {
    std::vector<std::array<float, 3>> positions;
    std::vector<std::array<float, 4>> colours;
    float min_x() const;
    float max_x() const;
    float min_y() const;
    float max_y() const;
};

// The polygons that draw() sends through GL, transformed and clipped but not drawn; the buffer holds
// buffer_floats values, 23 to a triangle.
std::vector<FeedbackPolygon> capture_polygons(const std::function<void()>& draw, size_t buffer_floats = 1 << 16);
