// camera.h -- the camera record and how it loads the projection and model-view matrices
#pragma once

#include <cstdint>

struct Camera {
    uint8_t mode = 0;                   // 0: free (position and angles); otherwise look-at
    float position[3] = {0, 0, 0};      // eye, world units
    float target[3] = {0, 0, 0};        // point looked at, look-at cameras only
    float roll = 0.0f;                  // degrees about the viewing axis
    float angles[3] = {0, 0, 0};        // degrees about x, y and z, applied in eye space
    float fov = 0.0f;                   // vertical field of view, degrees
    float aspect = 0.0f;                // width / height
    float near = 0.1f;                  // clipping distances
    float far = 100.0f;
};

Camera create_camera(uint8_t mode);
void set_position(Camera* camera, float x, float y, float z);
void set_target(Camera* camera, float x, float y, float z);
void set_roll(Camera* camera, float degrees);
void set_angles(Camera* camera, float x, float y, float z);
void set_field_of_view(Camera* camera, float degrees, float aspect);

// A look-at camera (mode 1) at the display's aspect, from position p looking at target t.
Camera create_look_at_camera(float px, float py, float pz, float tx, float ty, float tz, float fov, float roll);

// Loads gluPerspective(fov, aspect, near, far) into the projection matrix; leaves it selected.
void apply_projection(const Camera& camera);

// Loads the camera's view into the model-view matrix and leaves it selected: roll (when not
// exactly 0), the angles about x, z and y, then the translation or the look-at with y up.
void apply_camera(const Camera& camera);
