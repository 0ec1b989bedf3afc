// batch.cpp -- immediate mode and vertex arrays gathered into one batch of indexed triangles or lines
#include "platform/gles/layer.h"

#include <algorithm>
#include <cstring>

namespace gles {

namespace {

#ifdef __EMSCRIPTEN__
constexpr float kEyePlaneNudge = 1e-3f;  // eye units off the plane z = 0 (see emit_vertex)
#endif

// Vertices a primitive of the mode takes, for the modes made of separate primitives; 0 for strips,
// fans, loops and polygons, whose vertices all belong to one.
int separate_size(GLenum mode) {
    switch (mode) {
    case GL_TRIANGLES: return 3;
    case GL_QUADS: return 4;
    case GL_LINES: return 2;
    default: return 0;
    }
}

GLenum kind_of(GLenum mode) {
    return (mode == GL_LINES || mode == GL_LINE_LOOP || mode == GL_LINE_STRIP) ? GL_LINES : GL_TRIANGLES;
}

// Under flat shading a primitive takes the colour and normal of its last vertex (GL's provoking
// vertex for separate triangles, quads and lines).
void flatten(Vertex* v, int size) {
    const Vertex& last = v[size - 1];
    for (int k = 0; k + 1 < size; ++k) {
        memcpy(v[k].colour, last.colour, sizeof last.colour);
        memcpy(v[k].normal, last.normal, sizeof last.normal);
    }
}

void add_index(GLushort* indices, int* count, int i) {
    indices[(*count)++] = GLushort(i);
}

}  // namespace

int make_indices(GLenum mode, Vertex* vertices, int first, int count, GLushort* indices, int index_count, bool flat) {
    const int n = count;
    const int separate = separate_size(mode);
    if (separate && flat) {
        for (int p = 0; p + separate <= n; p += separate) flatten(vertices + first + p, separate);
    }
    switch (mode) {
    case GL_TRIANGLES:
        for (int i = 0; i + 3 <= n; i += 3) {
            for (int k : {0, 1, 2}) add_index(indices, &index_count, first + i + k);
        }
        break;
    case GL_QUADS:
        // Split along the diagonal from the second vertex to the fourth, as Mesa splits them, so
        // that colours and texture coordinates spread over a quad's triangles alike.
        for (int q = 0; q + 4 <= n; q += 4) {
            const int v = first + q;
            for (int k : {0, 1, 3, 1, 2, 3}) add_index(indices, &index_count, v + k);
        }
        break;
    case GL_QUAD_STRIP:
        for (int q = 0; q + 4 <= n; q += 2) {
            const int v = first + q;
            for (int k : {0, 1, 3, 0, 3, 2}) add_index(indices, &index_count, v + k);
        }
        break;
    case GL_TRIANGLE_STRIP:
        for (int i = 0; i + 3 <= n; ++i) {
            const int v = first + i;
            if (i % 2 == 0) {
                for (int k : {0, 1, 2}) add_index(indices, &index_count, v + k);
            } else {
                for (int k : {1, 0, 2}) add_index(indices, &index_count, v + k);
            }
        }
        break;
    case GL_TRIANGLE_FAN:
    case GL_POLYGON:
        for (int i = 1; i + 2 <= n; ++i) {
            for (int k : {0, i, i + 1}) add_index(indices, &index_count, first + k);
        }
        break;
    case GL_LINES:
        for (int i = 0; i + 2 <= n; i += 2) {
            add_index(indices, &index_count, first + i);
            add_index(indices, &index_count, first + i + 1);
        }
        break;
    case GL_LINE_STRIP:
    case GL_LINE_LOOP:
        for (int i = 0; i + 2 <= n; ++i) {
            add_index(indices, &index_count, first + i);
            add_index(indices, &index_count, first + i + 1);
        }
        if (mode == GL_LINE_LOOP && n > 2) {
            add_index(indices, &index_count, first + n - 1);
            add_index(indices, &index_count, first);
        }
        break;
    default: break;
    }
    return index_count;
}

namespace {

// The batch is full inside a primitive: the finished primitives are drawn and the unfinished one's
// vertices start the next batch. Only separate primitives can be split so.
void split_primitive() {
    Batch& b = s_gl.batch;
    Primitive& p = s_gl.primitive;
    const int separate = separate_size(p.mode);
    if (!separate) {
        not_covered("a glBegin(0x%04X) of more than %d vertices: only separate primitives are split", p.mode,
                    kBatchVertices);
    }
    const int done = (b.vertex_count - p.first) / separate * separate;
    const int left = b.vertex_count - p.first - done;
    Vertex carried[4];
    memcpy(carried, b.vertices + p.first + done, sizeof(Vertex) * size_t(left));
    b.vertex_count = p.first + done;
    flush_batch();
    memcpy(b.vertices, carried, sizeof(Vertex) * size_t(left));
    b.vertex_count = left;
}

}  // namespace

void open_primitive(GLenum mode, bool bitmap, bool image) {
    Batch& b = s_gl.batch;
    const GLenum kind = kind_of(mode);
    if (b.kind != GL_NONE && (b.kind != kind || b.bitmap != bitmap || b.image != image)) flush_batch();
    if (b.vertex_count > kBatchVertices - 64 || b.index_count > kBatchIndices - 6 * 64) flush_batch();
    b.kind = kind;
    b.bitmap = bitmap;
    b.image = image;
    s_gl.primitive.inside = true;
    s_gl.primitive.mode = mode;
    s_gl.primitive.first = b.vertex_count;
}

void emit_vertex(float x, float y, float z) {
    if (compiling_list()) {
        record_vertex(x, y, z);
        return;
    }
    Batch& b = s_gl.batch;
    if (b.vertex_count == kBatchVertices) split_primitive();
    const ServerState& s = s_gl.server;
    Vertex& v = b.vertices[b.vertex_count++];
    const float in[3] = {x, y, z};
    transform_point(modelview().m, in, v.position);
#ifdef __EMSCRIPTEN__
    // A vertex in the eye's own plane has w = 0 under a perspective projection. The near plane
    // clips it away, but SwiftShader, chromium's software WebGL, then samples the primitive's
    // texture as black (hombre's floor): the vertex is moved just off the plane, which moves the
    // clipped edge by much less than a pixel.
    if (v.position[2] == 0.0f) v.position[2] = -kEyePlaneNudge;
#endif
    memcpy(v.colour, s.colour, sizeof v.colour);
    const float* n = s_gl.normal_matrix;
    for (int r = 0; r < 3; ++r) v.normal[r] = n[r] * s.normal[0] + n[3 + r] * s.normal[1] + n[6 + r] * s.normal[2];
    if (s_gl.texture_matrix_identity) {
        v.texcoord[0] = s.texcoord[0];
        v.texcoord[1] = s.texcoord[1];
    } else {
        const float* t = texture_matrix().m;
        const float w = t[3] * s.texcoord[0] + t[7] * s.texcoord[1] + t[15];
        const float k = w != 0.0f ? 1.0f / w : 1.0f;
        v.texcoord[0] = (t[0] * s.texcoord[0] + t[4] * s.texcoord[1] + t[12]) * k;
        v.texcoord[1] = (t[1] * s.texcoord[0] + t[5] * s.texcoord[1] + t[13]) * k;
    }
}

void end_primitive() {
    Batch& b = s_gl.batch;
    Primitive& p = s_gl.primitive;
    b.index_count = make_indices(p.mode, b.vertices, p.first, b.vertex_count - p.first, b.indices, b.index_count,
                                 s_gl.server.shade_model == GL_FLAT);
    p.inside = false;
}

void emit_raster_quad(float x, float y, float width, float height, float s0, float t0, float s1, float t1) {
    const ServerState& s = s_gl.server;
    const int* view = s.viewport;
    const float corners[4][4] = {{x, y, s0, t0}, {x + width, y, s1, t0}, {x + width, y + height, s1, t1}, {x, y + height, s0, t1}};
    Batch& b = s_gl.batch;
    for (const auto& c : corners) {
        Vertex& v = b.vertices[b.vertex_count++];
        v.position[0] = (c[0] - float(view[0])) * 2.0f / float(view[2]) - 1.0f;
        v.position[1] = (c[1] - float(view[1])) * 2.0f / float(view[3]) - 1.0f;
        v.position[2] = 2.0f * s.raster[2] - 1.0f;
        memcpy(v.colour, s.raster_colour, sizeof v.colour);
        v.normal[0] = v.normal[1] = 0.0f;
        v.normal[2] = 1.0f;
        v.texcoord[0] = c[2];
        v.texcoord[1] = c[3];
    }
}

void point_vertex_attributes(const uint8_t* base) {
    const GLsizei stride = sizeof(Vertex);
    glVertexAttribPointer(kPosition, 3, GL_FLOAT, GL_FALSE, stride, base + offsetof(Vertex, position));
    glVertexAttribPointer(kColour, 4, GL_FLOAT, GL_FALSE, stride, base + offsetof(Vertex, colour));
    glVertexAttribPointer(kNormal, 3, GL_FLOAT, GL_FALSE, stride, base + offsetof(Vertex, normal));
    glVertexAttribPointer(kTexcoord, 2, GL_FLOAT, GL_FALSE, stride, base + offsetof(Vertex, texcoord));
    s_gl.counters.state_changes += 4;
}

void flush_batch() {
    Batch& b = s_gl.batch;
    Primitive& p = s_gl.primitive;
    if (p.inside && b.vertex_count > p.first) {
        // Inside glBegin (a change of material between a model's faces) the finished primitives
        // are drawn and the primitive goes on in the next batch.
        const int separate = separate_size(p.mode);
        const int count = b.vertex_count - p.first;
        if (!separate || count % separate != 0) {
            not_covered("a change of state inside glBegin(0x%04X) part way through a primitive", p.mode);
        }
        b.index_count = make_indices(p.mode, b.vertices, p.first, count, b.indices, b.index_count,
                                     s_gl.server.shade_model == GL_FLAT);
        p.first = b.vertex_count;
    }
    if (b.index_count == 0) {
        if (!p.inside) {
            b.vertex_count = 0;
            b.kind = GL_NONE;
        }
        return;
    }
    apply_draw_state(b, nullptr, nullptr);
    set_material_arrays(false);
#ifdef __EMSCRIPTEN__
    // WebGL draws from buffers only: the batch goes into one that is filled anew each time.
    static GLuint buffers[2];
    if (!buffers[0]) glGenBuffers(2, buffers);
    glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(sizeof(Vertex)) * b.vertex_count, b.vertices, GL_STREAM_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(sizeof(GLushort)) * b.index_count, b.indices, GL_STREAM_DRAW);
    s_gl.driver.array_buffer = buffers[0];
    s_gl.driver.element_buffer = buffers[1];
    const uint8_t* base = nullptr;
    const GLushort* indices = nullptr;
#else
    // Client-side arrays: the driver copies what the draw reads, with no buffer object to wait on.
    if (s_gl.driver.array_buffer) glBindBuffer(GL_ARRAY_BUFFER, 0);
    if (s_gl.driver.element_buffer) glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    s_gl.driver.array_buffer = s_gl.driver.element_buffer = 0;
    const uint8_t* base = reinterpret_cast<const uint8_t*>(b.vertices);
    const GLushort* indices = b.indices;
#endif
    point_vertex_attributes(base);
    glDrawElements(b.kind, b.index_count, GL_UNSIGNED_SHORT, indices);
    ++s_gl.counters.draw_calls;
    b.index_count = 0;
    b.vertex_count = 0;
    if (p.inside) {
        p.first = 0;
    } else {
        b.kind = GL_NONE;
    }
}

}  // namespace gles

using namespace gles;

namespace {

void check_mode(GLenum mode, const char* call) {
    if (mode > GL_POLYGON || mode == GL_POINTS) not_covered("%s(0x%04X): points and unknown modes", call, mode);
}

float clamp01(float v) {
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

void set_colour(float r, float g, float b, float a) {
    float* c = s_gl.server.colour;
    c[0] = clamp01(r);
    c[1] = clamp01(g);
    c[2] = clamp01(b);
    c[3] = clamp01(a);
    if (compiling_list()) {
        record_colour(c);
    }
}

void set_normal(float x, float y, float z) {
    float* n = s_gl.server.normal;
    n[0] = x;
    n[1] = y;
    n[2] = z;
}

// One element of the enabled arrays, as glArrayElement sends it.
void array_element(int i) {
    const ClientState& c = s_gl.client;
    auto at = [i](const ClientArray& a, int packed) {
        return reinterpret_cast<const float*>(a.pointer + size_t(i) * size_t(a.stride ? a.stride : packed));
    };
    if (c.colour.enabled) {
        const float* v = at(c.colour, c.colour.size * 4);
        set_colour(v[0], v[1], v[2], c.colour.size == 4 ? v[3] : 1.0f);
    }
    if (c.normal.enabled) {
        const float* v = at(c.normal, 12);
        set_normal(v[0], v[1], v[2]);
    }
    if (c.texcoord.enabled) {
        const float* v = at(c.texcoord, c.texcoord.size * 4);
        s_gl.server.texcoord[0] = v[0];
        s_gl.server.texcoord[1] = c.texcoord.size > 1 ? v[1] : 0.0f;
    }
    if (c.vertex.enabled) {
        const float* v = at(c.vertex, c.vertex.size * 4);
        emit_vertex(v[0], v[1], c.vertex.size > 2 ? v[2] : 0.0f);
    }
}

void set_array(ClientArray& array, GLint size, GLenum type, GLsizei stride, const GLvoid* pointer, const char* call) {
    if (type != GL_FLOAT) not_covered("%s(type 0x%04X): GL_FLOAT arrays only", call, type);
    array.size = size;
    array.stride = stride;
    array.pointer = static_cast<const uint8_t*>(pointer);
}

ClientArray* client_array(GLenum which, const char* call) {
    switch (which) {
    case GL_VERTEX_ARRAY: return &s_gl.client.vertex;
    case GL_NORMAL_ARRAY: return &s_gl.client.normal;
    case GL_TEXTURE_COORD_ARRAY: return &s_gl.client.texcoord;
    case GL_COLOR_ARRAY: return &s_gl.client.colour;
    default: not_covered("%s(0x%04X)", call, which);
    }
}

}  // namespace

void gles_glBegin(GLenum mode) {
    check_mode(mode, "glBegin");
    if (s_gl.primitive.inside) {
        s_gl.error = GL_INVALID_OPERATION;
        return;
    }
    update_normal_matrix();
    if (compiling_list()) {
        record_begin(mode);
        return;
    }
    open_primitive(mode, false, false);
}

void gles_glEnd() {
    if (!s_gl.primitive.inside) {
        s_gl.error = GL_INVALID_OPERATION;
        return;
    }
    if (compiling_list()) {
        record_end();
        return;
    }
    end_primitive();
}

void gles_glVertex2f(GLfloat x, GLfloat y) {
    emit_vertex(x, y, 0.0f);
}

void gles_glVertex2fv(const GLfloat* v) {
    emit_vertex(v[0], v[1], 0.0f);
}

void gles_glVertex2i(GLint x, GLint y) {
    emit_vertex(GLfloat(x), GLfloat(y), 0.0f);
}

void gles_glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    emit_vertex(x, y, z);
}

void gles_glVertex3fv(const GLfloat* v) {
    emit_vertex(v[0], v[1], v[2]);
}

void gles_glVertex3dv(const GLdouble* v) {
    emit_vertex(GLfloat(v[0]), GLfloat(v[1]), GLfloat(v[2]));
}

void gles_glColor3f(GLfloat r, GLfloat g, GLfloat b) {
    set_colour(r, g, b, 1.0f);
}

void gles_glColor3fv(const GLfloat* v) {
    set_colour(v[0], v[1], v[2], 1.0f);
}

void gles_glColor3ub(GLubyte r, GLubyte g, GLubyte b) {
    set_colour(r / 255.0f, g / 255.0f, b / 255.0f, 1.0f);
}

void gles_glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    set_colour(r, g, b, a);
}

void gles_glColor4fv(const GLfloat* v) {
    set_colour(v[0], v[1], v[2], v[3]);
}

void gles_glColor4ub(GLubyte r, GLubyte g, GLubyte b, GLubyte a) {
    set_colour(r / 255.0f, g / 255.0f, b / 255.0f, a / 255.0f);
}

void gles_glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    set_normal(x, y, z);
}

void gles_glNormal3fv(const GLfloat* v) {
    set_normal(v[0], v[1], v[2]);
}

void gles_glNormal3dv(const GLdouble* v) {
    set_normal(GLfloat(v[0]), GLfloat(v[1]), GLfloat(v[2]));
}

void gles_glTexCoord2f(GLfloat s, GLfloat t) {
    s_gl.server.texcoord[0] = s;
    s_gl.server.texcoord[1] = t;
}

void gles_glTexCoord2fv(const GLfloat* v) {
    gles_glTexCoord2f(v[0], v[1]);
}

void gles_glVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
    set_array(s_gl.client.vertex, size, type, stride, pointer, "glVertexPointer");
}

void gles_glNormalPointer(GLenum type, GLsizei stride, const GLvoid* pointer) {
    set_array(s_gl.client.normal, 3, type, stride, pointer, "glNormalPointer");
}

void gles_glTexCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
    set_array(s_gl.client.texcoord, size, type, stride, pointer, "glTexCoordPointer");
}

void gles_glColorPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
    set_array(s_gl.client.colour, size, type, stride, pointer, "glColorPointer");
}

void gles_glEnableClientState(GLenum which) {
    client_array(which, "glEnableClientState")->enabled = true;
}

void gles_glDisableClientState(GLenum which) {
    client_array(which, "glDisableClientState")->enabled = false;
}

// The arrays go through immediate mode's path, element by element, so that they merge with the
// batches around them and leave the current attributes as GL leaves them.
void gles_glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    check_mode(mode, "glDrawArrays");
    gles_glBegin(mode);
    for (int i = 0; i < count; ++i) array_element(first + i);
    gles_glEnd();
}

void gles_glDrawElements(GLenum mode, GLsizei count, GLenum type, const GLvoid* indices) {
    check_mode(mode, "glDrawElements");
    if (type != GL_UNSIGNED_INT && type != GL_UNSIGNED_SHORT && type != GL_UNSIGNED_BYTE) {
        s_gl.error = GL_INVALID_ENUM;
        return;
    }
    gles_glBegin(mode);
    for (int i = 0; i < count; ++i) {
        int index = 0;
        if (type == GL_UNSIGNED_INT) {
            index = int(static_cast<const GLuint*>(indices)[i]);
        } else if (type == GL_UNSIGNED_SHORT) {
            index = static_cast<const GLushort*>(indices)[i];
        } else {
            index = static_cast<const GLubyte*>(indices)[i];
        }
        array_element(index);
    }
    gles_glEnd();
}
