// skybox_draw.h -- a sky cube drawn round the camera without writing depth
#pragma once

struct Camera;
struct Skybox;

// Draws the cube centred on the camera's position on top of the current model-view matrix;
// leaves depth writes on, the model-view matrix as it was and every enable as it was.
void draw_skybox(const Skybox& skybox, const Camera& camera);
