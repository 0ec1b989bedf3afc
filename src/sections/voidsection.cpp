// voidsection.cpp -- "voidSection": clears colour to black and depth, since the kernel never clears
#include <GL/gl.h>

#include "sections/sections.h"

void voidsection_render() {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}
