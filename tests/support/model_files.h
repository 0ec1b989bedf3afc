// model_files.h -- 3DS models written by the tests
#pragma once

#include <string>

// One untextured triangle at (x, 0, 0), (x + 1, 0, 0), (x, 1, 0), so that tests can tell models apart.
void write_triangle_model(const std::string& path, float x);
