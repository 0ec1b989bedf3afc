// light.h -- setting one fixed-function light's colours and position in one call
#pragma once

#include <GL/gl.h>

// The position goes through the model-view matrix current at the call, as GL does it.
inline void set_light(GLenum light, const GLfloat ambient[4], const GLfloat diffuse[4], const GLfloat specular[4],
                      const GLfloat position[4]) {
    glLightfv(light, GL_AMBIENT, ambient);
    glLightfv(light, GL_DIFFUSE, diffuse);
    glLightfv(light, GL_SPECULAR, specular);
    glLightfv(light, GL_POSITION, position);
}
