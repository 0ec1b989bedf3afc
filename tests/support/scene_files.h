// scene_files.h -- the data files of the model and skybox effects, written for the tests
#pragma once

// Small stand-ins for every file that "varnelBump", "redExplosion", "hombre", "marspanorama",
// "fallingman" and "horrorface" load, in the working directory: boxes for the models.
void write_effect_files();
