// matrices.cpp -- the layer's model-view, projection and texture matrix stacks, and GLU's matrices
#include "platform/gles/layer.h"

#include <cmath>
#include <cstring>

namespace gles {

namespace {

// The stack glMatrixMode selected: 0 model-view, 1 projection, 2 texture.
int current_stack() {
    switch (s_gl.server.matrix_mode) {
    case GL_PROJECTION: return 1;
    case GL_TEXTURE: return 2;
    default: return 0;
    }
}

// What a change of the selected matrix means for the batch: immediate mode's vertices are in eye
// space already, so only the projection and texture matrices must draw what came before.
void changing_matrix(const char* call) {
    if (compiling_list()) not_covered("%s inside a display list", call);
    if (s_gl.primitive.inside) not_covered("%s between glBegin and glEnd", call);
    const int stack = current_stack();
    if (stack == 1) {
        flush_batch();
        s_gl.versions[kUniformProjection]++;
    } else if (stack == 0) {
        s_gl.normal_matrix_stale = true;
    }
}

void changed_matrix() {
    if (current_stack() != 2) return;
    const float* m = texture_matrix().m;
    s_gl.texture_matrix_identity = true;
    for (int k = 0; k < 16; ++k) {
        if (m[k] != (k % 5 == 0 ? 1.0f : 0.0f)) s_gl.texture_matrix_identity = false;
    }
}

Matrix& top() {
    const int stack = current_stack();
    return s_gl.stacks[stack][s_gl.depths[stack]];
}

// The selected matrix times m, as every glRotate, glTranslate and the like does it. GL computes in
// whatever precision it likes; Mesa multiplies in single precision, and so does this.
void multiply_top(const float* m, const char* call) {
    changing_matrix(call);
    float product[16];
    multiply(top().m, m, product);
    memcpy(top().m, product, sizeof product);
    changed_matrix();
}

void multiply_top(const double* m, const char* call) {
    float f[16];
    for (int k = 0; k < 16; ++k) f[k] = float(m[k]);
    multiply_top(f, call);
}

}  // namespace

void multiply(const float* a, const float* b, float* out) {
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            out[c * 4 + r] = a[r] * b[c * 4] + a[4 + r] * b[c * 4 + 1] + a[8 + r] * b[c * 4 + 2] + a[12 + r] * b[c * 4 + 3];
        }
    }
}

void transform_point(const float* m, const float* in, float* out) {
    for (int r = 0; r < 3; ++r) out[r] = m[r] * in[0] + m[4 + r] * in[1] + m[8 + r] * in[2] + m[12 + r];
}

void update_normal_matrix() {
    if (!s_gl.normal_matrix_stale) return;
    s_gl.normal_matrix_stale = false;
    const float* m = modelview().m;
    // The inverse of the upper 3 x 3, transposed: its cofactors over the determinant.
    const float a = m[0], b = m[4], c = m[8];
    const float d = m[1], e = m[5], f = m[9];
    const float g = m[2], h = m[6], i = m[10];
    const float A = e * i - f * h, B = f * g - d * i, C = d * h - e * g;
    const float det = a * A + b * B + c * C;
    const float k = det != 0.0f ? 1.0f / det : 0.0f;
    // Column-major, n[column * 3 + row].
    float* n = s_gl.normal_matrix;
    n[0] = A * k;
    n[1] = (c * h - b * i) * k;
    n[2] = (b * f - c * e) * k;
    n[3] = B * k;
    n[4] = (a * i - c * g) * k;
    n[5] = (c * d - a * f) * k;
    n[6] = C * k;
    n[7] = (b * g - a * h) * k;
    n[8] = (a * e - b * d) * k;
}

}  // namespace gles

using namespace gles;

void gles_glMatrixMode(GLenum mode) {
    if (compiling_list()) not_covered("glMatrixMode inside a display list");
    if (mode != GL_MODELVIEW && mode != GL_PROJECTION && mode != GL_TEXTURE) not_covered("glMatrixMode(0x%04X)", mode);
    s_gl.server.matrix_mode = mode;
}

void gles_glLoadIdentity() {
    changing_matrix("glLoadIdentity");
    float* m = top().m;
    for (int k = 0; k < 16; ++k) m[k] = k % 5 == 0 ? 1.0f : 0.0f;
    changed_matrix();
}

void gles_glLoadMatrixf(const GLfloat* m) {
    changing_matrix("glLoadMatrixf");
    memcpy(top().m, m, sizeof(float) * 16);
    changed_matrix();
}

void gles_glMultMatrixf(const GLfloat* m) {
    multiply_top(m, "glMultMatrixf");
}

void gles_glPushMatrix() {
    if (compiling_list()) not_covered("glPushMatrix inside a display list");
    const int stack = current_stack();
    if (s_gl.depths[stack] + 1 == kMatrixDepth) {
        s_gl.error = GL_STACK_OVERFLOW;
        return;
    }
    s_gl.stacks[stack][s_gl.depths[stack] + 1] = s_gl.stacks[stack][s_gl.depths[stack]];
    ++s_gl.depths[stack];
}

void gles_glPopMatrix() {
    const int stack = current_stack();
    if (s_gl.depths[stack] == 0) {
        s_gl.error = GL_STACK_UNDERFLOW;
        return;
    }
    changing_matrix("glPopMatrix");
    --s_gl.depths[stack];
    changed_matrix();
}

void gles_glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length == 0.0f) return;
    x /= length;
    y /= length;
    z /= length;
    const float radians = angle * float(M_PI / 180.0);
    const float c = std::cos(radians);
    const float s = std::sin(radians);
    const float t = 1.0f - c;
    const float m[16] = {
        x * x * t + c,     y * x * t + z * s, x * z * t - y * s, 0,
        x * y * t - z * s, y * y * t + c,     y * z * t + x * s, 0,
        x * z * t + y * s, y * z * t - x * s, z * z * t + c,     0,
        0,                 0,                 0,                 1,
    };
    multiply_top(m, "glRotatef");
}

void gles_glScalef(GLfloat x, GLfloat y, GLfloat z) {
    const float m[16] = {x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1};
    multiply_top(m, "glScalef");
}

void gles_glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    const float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1};
    multiply_top(m, "glTranslatef");
}

void gles_glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble near_z, GLdouble far_z) {
    if (left == right || bottom == top || near_z == far_z) {
        s_gl.error = GL_INVALID_VALUE;
        return;
    }
    const double m[16] = {
        2.0 / (right - left), 0, 0, 0,
        0, 2.0 / (top - bottom), 0, 0,
        0, 0, -2.0 / (far_z - near_z), 0,
        -(right + left) / (right - left), -(top + bottom) / (top - bottom), -(far_z + near_z) / (far_z - near_z), 1,
    };
    multiply_top(m, "glOrtho");
}

void gles_glFrustum(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble near_z, GLdouble far_z) {
    if (near_z <= 0 || far_z <= 0 || left == right || bottom == top || near_z == far_z) {
        s_gl.error = GL_INVALID_VALUE;
        return;
    }
    const double m[16] = {
        2 * near_z / (right - left), 0, 0, 0,
        0, 2 * near_z / (top - bottom), 0, 0,
        (right + left) / (right - left), (top + bottom) / (top - bottom), -(far_z + near_z) / (far_z - near_z), -1,
        0, 0, -2 * far_z * near_z / (far_z - near_z), 0,
    };
    multiply_top(m, "glFrustum");
}

void gles_gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble near_z, GLdouble far_z) {
    const double radians = fovy / 2 * M_PI / 180.0;
    const double depth = far_z - near_z;
    const double sine = std::sin(radians);
    if (depth == 0 || sine == 0 || aspect == 0) return;
    const double cotangent = std::cos(radians) / sine;
    const double m[16] = {
        cotangent / aspect, 0, 0, 0,
        0, cotangent, 0, 0,
        0, 0, -(far_z + near_z) / depth, -1,
        0, 0, -2 * near_z * far_z / depth, 0,
    };
    multiply_top(m, "gluPerspective");
}

void gles_gluLookAt(GLdouble eye_x, GLdouble eye_y, GLdouble eye_z, GLdouble centre_x, GLdouble centre_y,
                    GLdouble centre_z, GLdouble up_x, GLdouble up_y, GLdouble up_z) {
    double forward[3] = {centre_x - eye_x, centre_y - eye_y, centre_z - eye_z};
    const double up[3] = {up_x, up_y, up_z};
    auto normalise = [](double* v) {
        const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (length == 0.0) return;
        for (int i = 0; i < 3; ++i) v[i] /= length;
    };
    auto cross = [](const double* a, const double* b, double* out) {
        out[0] = a[1] * b[2] - a[2] * b[1];
        out[1] = a[2] * b[0] - a[0] * b[2];
        out[2] = a[0] * b[1] - a[1] * b[0];
    };
    normalise(forward);
    double side[3];
    cross(forward, up, side);
    normalise(side);
    double true_up[3];
    cross(side, forward, true_up);
    const double m[16] = {
        side[0], true_up[0], -forward[0], 0,
        side[1], true_up[1], -forward[1], 0,
        side[2], true_up[2], -forward[2], 0,
        0, 0, 0, 1,
    };
    multiply_top(m, "gluLookAt");
    gles_glTranslatef(float(-eye_x), float(-eye_y), float(-eye_z));
}

void gles_gluOrtho2D(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top) {
    gles_glOrtho(left, right, bottom, top, -1.0, 1.0);
}
