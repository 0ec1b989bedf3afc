// lists.cpp -- display lists as recorded batches and state changes, the raster position and glBitmap's glyphs
#include "platform/gles/layer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace gles {

namespace {

constexpr int kAtlasSize = 512;        // glBitmap's glyphs, packed in rows, as alpha
constexpr int kSegmentVertices = 65535;  // the vertices one recorded draw's 16-bit indices reach

enum OpKind { kOpDraw, kOpMaterial, kOpBitmap };

struct ListOp {
    OpKind kind;
    GLenum pname;       // kOpMaterial: what glMaterialfv set
    float params[4];
    GLenum primitives;  // kOpDraw: GL_TRIANGLES or GL_LINES
    int base;           // the first vertex its indices count from
    int first_index;
    int index_count;
    bool own_material;  // kOpDraw: lit with each vertex's material from the list's buffer of them
    int glyph;          // kOpBitmap
};

// The material fields a list's calls have set, as bits.
enum MaterialSet : unsigned { kSetAmbient = 1, kSetDiffuse = 2, kSetSpecular = 4, kSetShininess = 8, kSetAll = 15 };

struct Glyph {
    float s0, t0, s1, t1;  // in the atlas
    int width, height;
    float xorig, yorig, xmove, ymove;
};

struct DisplayList {
    bool defined;
    std::vector<ListOp> ops;
    // A list whose faces change the material between them draws as merged: one draw for each run
    // of its vertices, their materials from the buffer beside them, then the materials it leaves.
    std::vector<ListOp> merged;
    GLuint materials;      // buffer of VertexMaterial, one for each recorded vertex; 0 when not merged
    GLuint vertices;       // buffer of the recorded vertices
    GLuint flat_vertices;  // the same with each separate primitive's last colour and normal, for GL_FLAT
    GLuint indices;
    bool gives_colour, gives_normal, gives_texcoord;  // whether its calls set these, or the current ones hold
    float colour[4], normal[3], texcoord[2];          // what they are left at by the list
};

struct ListState {
    std::vector<DisplayList> lists;  // list n at n - 1
    GLuint compiling;                // the list being compiled; 0 when none
    std::vector<Vertex> vertices;    // its vertices, in object space
    std::vector<VertexMaterial> materials;  // the material the list's own calls had set at each vertex
    VertexMaterial material;         // what they have set so far
    unsigned material_set;           // which fields of it (MaterialSet)
    bool unset_material;             // a vertex came before the list had set every field
    bool emission;                   // the list sets GL_EMISSION (or a name GL refuses): not carried per vertex
    std::vector<GLushort> indices;
    int base;                        // its draw's first vertex
    float saved_colour[4], saved_normal[3], saved_texcoord[2];  // the current attributes, which compiling keeps
    GLuint atlas;
    int atlas_x, atlas_y, row_height;
    std::vector<Glyph> glyphs;
    std::vector<uint8_t> glyph_pixels;
} s_lists;

DisplayList* list_named(GLuint name) {
    if (name == 0 || name > s_lists.lists.size()) return nullptr;
    DisplayList& list = s_lists.lists[name - 1];
    return list.defined ? &list : nullptr;
}

DisplayList& compiled() {
    return s_lists.lists[s_lists.compiling - 1];
}

// The draw that recorded vertices of the kind go into: the last one, unless something else came
// after it or it is of another kind.
ListOp& open_draw(GLenum primitives) {
    std::vector<ListOp>& ops = compiled().ops;
    if (ops.empty() || ops.back().kind != kOpDraw || ops.back().primitives != primitives ||
        ops.back().base != s_lists.base) {
        ListOp op{};
        op.kind = kOpDraw;
        op.primitives = primitives;
        op.base = s_lists.base;
        op.first_index = int(s_lists.indices.size());
        ops.push_back(op);
    }
    return ops.back();
}

int separate_size(GLenum mode) {
    return mode == GL_TRIANGLES ? 3 : mode == GL_QUADS ? 4 : mode == GL_LINES ? 2 : 0;
}

// Makes the indices of the primitive's vertices from first to the end, into the open draw.
void index_recorded(int first) {
    Primitive& p = s_gl.primitive;
    const int count = int(s_lists.vertices.size()) - first;
    if (count <= 0) return;
    ListOp& op = open_draw((p.mode == GL_LINES || p.mode == GL_LINE_LOOP || p.mode == GL_LINE_STRIP) ? GL_LINES
                                                                                                  : GL_TRIANGLES);
    const size_t before = s_lists.indices.size();
    s_lists.indices.resize(before + size_t(count) * 3 + 2);
    const int made = make_indices(p.mode, s_lists.vertices.data() + s_lists.base, first - s_lists.base, count,
                                  s_lists.indices.data() + before, 0, false);
    s_lists.indices.resize(before + size_t(made));
    op.index_count += made;
}

// Whether the list can draw merged, and if so its merged ops: the list changes the material, every
// vertex was given after it had set each field, and it draws nothing but triangles.
void merge_draws(DisplayList& list) {
    bool materials = false;
    for (const ListOp& op : list.ops) {
        if (op.kind == kOpBitmap || (op.kind == kOpDraw && op.primitives != GL_TRIANGLES)) return;
        if (op.kind == kOpMaterial) materials = true;
    }
    if (!materials || s_lists.unset_material || s_lists.emission) return;
    for (const ListOp& op : list.ops) {
        if (op.kind != kOpDraw) continue;
        ListOp* last = list.merged.empty() ? nullptr : &list.merged.back();
        if (last && last->base == op.base && last->first_index + last->index_count == op.first_index) {
            last->index_count += op.index_count;
        } else {
            list.merged.push_back(op);
            list.merged.back().own_material = true;
        }
    }
    // Then the material the list leaves current: the last call of each name, in their order.
    const size_t draws = list.merged.size();
    GLenum seen[8];
    int seen_count = 0;
    for (size_t i = list.ops.size(); i-- > 0;) {
        const ListOp& op = list.ops[i];
        if (op.kind != kOpMaterial || std::find(seen, seen + seen_count, op.pname) != seen + seen_count) continue;
        seen[seen_count++] = op.pname;
        list.merged.push_back(op);
    }
    std::reverse(list.merged.begin() + long(draws), list.merged.end());
}

void upload_list(DisplayList& list) {
    if (s_lists.vertices.empty()) return;
    merge_draws(list);
    if (!list.merged.empty()) {
        glGenBuffers(1, &list.materials);
        glBindBuffer(GL_ARRAY_BUFFER, list.materials);
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(s_lists.materials.size() * sizeof(VertexMaterial)),
                     s_lists.materials.data(), GL_STATIC_DRAW);
    }
    GLuint buffers[3];
    glGenBuffers(3, buffers);
    list.vertices = buffers[0];
    list.flat_vertices = buffers[1];
    list.indices = buffers[2];
    glBindBuffer(GL_ARRAY_BUFFER, list.vertices);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(s_lists.vertices.size() * sizeof(Vertex)), s_lists.vertices.data(),
                 GL_STATIC_DRAW);
    // Under flat shading each triangle takes its last vertex's colour and normal; the recorded
    // triangles share no vertex, so a second copy of them serves.
    std::vector<Vertex> flat = s_lists.vertices;
    for (size_t v = 0; v + 3 <= flat.size(); v += 3) {
        for (int k = 0; k < 2; ++k) {
            memcpy(flat[v + size_t(k)].colour, flat[v + 2].colour, sizeof flat[v].colour);
            memcpy(flat[v + size_t(k)].normal, flat[v + 2].normal, sizeof flat[v].normal);
        }
    }
    glBindBuffer(GL_ARRAY_BUFFER, list.flat_vertices);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(flat.size() * sizeof(Vertex)), flat.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, list.indices);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(s_lists.indices.size() * sizeof(GLushort)), s_lists.indices.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, s_gl.driver.array_buffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, s_gl.driver.element_buffer);
}

void delete_list(DisplayList& list) {
    DriverState& d = s_gl.driver;
    // ES unbinds a buffer it deletes: the record of what is bound follows, and the material arrays,
    // which would fall back to client memory, are turned off first.
    if (list.materials) {
        set_material_arrays(false);
        if (d.array_buffer == list.materials) d.array_buffer = 0;
        glDeleteBuffers(1, &list.materials);
    }
    const GLuint buffers[3] = {list.vertices, list.flat_vertices, list.indices};
    if (list.vertices) {
        if (d.array_buffer == list.vertices || d.array_buffer == list.flat_vertices) d.array_buffer = 0;
        if (d.element_buffer == list.indices) d.element_buffer = 0;
        glDeleteBuffers(3, buffers);
    }
    list = DisplayList{};
}

// Binds a buffer unless the driver has it bound already.
void bind_buffer(GLenum target, GLuint buffer, GLuint* bound) {
    if (*bound == buffer) return;
    glBindBuffer(target, buffer);
    *bound = buffer;
    ++s_gl.counters.state_changes;
}

// One recorded draw: the list's buffers through the model-view matrix of now.
void draw_recorded(const DisplayList& list, const ListOp& op) {
    flush_batch();
    update_normal_matrix();
    Batch kind{};
    kind.kind = op.primitives;
    kind.vertex_material = op.own_material;
    apply_draw_state(kind, modelview().m, s_gl.normal_matrix);
    const bool flat = s_gl.server.shade_model == GL_FLAT && op.primitives == GL_TRIANGLES;
    const GLuint vertices = flat ? list.flat_vertices : list.vertices;
    if (op.own_material) {
        // The materials' pointers first: each takes the buffer bound when it is set.
        bind_buffer(GL_ARRAY_BUFFER, list.materials, &s_gl.driver.array_buffer);
        const uint8_t* at = reinterpret_cast<const uint8_t*>(size_t(op.base) * sizeof(VertexMaterial));
        const GLsizei size = sizeof(VertexMaterial);
        glVertexAttribPointer(kAmbient, 4, GL_FLOAT, GL_FALSE, size, at + offsetof(VertexMaterial, ambient));
        glVertexAttribPointer(kDiffuse, 4, GL_FLOAT, GL_FALSE, size, at + offsetof(VertexMaterial, diffuse));
        glVertexAttribPointer(kSpecular, 3, GL_FLOAT, GL_FALSE, size, at + offsetof(VertexMaterial, specular));
        s_gl.counters.state_changes += 3;
    }
    set_material_arrays(op.own_material);
    bind_buffer(GL_ARRAY_BUFFER, vertices, &s_gl.driver.array_buffer);
    bind_buffer(GL_ELEMENT_ARRAY_BUFFER, list.indices, &s_gl.driver.element_buffer);
    const uint8_t* base = reinterpret_cast<const uint8_t*>(size_t(op.base) * sizeof(Vertex));
    point_vertex_attributes(base);
    // What the list does not give, the current attribute gives, as one value for every vertex.
    const ServerState& s = s_gl.server;
    if (!list.gives_colour) {
        glDisableVertexAttribArray(kColour);
        glVertexAttrib4fv(kColour, s.colour);
    }
    if (!list.gives_normal) {
        glDisableVertexAttribArray(kNormal);
        glVertexAttrib3fv(kNormal, s.normal);
    }
    if (!list.gives_texcoord) {
        glDisableVertexAttribArray(kTexcoord);
        glVertexAttrib2fv(kTexcoord, s.texcoord);
    }
    glDrawElements(op.primitives, op.index_count, GL_UNSIGNED_SHORT,
                   reinterpret_cast<const void*>(size_t(op.first_index) * sizeof(GLushort)));
    ++s_gl.counters.draw_calls;
    if (!list.gives_colour) glEnableVertexAttribArray(kColour);
    if (!list.gives_normal) glEnableVertexAttribArray(kNormal);
    if (!list.gives_texcoord) glEnableVertexAttribArray(kTexcoord);
}

// A glyph at the raster position: a quad of its pixels, in clip space, in the raster colour.
void draw_glyph(const Glyph& g) {
    ServerState& s = s_gl.server;
    if (!s.raster_valid) return;
    if (g.width > 0 && g.height > 0) {
        open_primitive(GL_QUADS, true, false);
        const float x0 = std::floor(s.raster[0] - g.xorig);
        const float y0 = std::floor(s.raster[1] - g.yorig);
        emit_raster_quad(x0, y0, float(g.width), float(g.height), g.s0, g.t0, g.s1, g.t1);
        end_primitive();
    }
    s.raster[0] += g.xmove;
    s.raster[1] += g.ymove;
}

void call_list(GLuint name) {
    const DisplayList* list = list_named(name);
    if (!list) return;
    for (const ListOp& op : list->merged.empty() ? list->ops : list->merged) {
        switch (op.kind) {
        case kOpDraw: draw_recorded(*list, op); break;
        case kOpMaterial: gles_glMaterialfv(GL_FRONT_AND_BACK, op.pname, op.params); break;
        case kOpBitmap: draw_glyph(s_lists.glyphs[size_t(op.glyph)]); break;
        }
    }
    ServerState& s = s_gl.server;
    if (list->gives_colour) memcpy(s.colour, list->colour, sizeof s.colour);
    if (list->gives_normal) memcpy(s.normal, list->normal, sizeof s.normal);
    if (list->gives_texcoord) memcpy(s.texcoord, list->texcoord, sizeof s.texcoord);
}

}  // namespace

bool compiling_list() {
    return s_lists.compiling != 0;
}

GLuint bitmap_atlas() {
    return s_lists.atlas;
}

void record_begin(GLenum mode) {
    Primitive& p = s_gl.primitive;
    p.inside = true;
    p.mode = mode;
    if (int(s_lists.vertices.size()) - s_lists.base > kSegmentVertices - 1024) s_lists.base = int(s_lists.vertices.size());
    p.first = int(s_lists.vertices.size());
}

void record_vertex(float x, float y, float z) {
    Primitive& p = s_gl.primitive;
    const int separate = separate_size(p.mode);
    const int in_primitive = int(s_lists.vertices.size()) - p.first;
    const int in_segment = int(s_lists.vertices.size()) - s_lists.base;
    if (separate && in_primitive % separate == 0 && in_segment > kSegmentVertices - separate) {
        // The draw's indices reach no further: the finished primitives end it, the next begins here.
        index_recorded(p.first);
        s_lists.base = p.first = int(s_lists.vertices.size());
    } else if (in_segment == kSegmentVertices) {
        not_covered("a display list's glBegin(0x%04X) of more than %d vertices", p.mode, kSegmentVertices);
    }
    const ServerState& s = s_gl.server;
    Vertex v;
    v.position[0] = x;
    v.position[1] = y;
    v.position[2] = z;
    memcpy(v.colour, s.colour, sizeof v.colour);
    memcpy(v.normal, s.normal, sizeof v.normal);
    memcpy(v.texcoord, s.texcoord, sizeof v.texcoord);
    s_lists.vertices.push_back(v);
    s_lists.materials.push_back(s_lists.material);
    if (s_lists.material_set != kSetAll) s_lists.unset_material = true;
    DisplayList& list = compiled();
    // A vertex records the attributes current when it is given; whether the list's own calls set
    // them is told by their differing from what the list started with.
    if (memcmp(s.normal, s_lists.saved_normal, sizeof s.normal) != 0) list.gives_normal = true;
    if (memcmp(s.texcoord, s_lists.saved_texcoord, sizeof s.texcoord) != 0) list.gives_texcoord = true;
}

void record_colour(const float*) {
    compiled().gives_colour = true;
}

void record_end() {
    index_recorded(s_gl.primitive.first);
    s_gl.primitive.inside = false;
}

void record_material(GLenum pname, const float* params) {
    Primitive& p = s_gl.primitive;
    if (p.inside) {
        // Between faces: the finished primitives stay in the draw before the change.
        const int separate = separate_size(p.mode);
        const int count = int(s_lists.vertices.size()) - p.first;
        if (!separate || count % separate != 0) not_covered("glMaterialfv part way through a primitive in a list");
        index_recorded(p.first);
        p.first = int(s_lists.vertices.size());
    }
    ListOp op{};
    op.kind = kOpMaterial;
    op.pname = pname;
    memcpy(op.params, params, sizeof(float) * (pname == GL_SHININESS ? 1 : 4));
    compiled().ops.push_back(op);
    VertexMaterial& m = s_lists.material;
    switch (pname) {
    case GL_AMBIENT_AND_DIFFUSE:
    case GL_AMBIENT:
        memcpy(m.ambient, params, sizeof(float) * 3);
        s_lists.material_set |= kSetAmbient;
        if (pname == GL_AMBIENT) break;
        [[fallthrough]];
    case GL_DIFFUSE:
        memcpy(m.diffuse, params, sizeof m.diffuse);
        s_lists.material_set |= kSetDiffuse;
        break;
    case GL_SPECULAR:
        memcpy(m.specular, params, sizeof m.specular);
        s_lists.material_set |= kSetSpecular;
        break;
    case GL_SHININESS:
        // Executed, a shininess GL refuses leaves the one before.
        if (params[0] >= 0.0f && params[0] <= 128.0f) {
            m.ambient[3] = params[0];
            s_lists.material_set |= kSetShininess;
        }
        break;
    default: s_lists.emission = true; break;
    }
}

void record_bitmap(GLsizei width, GLsizei height, float xorig, float yorig, float xmove, float ymove,
                   const GLubyte* bitmap) {
    Glyph g{};
    g.width = width;
    g.height = height;
    g.xorig = xorig;
    g.yorig = yorig;
    g.xmove = xmove;
    g.ymove = ymove;
    if (width > 0 && height > 0) {
        if (s_lists.atlas_x + width + 1 > kAtlasSize) {
            s_lists.atlas_x = 0;
            s_lists.atlas_y += s_lists.row_height + 1;
            s_lists.row_height = 0;
        }
        if (width > kAtlasSize || s_lists.atlas_y + height > kAtlasSize) {
            not_covered("glBitmap's glyphs beyond a %d x %d atlas", kAtlasSize, kAtlasSize);
        }
        // GL's rows come bottom first, each padded to the unpack alignment; the atlas keeps them so.
        const int alignment = s_gl.client.unpack_alignment;
        const int row_bytes = ((width + 7) / 8 + alignment - 1) / alignment * alignment;
        s_lists.glyph_pixels.assign(size_t(width) * size_t(height), 0);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const bool set = (bitmap[size_t(y) * size_t(row_bytes) + size_t(x / 8)] >> (7 - x % 8)) & 1;
                s_lists.glyph_pixels[size_t(y) * size_t(width) + size_t(x)] = set ? 255 : 0;
            }
        }
        bind_texture_unit(s_lists.atlas);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexSubImage2D(GL_TEXTURE_2D, 0, s_lists.atlas_x, s_lists.atlas_y, width, height, GL_ALPHA, GL_UNSIGNED_BYTE,
                        s_lists.glyph_pixels.data());
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        const float texel = 1.0f / float(kAtlasSize);
        g.s0 = float(s_lists.atlas_x) * texel;
        g.t0 = float(s_lists.atlas_y) * texel;
        g.s1 = float(s_lists.atlas_x + width) * texel;
        g.t1 = float(s_lists.atlas_y + height) * texel;
        s_lists.atlas_x += width + 1;
        if (height > s_lists.row_height) s_lists.row_height = height;
    }
    ListOp op{};
    op.kind = kOpBitmap;
    op.glyph = int(s_lists.glyphs.size());
    s_lists.glyphs.push_back(g);
    compiled().ops.push_back(op);
}

void open_lists() {
    s_lists.compiling = 0;
    s_lists.atlas_x = s_lists.atlas_y = s_lists.row_height = 0;
    glGenTextures(1, &s_lists.atlas);
    bind_texture_unit(s_lists.atlas);
    std::vector<uint8_t> clear(size_t(kAtlasSize) * kAtlasSize, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, kAtlasSize, kAtlasSize, 0, GL_ALPHA, GL_UNSIGNED_BYTE, clear.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

void close_lists() {
    for (DisplayList& list : s_lists.lists) delete_list(list);
    s_lists.lists.clear();
    s_lists.glyphs.clear();
    if (s_lists.atlas) glDeleteTextures(1, &s_lists.atlas);
    s_lists.atlas = 0;
    s_gl.driver.texture = 0;
}

}  // namespace gles

using namespace gles;

GLuint gles_glGenLists(GLsizei range) {
    if (range <= 0) return 0;
    // The lowest run of range unused names, past the end if need be.
    std::vector<DisplayList>& lists = s_lists.lists;
    size_t run = 0;
    size_t start = 0;
    for (size_t i = 0; i < lists.size() && run < size_t(range); ++i) {
        if (lists[i].defined) {
            run = 0;
            start = i + 1;
        } else {
            ++run;
        }
    }
    if (lists.size() < start + size_t(range)) lists.resize(start + size_t(range));
    // A name given out is taken, empty until compiled.
    for (size_t i = start; i < start + size_t(range); ++i) lists[i].defined = true;
    return GLuint(start + 1);
}

void gles_glDeleteLists(GLuint list, GLsizei range) {
    for (GLsizei i = 0; i < range; ++i) {
        if (list + GLuint(i) == 0 || list + GLuint(i) > s_lists.lists.size()) continue;
        delete_list(s_lists.lists[list + GLuint(i) - 1]);
    }
}

void gles_glNewList(GLuint list, GLenum mode) {
    if (compiling_list() || s_gl.primitive.inside || list == 0) {
        s_gl.error = GL_INVALID_OPERATION;
        return;
    }
    if (mode != GL_COMPILE) not_covered("glNewList(%u, 0x%04X): GL_COMPILE only", list, mode);
    if (list > s_lists.lists.size()) s_lists.lists.resize(list);
    DisplayList& record = s_lists.lists[list - 1];
    delete_list(record);
    record.defined = true;
    s_lists.compiling = list;
    s_lists.vertices.clear();
    s_lists.materials.clear();
    s_lists.material = VertexMaterial{};
    s_lists.material_set = 0;
    s_lists.unset_material = s_lists.emission = false;
    s_lists.indices.clear();
    s_lists.base = 0;
    const ServerState& s = s_gl.server;
    memcpy(s_lists.saved_colour, s.colour, sizeof s.colour);
    memcpy(s_lists.saved_normal, s.normal, sizeof s.normal);
    memcpy(s_lists.saved_texcoord, s.texcoord, sizeof s.texcoord);
}

void gles_glEndList() {
    if (!compiling_list() || s_gl.primitive.inside) {
        s_gl.error = GL_INVALID_OPERATION;
        return;
    }
    DisplayList& list = compiled();
    ServerState& s = s_gl.server;
    memcpy(list.colour, s.colour, sizeof s.colour);
    memcpy(list.normal, s.normal, sizeof s.normal);
    memcpy(list.texcoord, s.texcoord, sizeof s.texcoord);
    upload_list(list);
    // Compiling executes nothing: the current attributes are what they were before.
    memcpy(s.colour, s_lists.saved_colour, sizeof s.colour);
    memcpy(s.normal, s_lists.saved_normal, sizeof s.normal);
    memcpy(s.texcoord, s_lists.saved_texcoord, sizeof s.texcoord);
    s_lists.compiling = 0;
    s_lists.vertices.clear();
    s_lists.materials.clear();
    s_lists.indices.clear();
}

void gles_glCallList(GLuint list) {
    if (compiling_list()) not_covered("glCallList inside a display list");
    call_list(list);
}

void gles_glCallLists(GLsizei n, GLenum type, const GLvoid* lists) {
    if (compiling_list()) not_covered("glCallLists inside a display list");
    if (type != GL_UNSIGNED_BYTE) not_covered("glCallLists(type 0x%04X): GL_UNSIGNED_BYTE only", type);
    const GLubyte* names = static_cast<const GLubyte*>(lists);
    for (GLsizei i = 0; i < n; ++i) call_list(s_gl.server.list_base + names[i]);
}

void gles_glListBase(GLuint base) {
    s_gl.server.list_base = base;
}

void gles_glRasterPos2f(GLfloat x, GLfloat y) {
    if (compiling_list()) not_covered("glRasterPos inside a display list");
    ServerState& s = s_gl.server;
    const float object[3] = {x, y, 0.0f};
    float eye[3];
    transform_point(modelview().m, object, eye);
    const float* p = projection().m;
    float clip[4];
    for (int r = 0; r < 4; ++r) clip[r] = p[r] * eye[0] + p[4 + r] * eye[1] + p[8 + r] * eye[2] + p[12 + r];
    s.raster_valid = true;
    for (int k = 0; k < 3; ++k) {
        if (clip[k] < -clip[3] || clip[k] > clip[3]) s.raster_valid = false;
    }
    if (!s.raster_valid) return;
    const int* v = s.viewport;
    s.raster[0] = float(v[0]) + (clip[0] / clip[3] + 1.0f) * 0.5f * float(v[2]);
    s.raster[1] = float(v[1]) + (clip[1] / clip[3] + 1.0f) * 0.5f * float(v[3]);
    s.raster[2] = (clip[2] / clip[3] + 1.0f) * 0.5f;
    memcpy(s.raster_colour, s.colour, sizeof s.raster_colour);
}

void gles_glRasterPos2i(GLint x, GLint y) {
    gles_glRasterPos2f(GLfloat(x), GLfloat(y));
}

void gles_glBitmap(GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig, GLfloat xmove, GLfloat ymove,
                   const GLubyte* bitmap) {
    if (!compiling_list()) not_covered("glBitmap outside a display list");
    record_bitmap(width, height, xorig, yorig, xmove, ymove, bitmap);
}
