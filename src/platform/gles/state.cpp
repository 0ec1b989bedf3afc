// state.cpp -- the layer's GL 1.1 state: enables, fixed-function settings, queries and the attribute stacks
#include "platform/gles/layer.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/fatal.h"
#include "platform/gles/gles.h"

namespace gles {

LayerState s_gl;

namespace {

void copy4(float* out, float a, float b, float c, float d) {
    out[0] = a;
    out[1] = b;
    out[2] = c;
    out[3] = d;
}

bool same4(const float* a, const float* b) {
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2] && a[3] == b[3];
}

// The enable flag of a capability the layer covers; nullptr for one it does not know. sets_batch:
// whether the batch waiting must be drawn before the flag changes.
bool* capability(GLenum cap) {
    ServerState& s = s_gl.server;
    switch (cap) {
    case GL_TEXTURE_2D: return &s.texture_2d;
    case GL_BLEND: return &s.blend;
    case GL_LIGHTING: return &s.lighting;
    case GL_LIGHT0: return &s.light[0];
    case GL_LIGHT1: return &s.light[1];
    case GL_DEPTH_TEST: return &s.depth_test;
    case GL_CULL_FACE: return &s.cull_face;
    case GL_FOG: return &s.fog;
    case GL_ALPHA_TEST: return &s.alpha_test;
    case GL_SCISSOR_TEST: return &s.scissor_test;
    case GL_DITHER: return &s.dither;
    case GL_STENCIL_TEST: return &s.stencil_test;
    case GL_NORMALIZE: return &s.normalize;
    case GL_COLOR_MATERIAL: return &s.color_material;
    case GL_COLOR_LOGIC_OP: return &s.logic_op;
    case GL_POLYGON_OFFSET_FILL: return &s.polygon_offset;
    default: return nullptr;
    }
}

// Capabilities the layer accepts only while off: turning one on asks for what it does not draw.
bool covered_when_on(GLenum cap) {
    switch (cap) {
    case GL_STENCIL_TEST:
    case GL_NORMALIZE:
    case GL_COLOR_MATERIAL:
    case GL_COLOR_LOGIC_OP:
    case GL_POLYGON_OFFSET_FILL: return false;
    default: return true;
    }
}

void set_enable(GLenum cap, bool on, const char* call) {
    if (compiling_list()) not_covered("%s(0x%04X) inside a display list", call, cap);
    bool* flag = capability(cap);
    if (!flag) not_covered("%s(0x%04X)", call, cap);
    if (on && !covered_when_on(cap)) not_covered("%s(0x%04X): that stage is not drawn", call, cap);
    if (*flag == on) return;
    flush_batch();
    *flag = on;
    s_gl.versions[kUniformLighting]++;
}

void reject_in_list(const char* call) {
    if (compiling_list()) not_covered("%s inside a display list", call);
}

Light& light(GLenum which, const char* call) {
    if (which != GL_LIGHT0 && which != GL_LIGHT1) not_covered("%s(0x%04X): only GL_LIGHT0 and GL_LIGHT1", call, which);
    return s_gl.server.lights[which - GL_LIGHT0];
}

// GL's initial state, with GL_LIGHT0's white diffuse and specular light.
void initial_server_state(ServerState& s, int width, int height) {
    s = ServerState{};
    s.dither = true;
    s.alpha_func = GL_ALWAYS;
    s.blend_src = GL_ONE;
    s.blend_dst = GL_ZERO;
    s.depth_func = GL_LESS;
    s.depth_mask = true;
    for (bool& m : s.colour_mask) m = true;
    s.cull_mode = GL_BACK;
    s.front_face = GL_CCW;
    s.shade_model = GL_SMOOTH;
    s.polygon_mode = GL_FILL;
    s.line_width = 1.0f;
    s.clear_depth = 1.0f;
    s.fog_mode = GL_EXP;
    s.fog_density = 1.0f;
    s.fog_end = 1.0f;
    for (int i = 0; i < kLights; ++i) {
        Light& l = s.lights[i];
        copy4(l.ambient, 0, 0, 0, 1);
        const float c = i == 0 ? 1.0f : 0.0f;
        copy4(l.diffuse, c, c, c, 1);
        copy4(l.specular, c, c, c, 1);
        copy4(l.position, 0, 0, 1, 0);
    }
    copy4(s.model_ambient, 0.2f, 0.2f, 0.2f, 1.0f);
    copy4(s.material.ambient, 0.2f, 0.2f, 0.2f, 1.0f);
    copy4(s.material.diffuse, 0.8f, 0.8f, 0.8f, 1.0f);
    copy4(s.material.specular, 0, 0, 0, 1);
    copy4(s.material.emission, 0, 0, 0, 1);
    s.env_mode = GL_MODULATE;
    s.viewport[2] = s.scissor[2] = width;
    s.viewport[3] = s.scissor[3] = height;
    s.matrix_mode = GL_MODELVIEW;
    copy4(s.colour, 1, 1, 1, 1);
    s.normal[2] = 1.0f;
    copy4(s.raster_colour, 1, 1, 1, 1);
    s.raster_valid = true;
}

// The driver's own initial state, as ES 2.0 starts.
void initial_driver_state(DriverState& d, int width, int height) {
    d = DriverState{};
    d.dither = true;
    d.blend_src = GL_ONE;
    d.blend_dst = GL_ZERO;
    d.depth_func = GL_LESS;
    d.depth_mask = true;
    for (bool& m : d.colour_mask) m = true;
    d.cull_mode = GL_BACK;
    d.front_face = GL_CCW;
    d.line_width = 1.0f;
    d.viewport[2] = d.scissor[2] = width;
    d.viewport[3] = d.scissor[3] = height;
    d.clear_depth = 1.0f;
}

char s_strings[4][256];  // vendor, renderer, version, extensions as glGetString gives them

}  // namespace

void not_covered(const char* format, ...) {
    char what[768];
    va_list args;
    va_start(args, format);
    vsnprintf(what, sizeof what, format, args);
    va_end(args);
    fatal_error("the GL layer over OpenGL ES 2.0 does not cover %s", what);
}

void reset_state() {
    initial_server_state(s_gl.server, s_gl.width, s_gl.height);
    s_gl.client = ClientState{};
    s_gl.client.unpack_alignment = 4;
    s_gl.client.pack_alignment = 4;
    initial_driver_state(s_gl.driver, s_gl.width, s_gl.height);
    // A context made before its drawable had this size (a web page's, on the canvas as it was)
    // starts with another viewport: the driver is given the one its state above says.
    glViewport(0, 0, s_gl.width, s_gl.height);
    glScissor(0, 0, s_gl.width, s_gl.height);
    for (int i = 0; i < 3; ++i) {
        s_gl.depths[i] = 0;
        Matrix& m = s_gl.stacks[i][0];
        for (int k = 0; k < 16; ++k) m.m[k] = k % 5 == 0 ? 1.0f : 0.0f;
    }
    s_gl.normal_matrix_stale = true;
    s_gl.texture_matrix_identity = true;
    s_gl.server_depth = s_gl.client_depth = 0;
    s_gl.error = GL_NO_ERROR;
    for (int& v : s_gl.versions) ++v;
}

void set_capability(GLenum cap, bool on, bool* cached) {
    if (*cached == on) return;
    if (on) {
        glEnable(cap);
    } else {
        glDisable(cap);
    }
    *cached = on;
    ++s_gl.counters.state_changes;
}

void apply_clear_state() {
    DriverState& d = s_gl.driver;
    const ServerState& s = s_gl.server;
    if (memcmp(d.colour_mask, s.colour_mask, sizeof d.colour_mask) != 0) {
        glColorMask(s.colour_mask[0], s.colour_mask[1], s.colour_mask[2], s.colour_mask[3]);
        memcpy(d.colour_mask, s.colour_mask, sizeof d.colour_mask);
        ++s_gl.counters.state_changes;
    }
    if (d.depth_mask != s.depth_mask) {
        glDepthMask(s.depth_mask);
        d.depth_mask = s.depth_mask;
        ++s_gl.counters.state_changes;
    }
    set_capability(GL_SCISSOR_TEST, s.scissor_test, &d.scissor_test);
    if (s.scissor_test && memcmp(d.scissor, s.scissor, sizeof d.scissor) != 0) {
        glScissor(s.scissor[0], s.scissor[1], s.scissor[2], s.scissor[3]);
        memcpy(d.scissor, s.scissor, sizeof d.scissor);
        ++s_gl.counters.state_changes;
    }
    set_capability(GL_DITHER, s.dither, &d.dither);
}

}  // namespace gles

using namespace gles;

bool open_gl_layer(int width, int height, char* why, size_t size) {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (!version || strncmp(version, "OpenGL ES ", 10) != 0) {
        snprintf(why, size, "the context is not OpenGL ES (its version: %s)", version ? version : "none");
        return false;
    }
    s_gl.width = width;
    s_gl.height = height;
    reset_state();
    s_gl.batch.vertices = new Vertex[kBatchVertices];
    s_gl.batch.indices = new GLushort[kBatchIndices];
    s_gl.batch.vertex_count = s_gl.batch.index_count = 0;
    s_gl.batch.kind = GL_NONE;
    s_gl.scratch = new uint8_t[size_t(width) * size_t(height) * 4];
    s_gl.primitive = Primitive{};
    s_gl.counters = Counters{};

    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const char* vendor = reinterpret_cast<const char*>(glGetString(GL_VENDOR));
    snprintf(s_strings[0], sizeof s_strings[0], "%s", vendor ? vendor : "");
    snprintf(s_strings[1], sizeof s_strings[1], "%s, through Varnel's GL 1.1 layer", renderer ? renderer : "");
    snprintf(s_strings[2], sizeof s_strings[2], "1.1 Varnel on %s", version);
    // Clamped textures clamp to their edge texels: ES has no border colour to clamp to.
    snprintf(s_strings[3], sizeof s_strings[3], "GL_EXT_texture_edge_clamp");

    s_gl.open = true;
    open_pixels();
    open_lists();
    compile_known_programs();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    return true;
}

void close_gl_layer() {
    if (!s_gl.open) return;
    release_programs();
    close_lists();
    close_pixels();
    delete[] s_gl.batch.vertices;
    delete[] s_gl.batch.indices;
    delete[] s_gl.scratch;
    s_gl.batch = Batch{};
    s_gl.scratch = nullptr;
    s_gl.open = false;
}

GlLayerCounters gl_layer_counters() {
    return {s_gl.counters.draw_calls, s_gl.counters.state_changes, s_gl.counters.programs};
}

void gles_glEnable(GLenum cap) {
    set_enable(cap, true, "glEnable");
}

void gles_glDisable(GLenum cap) {
    set_enable(cap, false, "glDisable");
}

GLboolean gles_glIsEnabled(GLenum cap) {
    if (cap == GL_VERTEX_ARRAY) return s_gl.client.vertex.enabled;
    if (cap == GL_NORMAL_ARRAY) return s_gl.client.normal.enabled;
    if (cap == GL_TEXTURE_COORD_ARRAY) return s_gl.client.texcoord.enabled;
    if (cap == GL_COLOR_ARRAY) return s_gl.client.colour.enabled;
    const bool* flag = capability(cap);
    if (!flag) not_covered("glIsEnabled(0x%04X)", cap);
    return *flag;
}

void gles_glAlphaFunc(GLenum func, GLclampf ref) {
    reject_in_list("glAlphaFunc");
    if (func < GL_NEVER || func > GL_ALWAYS) not_covered("glAlphaFunc(0x%04X)", func);
    ref = std::fmin(std::fmax(ref, 0.0f), 1.0f);
    ServerState& s = s_gl.server;
    if (s.alpha_func == func && s.alpha_ref == ref) return;
    flush_batch();
    s.alpha_func = func;
    s.alpha_ref = ref;
    s_gl.versions[kUniformAlpha]++;
}

void gles_glBlendFunc(GLenum sfactor, GLenum dfactor) {
    reject_in_list("glBlendFunc");
    ServerState& s = s_gl.server;
    if (s.blend_src == sfactor && s.blend_dst == dfactor) return;
    flush_batch();
    s.blend_src = sfactor;
    s.blend_dst = dfactor;
}

void gles_glDepthFunc(GLenum func) {
    reject_in_list("glDepthFunc");
    if (s_gl.server.depth_func == func) return;
    flush_batch();
    s_gl.server.depth_func = func;
}

void gles_glDepthMask(GLboolean flag) {
    reject_in_list("glDepthMask");
    if (s_gl.server.depth_mask == bool(flag)) return;
    flush_batch();
    s_gl.server.depth_mask = flag;
}

void gles_glColorMask(GLboolean r, GLboolean g, GLboolean b, GLboolean a) {
    reject_in_list("glColorMask");
    const bool mask[4] = {bool(r), bool(g), bool(b), bool(a)};
    if (memcmp(mask, s_gl.server.colour_mask, sizeof mask) == 0) return;
    flush_batch();
    memcpy(s_gl.server.colour_mask, mask, sizeof mask);
}

void gles_glCullFace(GLenum mode) {
    reject_in_list("glCullFace");
    if (s_gl.server.cull_mode == mode) return;
    flush_batch();
    s_gl.server.cull_mode = mode;
}

void gles_glFrontFace(GLenum mode) {
    reject_in_list("glFrontFace");
    if (s_gl.server.front_face == mode) return;
    flush_batch();
    s_gl.server.front_face = mode;
}

void gles_glShadeModel(GLenum mode) {
    reject_in_list("glShadeModel");
    if (mode != GL_FLAT && mode != GL_SMOOTH) not_covered("glShadeModel(0x%04X)", mode);
    // Flat colours are settled per primitive as its indices are made, so the batch may carry both.
    s_gl.server.shade_model = mode;
}

void gles_glPolygonMode(GLenum face, GLenum mode) {
    reject_in_list("glPolygonMode");
    if (mode != GL_FILL) not_covered("glPolygonMode(0x%04X, 0x%04X): polygons are drawn filled only", face, mode);
    s_gl.server.polygon_mode = mode;
}

void gles_glLineWidth(GLfloat width) {
    reject_in_list("glLineWidth");
    if (s_gl.server.line_width == width) return;
    flush_batch();
    s_gl.server.line_width = width;
}

void gles_glScissor(GLint x, GLint y, GLsizei width, GLsizei height) {
    reject_in_list("glScissor");
    const int box[4] = {x, y, width, height};
    if (memcmp(box, s_gl.server.scissor, sizeof box) == 0) return;
    flush_batch();
    memcpy(s_gl.server.scissor, box, sizeof box);
}

void gles_glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    reject_in_list("glViewport");
    const int box[4] = {x, y, width, height};
    if (memcmp(box, s_gl.server.viewport, sizeof box) == 0) return;
    flush_batch();
    memcpy(s_gl.server.viewport, box, sizeof box);
}

void gles_glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
    reject_in_list("glClearColor");
    copy4(s_gl.server.clear_colour, std::fmin(std::fmax(r, 0.0f), 1.0f), std::fmin(std::fmax(g, 0.0f), 1.0f),
          std::fmin(std::fmax(b, 0.0f), 1.0f), std::fmin(std::fmax(a, 0.0f), 1.0f));
}

void gles_glClearDepth(GLclampd depth) {
    reject_in_list("glClearDepth");
    s_gl.server.clear_depth = float(std::fmin(std::fmax(depth, 0.0), 1.0));
}

void gles_glClear(GLbitfield mask) {
    reject_in_list("glClear");
    if (mask & ~GLbitfield(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT)) {
        not_covered("glClear(0x%X): the accumulation buffer", mask);
    }
    flush_batch();
    apply_clear_state();
    DriverState& d = s_gl.driver;
    const ServerState& s = s_gl.server;
    if ((mask & GL_COLOR_BUFFER_BIT) && !same4(d.clear_colour, s.clear_colour)) {
        glClearColor(s.clear_colour[0], s.clear_colour[1], s.clear_colour[2], s.clear_colour[3]);
        memcpy(d.clear_colour, s.clear_colour, sizeof d.clear_colour);
        ++s_gl.counters.state_changes;
    }
    if ((mask & GL_DEPTH_BUFFER_BIT) && d.clear_depth != s.clear_depth) {
        glClearDepthf(s.clear_depth);
        d.clear_depth = s.clear_depth;
        ++s_gl.counters.state_changes;
    }
    glClear(mask);
    ++s_gl.counters.draw_calls;
}

void gles_glFogf(GLenum pname, GLfloat param) {
    reject_in_list("glFogf");
    ServerState& s = s_gl.server;
    float* field = nullptr;
    switch (pname) {
    case GL_FOG_DENSITY: field = &s.fog_density; break;
    case GL_FOG_START: field = &s.fog_start; break;
    case GL_FOG_END: field = &s.fog_end; break;
    case GL_FOG_MODE: gles_glFogi(pname, GLint(param)); return;
    default: not_covered("glFogf(0x%04X)", pname);
    }
    if (*field == param) return;
    flush_batch();
    *field = param;
    s_gl.versions[kUniformFog]++;
}

void gles_glFogi(GLenum pname, GLint param) {
    reject_in_list("glFogi");
    if (pname != GL_FOG_MODE) {
        gles_glFogf(pname, GLfloat(param));
        return;
    }
    const GLenum mode = GLenum(param);
    if (mode != GL_LINEAR && mode != GL_EXP && mode != GL_EXP2) not_covered("glFogi(GL_FOG_MODE, 0x%04X)", mode);
    if (s_gl.server.fog_mode == mode) return;
    flush_batch();
    s_gl.server.fog_mode = mode;
}

void gles_glFogfv(GLenum pname, const GLfloat* params) {
    reject_in_list("glFogfv");
    if (pname != GL_FOG_COLOR) {
        gles_glFogf(pname, params[0]);
        return;
    }
    float colour[4];
    for (int i = 0; i < 4; ++i) colour[i] = std::fmin(std::fmax(params[i], 0.0f), 1.0f);
    if (same4(colour, s_gl.server.fog_colour)) return;
    flush_batch();
    memcpy(s_gl.server.fog_colour, colour, sizeof colour);
    s_gl.versions[kUniformFog]++;
}

void gles_glLightfv(GLenum which, GLenum pname, const GLfloat* params) {
    reject_in_list("glLightfv");
    Light& l = light(which, "glLightfv");
    float value[4];
    float* field = nullptr;
    switch (pname) {
    case GL_AMBIENT: field = l.ambient; break;
    case GL_DIFFUSE: field = l.diffuse; break;
    case GL_SPECULAR: field = l.specular; break;
    case GL_POSITION: field = l.position; break;
    default: not_covered("glLightfv(0x%04X, 0x%04X): spotlights and attenuation", which, pname);
    }
    if (pname == GL_POSITION) {
        // Into eye space through the model-view matrix of now.
        const float* m = modelview().m;
        for (int r = 0; r < 4; ++r) {
            value[r] = m[r] * params[0] + m[4 + r] * params[1] + m[8 + r] * params[2] + m[12 + r] * params[3];
        }
    } else {
        memcpy(value, params, sizeof value);
    }
    if (same4(field, value)) return;
    flush_batch();
    memcpy(field, value, sizeof value);
    s_gl.versions[kUniformLighting]++;
}

void gles_glLightf(GLenum which, GLenum pname, GLfloat param) {
    reject_in_list("glLightf");
    light(which, "glLightf");
    // The defaults are what the layer draws: no spotlight, no attenuation.
    const bool initial = (pname == GL_SPOT_CUTOFF && param == 180.0f) || (pname == GL_SPOT_EXPONENT && param == 0.0f) ||
                         (pname == GL_CONSTANT_ATTENUATION && param == 1.0f) ||
                         ((pname == GL_LINEAR_ATTENUATION || pname == GL_QUADRATIC_ATTENUATION) && param == 0.0f);
    if (!initial) not_covered("glLightf(0x%04X, 0x%04X, %g): spotlights and attenuation", which, pname, double(param));
}

void gles_glLightModelfv(GLenum pname, const GLfloat* params) {
    reject_in_list("glLightModelfv");
    if (pname == GL_LIGHT_MODEL_AMBIENT) {
        if (same4(params, s_gl.server.model_ambient)) return;
        flush_batch();
        memcpy(s_gl.server.model_ambient, params, sizeof s_gl.server.model_ambient);
        s_gl.versions[kUniformLighting]++;
        return;
    }
    if ((pname == GL_LIGHT_MODEL_LOCAL_VIEWER || pname == GL_LIGHT_MODEL_TWO_SIDE) && params[0] == 0.0f) return;
    not_covered("glLightModelfv(0x%04X): a local viewer and two-sided lighting", pname);
}

void gles_glMaterialfv(GLenum face, GLenum pname, const GLfloat* params) {
    if (face != GL_FRONT && face != GL_FRONT_AND_BACK) not_covered("glMaterialfv(0x%04X): back materials", face);
    if (compiling_list()) {
        record_material(pname, params);
        return;
    }
    Material& m = s_gl.server.material;
    const int count = pname == GL_SHININESS ? 1 : 4;
    float* fields[2] = {nullptr, nullptr};
    switch (pname) {
    case GL_AMBIENT: fields[0] = m.ambient; break;
    case GL_DIFFUSE: fields[0] = m.diffuse; break;
    case GL_SPECULAR: fields[0] = m.specular; break;
    case GL_EMISSION: fields[0] = m.emission; break;
    case GL_AMBIENT_AND_DIFFUSE: fields[0] = m.ambient; fields[1] = m.diffuse; break;
    case GL_SHININESS: fields[0] = &m.shininess; break;
    default: not_covered("glMaterialfv(0x%04X)", pname);
    }
    if (pname == GL_SHININESS && (params[0] < 0.0f || params[0] > 128.0f)) return;  // GL refuses it
    bool changed = false;
    for (float* field : fields) {
        if (field && memcmp(field, params, sizeof(float) * size_t(count)) != 0) changed = true;
    }
    if (!changed) return;
    // Inside glBegin the vertices so far keep the material they had.
    flush_batch();
    for (float* field : fields) {
        if (field) memcpy(field, params, sizeof(float) * size_t(count));
    }
    s_gl.versions[kUniformLighting]++;
}

void gles_glMaterialf(GLenum face, GLenum pname, GLfloat param) {
    if (pname != GL_SHININESS) not_covered("glMaterialf(0x%04X)", pname);
    gles_glMaterialfv(face, pname, &param);
}

void gles_glTexEnvi(GLenum target, GLenum pname, GLint param) {
    reject_in_list("glTexEnvi");
    if (target != GL_TEXTURE_ENV || pname != GL_TEXTURE_ENV_MODE || (param != GL_MODULATE && param != GL_REPLACE)) {
        not_covered("glTexEnvi(0x%04X, 0x%04X, 0x%04X): MODULATE and REPLACE only", target, pname, GLenum(param));
    }
    if (s_gl.server.env_mode == GLenum(param)) return;
    flush_batch();
    s_gl.server.env_mode = GLenum(param);
}

void gles_glPushAttrib(GLbitfield mask) {
    reject_in_list("glPushAttrib");
    if (mask != GL_ALL_ATTRIB_BITS) not_covered("glPushAttrib(0x%X): GL_ALL_ATTRIB_BITS only", mask);
    if (s_gl.server_depth == kAttribDepth) {
        s_gl.error = GL_STACK_OVERFLOW;
        return;
    }
    s_gl.server_stack[s_gl.server_depth++] = s_gl.server;
}

void gles_glPopAttrib() {
    reject_in_list("glPopAttrib");
    if (s_gl.server_depth == 0) {
        s_gl.error = GL_STACK_UNDERFLOW;
        return;
    }
    flush_batch();
    s_gl.server = s_gl.server_stack[--s_gl.server_depth];
    for (int& v : s_gl.versions) ++v;
}

void gles_glPushClientAttrib(GLbitfield mask) {
    reject_in_list("glPushClientAttrib");
    if (mask != GL_CLIENT_ALL_ATTRIB_BITS) not_covered("glPushClientAttrib(0x%X): all bits only", mask);
    if (s_gl.client_depth == kAttribDepth) {
        s_gl.error = GL_STACK_OVERFLOW;
        return;
    }
    s_gl.client_stack[s_gl.client_depth++] = s_gl.client;
}

void gles_glPopClientAttrib() {
    reject_in_list("glPopClientAttrib");
    if (s_gl.client_depth == 0) {
        s_gl.error = GL_STACK_UNDERFLOW;
        return;
    }
    s_gl.client = s_gl.client_stack[--s_gl.client_depth];
}

namespace {

// Writes count values of a query as the caller's type.
template <typename T>
void put(T* out, const float* values, int count, bool colour = false) {
    for (int i = 0; i < count; ++i) {
        if constexpr (sizeof(T) == sizeof(GLint) && T(0.5) == T(0)) {
            // Colours as integers span the whole range, as GL gives them.
            out[i] = colour ? T(std::lround(double(values[i]) * 2147483647.0)) : T(std::lround(values[i]));
        } else {
            out[i] = T(values[i]);
        }
    }
}

template <typename T>
void get_values(GLenum pname, T* out, const char* call) {
    const ServerState& s = s_gl.server;
    float v[16];
    switch (pname) {
    case GL_MODELVIEW_MATRIX: put(out, modelview().m, 16); return;
    case GL_PROJECTION_MATRIX: put(out, projection().m, 16); return;
    case GL_TEXTURE_MATRIX: put(out, texture_matrix().m, 16); return;
    case GL_CURRENT_COLOR: put(out, s.colour, 4, true); return;
    case GL_CURRENT_NORMAL: put(out, s.normal, 3); return;
    case GL_CURRENT_RASTER_COLOR: put(out, s.raster_colour, 4, true); return;
    case GL_COLOR_CLEAR_VALUE: put(out, s.clear_colour, 4, true); return;
    case GL_FOG_COLOR: put(out, s.fog_colour, 4, true); return;
    case GL_LIGHT_MODEL_AMBIENT: put(out, s.model_ambient, 4, true); return;
    case GL_CURRENT_TEXTURE_COORDS: v[0] = s.texcoord[0]; v[1] = s.texcoord[1]; v[2] = 0; v[3] = 1; put(out, v, 4); return;
    case GL_CURRENT_RASTER_POSITION: v[0] = s.raster[0]; v[1] = s.raster[1]; v[2] = s.raster[2]; v[3] = 1; put(out, v, 4); return;
    case GL_VIEWPORT: for (int i = 0; i < 4; ++i) v[i] = float(s.viewport[i]); put(out, v, 4); return;
    case GL_COLOR_WRITEMASK: for (int i = 0; i < 4; ++i) v[i] = s.colour_mask[i]; put(out, v, 4); return;
    case GL_MAX_VIEWPORT_DIMS: {
        GLint dims[2];
        glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
        v[0] = float(dims[0]);
        v[1] = float(dims[1]);
        put(out, v, 2);
        return;
    }
    default: break;
    }
    switch (pname) {
    case GL_MATRIX_MODE: v[0] = float(s.matrix_mode); break;
    case GL_MODELVIEW_STACK_DEPTH: v[0] = float(s_gl.depths[0] + 1); break;
    case GL_PROJECTION_STACK_DEPTH: v[0] = float(s_gl.depths[1] + 1); break;
    case GL_TEXTURE_STACK_DEPTH: v[0] = float(s_gl.depths[2] + 1); break;
    case GL_MAX_MODELVIEW_STACK_DEPTH:
    case GL_MAX_PROJECTION_STACK_DEPTH:
    case GL_MAX_TEXTURE_STACK_DEPTH: v[0] = float(kMatrixDepth); break;
    case GL_MAX_LIGHTS: v[0] = float(kLights); break;
    case GL_TEXTURE_BINDING_2D: v[0] = float(s.texture); break;
    case GL_UNPACK_ALIGNMENT: v[0] = float(s_gl.client.unpack_alignment); break;
    case GL_PACK_ALIGNMENT: v[0] = float(s_gl.client.pack_alignment); break;
    case GL_UNPACK_ROW_LENGTH: case GL_UNPACK_SKIP_ROWS: case GL_UNPACK_SKIP_PIXELS: case GL_UNPACK_SWAP_BYTES:
    case GL_UNPACK_LSB_FIRST: case GL_PACK_ROW_LENGTH: case GL_PACK_SKIP_ROWS: case GL_PACK_SKIP_PIXELS:
    case GL_PACK_SWAP_BYTES: case GL_PACK_LSB_FIRST: v[0] = 0; break;
    case GL_SHADE_MODEL: v[0] = float(s.shade_model); break;
    case GL_DEPTH_FUNC: v[0] = float(s.depth_func); break;
    case GL_DEPTH_WRITEMASK: v[0] = s.depth_mask; break;
    case GL_DEPTH_CLEAR_VALUE: v[0] = s.clear_depth; break;
    case GL_BLEND_SRC: v[0] = float(s.blend_src); break;
    case GL_BLEND_DST: v[0] = float(s.blend_dst); break;
    case GL_ALPHA_TEST_FUNC: v[0] = float(s.alpha_func); break;
    case GL_ALPHA_TEST_REF: v[0] = s.alpha_ref; break;
    case GL_CULL_FACE_MODE: v[0] = float(s.cull_mode); break;
    case GL_FRONT_FACE: v[0] = float(s.front_face); break;
    case GL_LINE_WIDTH: v[0] = s.line_width; break;
    case GL_LIST_BASE: v[0] = float(s.list_base); break;
    case GL_FOG_MODE: v[0] = float(s.fog_mode); break;
    case GL_FOG_DENSITY: v[0] = s.fog_density; break;
    case GL_FOG_START: v[0] = s.fog_start; break;
    case GL_FOG_END: v[0] = s.fog_end; break;
    case GL_CURRENT_RASTER_POSITION_VALID: v[0] = s.raster_valid; break;
    case GL_POLYGON_MODE: v[0] = v[1] = float(s.polygon_mode); put(out, v, 2); return;
    case GL_MAX_TEXTURE_SIZE:
    case GL_RED_BITS:
    case GL_GREEN_BITS:
    case GL_BLUE_BITS:
    case GL_ALPHA_BITS:
    case GL_DEPTH_BITS: {
        GLint value = 0;
        glGetIntegerv(pname, &value);
        v[0] = float(value);
        break;
    }
    default:
        if (const bool* flag = capability(pname)) {
            v[0] = *flag;
            break;
        }
        not_covered("%s(0x%04X)", call, pname);
    }
    put(out, v, 1);
}

}  // namespace

void gles_glGetIntegerv(GLenum pname, GLint* params) {
    get_values(pname, params, "glGetIntegerv");
}

void gles_glGetFloatv(GLenum pname, GLfloat* params) {
    get_values(pname, params, "glGetFloatv");
}

void gles_glGetBooleanv(GLenum pname, GLboolean* params) {
    float values[16];
    get_values(pname, values, "glGetBooleanv");
    const int count = (pname == GL_MODELVIEW_MATRIX || pname == GL_PROJECTION_MATRIX || pname == GL_TEXTURE_MATRIX) ? 16 : 1;
    for (int i = 0; i < count; ++i) params[i] = values[i] != 0.0f;
}

const GLubyte* gles_glGetString(GLenum name) {
    if (name < GL_VENDOR || name > GL_EXTENSIONS) return nullptr;
    return reinterpret_cast<const GLubyte*>(s_strings[name - GL_VENDOR]);
}

GLenum gles_glGetError() {
    const GLenum error = s_gl.error;
    s_gl.error = GL_NO_ERROR;
    return error != GL_NO_ERROR ? error : glGetError();
}

void gles_glFinish() {
    flush_batch();
    glFinish();
}

void gles_glFlush() {
    flush_batch();
    glFlush();
}
