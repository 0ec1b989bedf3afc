// gl_record.cpp -- records glBegin batches and glDrawElements calls through the linker's --wrap
#include "support/gl_record.h"

#include <gtest/gtest.h>
#include <GL/gl.h>

#include <cmath>

extern "C" {
void __real_glBegin(GLenum mode);
void __real_glVertex3fv(const GLfloat* v);
void __real_glNormal3fv(const GLfloat* v);
void __real_glTexCoord2f(GLfloat s, GLfloat t);
void __real_glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices);
}

namespace {

struct RecordState {
    bool on = false;                     // inside record_batches
    std::vector<RecordedBatch> batches;  // begun so far
    RecordedVertex next = {};            // the normal and texture coordinate of the next vertex
} s_record;

// A new batch with the state it begins in.
void begin_batch() {
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

// One float attribute of vertex i of an enabled client array.
void read_array(GLenum pointer, GLenum stride_name, int size, GLuint i, float* out) {
    void* base = nullptr;
    GLint stride = 0;
    glGetPointerv(pointer, &base);
    glGetIntegerv(stride_name, &stride);
    const size_t step = stride ? size_t(stride) : size_t(size) * sizeof(float);
    const float* v = reinterpret_cast<const float*>(static_cast<const char*>(base) + i * step);
    for (int k = 0; k < size; ++k) out[k] = v[k];
}

}  // namespace

extern "C" {

void __wrap_glBegin(GLenum mode) {
    if (s_record.on) begin_batch();
    __real_glBegin(mode);
}

// Float arrays and 32-bit indices, as the grain field sends them, recorded like a glBegin batch.
void __wrap_glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices) {
    if (s_record.on) {
        begin_batch();
        EXPECT_EQ(type, GLenum(GL_UNSIGNED_INT));
        for (GLsizei n = 0; n < count; ++n) {
            const GLuint i = static_cast<const GLuint*>(indices)[n];
            RecordedVertex v = {};
            read_array(GL_VERTEX_ARRAY_POINTER, GL_VERTEX_ARRAY_STRIDE, 3, i, v.position.data());
            if (glIsEnabled(GL_NORMAL_ARRAY)) read_array(GL_NORMAL_ARRAY_POINTER, GL_NORMAL_ARRAY_STRIDE, 3, i, v.normal.data());
            if (glIsEnabled(GL_TEXTURE_COORD_ARRAY)) {
                read_array(GL_TEXTURE_COORD_ARRAY_POINTER, GL_TEXTURE_COORD_ARRAY_STRIDE, 2, i, v.texcoord.data());
            }
            s_record.batches.back().vertices.push_back(v);
        }
    }
    __real_glDrawElements(mode, count, type, indices);
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
