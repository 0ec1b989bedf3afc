// gl_record.cpp -- records glBegin batches through the linker's --wrap
#include "support/gl_record.h"

#include <gtest/gtest.h>
#include <GL/gl.h>

#include <cmath>

extern "C" {
void __real_glBegin(GLenum mode);
void __real_glVertex3fv(const GLfloat* v);
void __real_glNormal3fv(const GLfloat* v);
void __real_glTexCoord2f(GLfloat s, GLfloat t);
}

namespace {

struct RecordState {
    bool on = false;                     // inside record_batches
    std::vector<RecordedBatch> batches;  // begun so far
    RecordedVertex next = {};            // the normal and texture coordinate of the next vertex
} s_record;

}  // namespace

extern "C" {

void __wrap_glBegin(GLenum mode) {
    if (s_record.on) {
        RecordedBatch b = {};
        glGetFloatv(GL_MODELVIEW_MATRIX, b.modelview.data());
        glGetFloatv(GL_CURRENT_COLOR, b.colour.data());
        b.lighting = glIsEnabled(GL_LIGHTING);
        b.blend = glIsEnabled(GL_BLEND);
        b.depth_test = glIsEnabled(GL_DEPTH_TEST);
        b.texture = glIsEnabled(GL_TEXTURE_2D);
        b.fog = glIsEnabled(GL_FOG);
        glGetIntegerv(GL_BLEND_DST, &b.blend_dst);
        s_record.batches.push_back(b);
    }
    __real_glBegin(mode);
}

void __wrap_glVertex3fv(const GLfloat* v) {
    if (s_record.on) {
        s_record.next.position = {v[0], v[1], v[2]};
        s_record.batches.back().vertices.push_back(s_record.next);
    }
    __real_glVertex3fv(v);
}

void __wrap_glNormal3fv(const GLfloat* v) {
    s_record.next.normal = {v[0], v[1], v[2]};
    __real_glNormal3fv(v);
}

void __wrap_glTexCoord2f(GLfloat s, GLfloat t) {
    s_record.next.texcoord = {s, t};
    __real_glTexCoord2f(s, t);
}

}  // extern "C"

std::vector<RecordedBatch> record_batches(const std::function<void()>& draw) {
    s_record.batches.clear();
    s_record.on = true;
    draw();
    s_record.on = false;
    std::erase_if(s_record.batches, [](const RecordedBatch& b) { return b.vertices.empty(); });
    return s_record.batches;
}

std::array<float, 16> matrix_after(const std::function<void()>& transform) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    transform();
    std::array<float, 16> m = {};
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    return m;
}

void expect_matrix_near(const std::array<float, 16>& actual, const std::array<float, 16>& expected, float tolerance) {
    for (size_t i = 0; i < 16; ++i) {
        if (!(std::fabs(actual[i] - expected[i]) <= tolerance)) {
            ADD_FAILURE() << "element " << i << " is " << actual[i] << ", expected " << expected[i];
            return;
        }
    }
}
