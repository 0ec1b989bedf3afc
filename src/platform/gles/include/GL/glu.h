// GL/glu.h -- in the build over OpenGL ES 2.0, the engine's GLU calls reach the layer's functions by these names
#pragma once

#include "platform/gles/gl11.h"

#define gluBuild2DMipmaps gles_gluBuild2DMipmaps
#define gluLookAt gles_gluLookAt
#define gluOrtho2D gles_gluOrtho2D
#define gluPerspective gles_gluPerspective
