// layer.h -- what the files of the GL 1.1 layer share: the state it keeps, its batch and its steps
#pragma once

#include "platform/gles/gl11.h"

#include <GLES2/gl2.h>

#include <cstddef>
#include <cstdint>

namespace gles {

constexpr int kLights = 2;             // GL_LIGHT0 and GL_LIGHT1: the engine lights with no more
constexpr int kMatrixDepth = 32;       // each matrix stack, as Mesa's
constexpr int kAttribDepth = 8;        // glPushAttrib and glPushClientAttrib levels
constexpr int kBatchVertices = 65535;  // one batch's vertices: indices are 16 bits (WebGL 1 has no more)
constexpr int kBatchIndices = 3 * kBatchVertices;

// Attribute locations of every generated program. A display list whose material changes between
// its faces carries the material per vertex in the last three.
enum Attribute { kPosition = 0, kColour = 1, kNormal = 2, kTexcoord = 3, kAmbient = 4, kDiffuse = 5, kSpecular = 6 };

// A display list's material at one vertex, in its own buffer beside the vertices.
struct VertexMaterial {
    float ambient[4];   // rgb, and the shininess in the fourth
    float diffuse[4];
    float specular[3];
};

// One vertex as the batch holds it: immediate mode's in eye space, a display list's in object space.
struct Vertex {
    float position[3];
    float colour[4];
    float normal[3];
    float texcoord[2];
};

struct Matrix {
    float m[16];  // column-major, as GL takes it
};

struct Light {
    float ambient[4];
    float diffuse[4];
    float specular[4];
    float position[4];  // in eye space, as GL keeps it
};

struct Material {
    float ambient[4];
    float diffuse[4];
    float specular[4];
    float emission[4];
    float shininess;
};

// The GL 1.1 state that draws depend on: what glPushAttrib saves and glPopAttrib puts back.
struct ServerState {
    bool texture_2d, blend, lighting, light[kLights], depth_test, cull_face, fog, alpha_test, scissor_test,
        dither, stencil_test, normalize, color_material, logic_op, polygon_offset;
    GLenum alpha_func;
    float alpha_ref;
    GLenum blend_src, blend_dst;
    GLenum depth_func;
    bool depth_mask;
    bool colour_mask[4];
    GLenum cull_mode, front_face, shade_model, polygon_mode;
    float line_width;
    float clear_colour[4];
    float clear_depth;
    GLenum fog_mode;
    float fog_density, fog_start, fog_end;
    float fog_colour[4];
    Light lights[kLights];
    float model_ambient[4];
    Material material;
    GLenum env_mode;
    GLuint texture;  // bound to GL_TEXTURE_2D
    int viewport[4];
    int scissor[4];
    GLenum matrix_mode;
    float colour[4];  // the current colour, normal and texture coordinate
    float normal[3];
    float texcoord[2];
    float raster[3];  // the raster position in window coordinates, depth in [0, 1]
    float raster_colour[4];
    bool raster_valid;
    GLuint list_base;
};

struct ClientArray {
    bool enabled;
    int size;
    int stride;  // bytes; 0 given means packed
    const uint8_t* pointer;
};

// What glPushClientAttrib saves.
struct ClientState {
    int unpack_alignment, pack_alignment;
    ClientArray vertex, normal, texcoord, colour;
};

// The state the ES driver has, as far as the layer set it: a change that would set the same is dropped.
struct DriverState {
    bool blend, depth_test, cull_face, scissor_test, dither;
    GLenum blend_src, blend_dst, depth_func, cull_mode, front_face;
    bool depth_mask;
    bool colour_mask[4];
    float line_width;
    int viewport[4];
    int scissor[4];
    GLuint program;
    GLuint texture;
    GLuint array_buffer, element_buffer;
    bool material_arrays;  // kAmbient, kDiffuse and kSpecular are enabled arrays
    float clear_colour[4];
    float clear_depth;
};

// Immediate mode's vertices waiting to be drawn under one state, as indexed triangles or lines.
struct Batch {
    Vertex* vertices;
    GLushort* indices;
    int vertex_count;
    int index_count;
    GLenum kind;   // GL_TRIANGLES or GL_LINES; GL_NONE while empty
    bool bitmap;   // glyph quads in clip space, from glBitmap
    bool image;    // a picture from glDrawPixels, in clip space
    bool vertex_material;  // a display list's faces, each vertex with its own material
};

// The step inside glBegin and glEnd.
struct Primitive {
    bool inside;  // between glBegin and glEnd
    GLenum mode;
    int first;    // the batch's (or list's) index of the primitive's first vertex
};

struct Counters {
    uint64_t draw_calls;     // glDrawElements and glDrawArrays sent to ES
    uint64_t state_changes;  // every other ES call a draw or a clear needed
    uint64_t programs;       // programs compiled and linked
};

struct LayerState {
    bool open;
    ServerState server;
    ClientState client;
    DriverState driver;
    ServerState server_stack[kAttribDepth];
    ClientState client_stack[kAttribDepth];
    int server_depth, client_depth;
    Matrix stacks[3][kMatrixDepth];  // model-view, projection, texture
    int depths[3];                   // the top's index in each
    bool normal_matrix_stale;        // the model-view changed since normal_matrix was made
    float normal_matrix[9];          // the model-view's inverse transpose, upper 3 x 3, column-major
    bool texture_matrix_identity;
    Batch batch;
    Primitive primitive;
    int versions[4];                 // bumped when the uniforms of a kind change; see Uniforms
    GLenum error;
    Counters counters;
    int width, height;               // the window's drawable
    uint8_t* scratch;                // glReadPixels' RGBA rows, the window's size
};

// Kinds of uniform that programs upload only when their version moved.
enum Uniforms { kUniformProjection, kUniformLighting, kUniformFog, kUniformAlpha };

extern LayerState s_gl;

// The matrix stacks' tops.
inline Matrix& modelview() { return s_gl.stacks[0][s_gl.depths[0]]; }
inline Matrix& projection() { return s_gl.stacks[1][s_gl.depths[1]]; }
inline Matrix& texture_matrix() { return s_gl.stacks[2][s_gl.depths[2]]; }

// Ends the program with a message naming the call or state that the layer does not cover.
[[noreturn]] void not_covered(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Draws what the batch holds and empties it; nothing when it is empty. Every change of state that
// the batch's vertices depend on calls it first.
void flush_batch();

// Makes the driver's state what the server state asks for a draw: blend, depth, culling, masks,
// viewport, the program for the state's key and its uniforms. For display lists, modelview is the
// matrix their object-space vertices go through; immediate mode's are in eye space already and
// pass nullptr.
void apply_draw_state(const Batch& kind, const float* modelview_matrix, const float* normal_matrix);

// The same state for glClear: masks, scissor and clear values.
void apply_clear_state();

// Sets one ES state only when it differs from what the driver has, counting each change.
void set_capability(GLenum cap, bool on, bool* cached);
void bind_texture_unit(GLuint texture);
void use_program(GLuint program);
// Enables or disables the arrays of VertexMaterial: a draw that does not set them turns them off.
void set_material_arrays(bool on);

// The programs: the key of the state a batch is drawn under, its program (compiled on first use),
// the keys compiled beforehand, and the count compiled so far.
uint32_t state_key(const Batch& kind);
struct Program;
Program* program_for(uint32_t key);
void upload_uniforms(Program* program, const float* modelview_matrix, const float* normal_matrix);
GLuint program_name(const Program* program);
void compile_known_programs();
void release_programs();

// Matrix helpers.
void multiply(const float* a, const float* b, float* out);  // out = a * b, column-major
void transform_point(const float* m, const float* in, float* out);  // out = m * (in, 1), xyz only
void update_normal_matrix();

// Vertices: one appended to the batch (immediate mode) or to the list being compiled, with the
// current attributes; the primitive's indices made at glEnd.
void emit_vertex(float x, float y, float z);
void end_primitive();
// A quad of width x height window pixels from (x, y), at the raster position's depth and in its
// colour, with texture coordinates s0, t0 to s1, t1: a glyph or a picture drawn as pixels.
void emit_raster_quad(float x, float y, float width, float height, float s0, float t0, float s1, float t1);
// Points the vertex attributes at Vertex records from base: a client array or a buffer's offset.
void point_vertex_attributes(const uint8_t* base);
// Appends the indices of count vertices from first drawn as mode to indices, which holds
// index_count already; returns the new count. Flat: separate primitives take their last vertex's
// colour and normal first.
int make_indices(GLenum mode, Vertex* vertices, int first, int count, GLushort* indices, int index_count, bool flat);
// Opens the batch for a primitive: what it holds is drawn first when it is of another kind.
void open_primitive(GLenum mode, bool bitmap, bool image);

// Display lists: whether one is being compiled, and the calls that record into it.
bool compiling_list();
void record_begin(GLenum mode);
void record_vertex(float x, float y, float z);
void record_colour(const float* colour);
void record_end();
void record_material(GLenum pname, const float* params);
void record_bitmap(GLsizei width, GLsizei height, float xorig, float yorig, float xmove, float ymove,
                   const GLubyte* bitmap);
void open_lists();
void close_lists();
// The texture of glBitmap's glyphs, as the batch of a bitmap draws from it.
GLuint bitmap_atlas();

// Texture names and their formats, for the state key: 0 RGB, 1 RGBA, 2 alpha, 3 luminance.
int texture_format(GLuint texture);
void open_pixels();
void close_pixels();
GLuint draw_pixels_texture();

// The layer's own record of what it draws, for the benchmark.
void reset_state();

}  // namespace gles
