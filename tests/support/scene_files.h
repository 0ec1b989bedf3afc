// scene_files.h -- models and data files that the effect tests write
#pragma once

#include <string>

// One untextured triangle at (x, 0, 0), (x + 1, 0, 0), (x, 1, 0), so that tests can tell models apart.
void write_triangle_model(const std::string& path, float x);

// Small stand-ins for every file that "varnelBump", "redExplosion", "hombre", "marspanorama",
// "fallingman" and "horrorface" load, in the working directory: boxes for the models.
void write_effect_files();
