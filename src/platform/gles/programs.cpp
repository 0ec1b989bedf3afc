// programs.cpp -- GLSL ES 1.00 programs generated from a key of the fixed-function state, cached, and the state a draw sets
#include "platform/gles/layer.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/gles/gles.h"

namespace gles {

// The key's fields.
enum KeyBits : uint32_t {
    kKeyTexture = 1u << 0,       // texturing, from the bound texture's format in kKeyFormatShift
    kKeyFormatShift = 1,         // 2 bits: 0 RGB, 1 RGBA, 2 alpha, 3 luminance
    kKeyReplace = 1u << 3,       // GL_REPLACE, else GL_MODULATE
    kKeyLighting = 1u << 4,
    kKeyLight0 = 1u << 5,        // kKeyLight0 << i for light i
    kKeyFogShift = 7,            // 2 bits: 0 none, 1 linear, 2 exp, 3 exp2
    kKeyAlphaShift = 9,          // 3 bits: the alpha test's function less GL_NEVER, plus one; 0 none
    kKeyBitmap = 1u << 12,       // glyphs from glBitmap: the raster colour where the atlas has a bit
    kKeyImage = 1u << 13,        // a picture from glDrawPixels: its texels as they are
    kKeyVertexMaterial = 1u << 14,  // lit with the material of each vertex, not the current one
};

struct Program {
    uint32_t key;
    GLuint name;
    GLint projection, modelview, normal_matrix;
    GLint scene, emission, light_position, light_ambient, light_diffuse, light_specular, shininess;
    GLint fog_colour, fog;
    GLint alpha_ref;
    int seen[4];               // the versions of the uniforms uploaded last
    bool eye_space;            // the identity is the model-view uploaded last
};

namespace {

constexpr int kPrograms = 256;

struct ProgramCache {
    Program programs[kPrograms];
    int count;
} s_programs;

const uint32_t kKnownKeys[] = {
#include "platform/gles/program_keys.inc"
};

// The vertex shader: eye-space position, GL's lighting per vertex, the fog distance. Lit with the
// current material, the light colours come multiplied by it already and the material terms are 1;
// with each vertex's material, the shader multiplies.
void vertex_source(uint32_t key, char* out, size_t size) {
    const bool lit = (key & kKeyLighting) && !(key & (kKeyBitmap | kKeyImage));
    const bool own_material = lit && (key & kKeyVertexMaterial);
    int n = snprintf(out, size,
                     "attribute vec3 a_position;\n"
                     "attribute vec4 a_colour;\n"
                     "attribute vec3 a_normal;\n"
                     "attribute vec2 a_texcoord;\n"
                     "uniform mat4 u_projection;\n"
                     "uniform mat4 u_modelview;\n"
                     "uniform mat3 u_normal_matrix;\n"
                     "varying vec4 v_colour;\n"
                     "varying vec2 v_texcoord;\n"
                     "varying float v_fog_z;\n");
    if (lit) {
        n += snprintf(out + n, size - size_t(n),
                      "uniform vec4 u_scene;\n"
                      "uniform vec4 u_light_position[2];\n"
                      "uniform vec3 u_light_ambient[2];\n"
                      "uniform vec3 u_light_diffuse[2];\n"
                      "uniform vec3 u_light_specular[2];\n"
                      "uniform float u_shininess;\n"
                      "vec3 light(int i, vec3 n, vec3 eye, vec3 ma, vec3 md, vec3 ms, float shininess) {\n"
                      "    vec3 l = normalize(u_light_position[i].xyz - eye * u_light_position[i].w);\n"
                      "    float nl = dot(n, l);\n"
                      "    vec3 c = u_light_ambient[i] * ma;\n"
                      "    if (nl > 0.0) {\n"
                      "        float nh = max(dot(n, normalize(l + vec3(0.0, 0.0, 1.0))), 0.0);\n"
                      "        float s = shininess == 0.0 ? 1.0 : (nh > 0.0 ? pow(nh, shininess) : 0.0);\n"
                      "        c += nl * u_light_diffuse[i] * md + s * u_light_specular[i] * ms;\n"
                      "    }\n"
                      "    return c;\n"
                      "}\n");
        if (own_material) {
            n += snprintf(out + n, size - size_t(n),
                          "attribute vec4 a_ambient;\n"
                          "attribute vec4 a_diffuse;\n"
                          "attribute vec3 a_specular;\n"
                          "uniform vec3 u_emission;\n");
        }
    }
    n += snprintf(out + n, size - size_t(n),
                  "void main() {\n"
                  "    vec4 eye = u_modelview * vec4(a_position, 1.0);\n"
                  "    gl_Position = u_projection * eye;\n"
                  "    v_texcoord = a_texcoord;\n"
                  "    v_fog_z = abs(eye.z);\n");
    if (lit) {
        // u_scene: the emission plus the scene's ambient light on the material, and its alpha; with
        // each vertex's material, the scene's ambient light alone.
        n += snprintf(out + n, size - size_t(n), "    vec3 n = u_normal_matrix * a_normal;\n    vec3 c = %s;\n",
                      own_material ? "u_emission + u_scene.rgb * a_ambient.rgb" : "u_scene.rgb");
        const char* terms = own_material ? "a_ambient.rgb, a_diffuse.rgb, a_specular, a_ambient.a"
                                         : "vec3(1.0), vec3(1.0), vec3(1.0), u_shininess";
        for (int i = 0; i < kLights; ++i) {
            if (key & (kKeyLight0 << i)) {
                n += snprintf(out + n, size - size_t(n), "    c += light(%d, n, eye.xyz, %s);\n", i, terms);
            }
        }
        snprintf(out + n, size - size_t(n), "    v_colour = vec4(clamp(c, 0.0, 1.0), %s);\n}\n",
                 own_material ? "a_diffuse.a" : "u_scene.a");
    } else {
        snprintf(out + n, size - size_t(n), "    v_colour = a_colour;\n}\n");
    }
}

// The fragment shader: the texture environment, the alpha test in 8-bit steps, fog per pixel.
void fragment_source(uint32_t key, char* out, size_t size) {
    int n = snprintf(out, size,
                     "precision mediump float;\n"
                     "varying vec4 v_colour;\n"
                     "varying vec2 v_texcoord;\n"
                     "varying float v_fog_z;\n"
                     "uniform sampler2D u_texture;\n"
                     "uniform vec4 u_fog_colour;\n"
                     "uniform vec3 u_fog;\n"
                     "uniform float u_alpha_ref;\n"
                     "void main() {\n"
                     "    vec4 c = v_colour;\n");
    if (key & kKeyBitmap) {
        n += snprintf(out + n, size - size_t(n), "    if (texture2D(u_texture, v_texcoord).a < 0.5) discard;\n");
    } else if (key & kKeyImage) {
        n += snprintf(out + n, size - size_t(n), "    c = texture2D(u_texture, v_texcoord);\n");
    } else if (key & kKeyTexture) {
        static const char* const kModulate[4] = {"c.rgb *= t.rgb;", "c *= t;", "c.a *= t.a;", "c.rgb *= t.rgb;"};
        static const char* const kReplace[4] = {"c.rgb = t.rgb;", "c = t;", "c.a = t.a;", "c.rgb = t.rgb;"};
        const int format = int((key >> kKeyFormatShift) & 3u);
        n += snprintf(out + n, size - size_t(n), "    vec4 t = texture2D(u_texture, v_texcoord);\n    %s\n",
                      (key & kKeyReplace) ? kReplace[format] : kModulate[format]);
    }
    const int alpha = int((key >> kKeyAlphaShift) & 7u);
    if (alpha) {
        // GL_NEVER, GL_LESS, GL_EQUAL, GL_LEQUAL, GL_GREATER, GL_NOTEQUAL, GL_GEQUAL: a fragment that fails is dropped.
        static const char* const kPasses[7] = {"false", "a < r", "a == r", "a <= r", "a > r", "a != r", "a >= r"};
        n += snprintf(out + n, size - size_t(n),
                      "    float a = floor(c.a * 255.0 + 0.5);\n"
                      "    float r = u_alpha_ref;\n"
                      "    if (!(%s)) discard;\n",
                      kPasses[alpha - 1]);
    }
    const int fog = int((key >> kKeyFogShift) & 3u);
    if (fog) {
        static const char* const kFactor[3] = {"(u_fog.z - v_fog_z) * u_fog.y", "exp(-u_fog.x * v_fog_z)",
                                               "exp(-(u_fog.x * v_fog_z) * (u_fog.x * v_fog_z))"};
        n += snprintf(out + n, size - size_t(n), "    c.rgb = mix(u_fog_colour.rgb, c.rgb, clamp(%s, 0.0, 1.0));\n",
                      kFactor[fog - 1]);
    }
    snprintf(out + n, size - size_t(n), "    gl_FragColor = c;\n}\n");
}

GLuint compile_shader(GLenum type, const char* source, uint32_t key) {
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[512] = "";
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        not_covered("the state of key 0x%04X: its %s shader does not compile: %s", key,
                    type == GL_VERTEX_SHADER ? "vertex" : "fragment", log);
    }
    return shader;
}

Program* build_program(uint32_t key) {
    if (s_programs.count == kPrograms) not_covered("more than %d combinations of fixed-function state", kPrograms);
    static char vertex[4096];
    static char fragment[2048];
    vertex_source(key, vertex, sizeof vertex);
    fragment_source(key, fragment, sizeof fragment);
    const GLuint vs = compile_shader(GL_VERTEX_SHADER, vertex, key);
    const GLuint fs = compile_shader(GL_FRAGMENT_SHADER, fragment, key);
    const GLuint name = glCreateProgram();
    glAttachShader(name, vs);
    glAttachShader(name, fs);
    glBindAttribLocation(name, kPosition, "a_position");
    glBindAttribLocation(name, kColour, "a_colour");
    glBindAttribLocation(name, kNormal, "a_normal");
    glBindAttribLocation(name, kTexcoord, "a_texcoord");
    glBindAttribLocation(name, kAmbient, "a_ambient");
    glBindAttribLocation(name, kDiffuse, "a_diffuse");
    glBindAttribLocation(name, kSpecular, "a_specular");
    glLinkProgram(name);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = 0;
    glGetProgramiv(name, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[512] = "";
        glGetProgramInfoLog(name, sizeof log, nullptr, log);
        not_covered("the state of key 0x%04X: its program does not link: %s", key, log);
    }
    ++s_gl.counters.programs;
    Program& p = s_programs.programs[s_programs.count++];
    p = Program{};
    p.key = key;
    p.name = name;
    p.projection = glGetUniformLocation(name, "u_projection");
    p.modelview = glGetUniformLocation(name, "u_modelview");
    p.normal_matrix = glGetUniformLocation(name, "u_normal_matrix");
    p.scene = glGetUniformLocation(name, "u_scene");
    p.emission = glGetUniformLocation(name, "u_emission");
    p.light_position = glGetUniformLocation(name, "u_light_position");
    p.light_ambient = glGetUniformLocation(name, "u_light_ambient");
    p.light_diffuse = glGetUniformLocation(name, "u_light_diffuse");
    p.light_specular = glGetUniformLocation(name, "u_light_specular");
    p.shininess = glGetUniformLocation(name, "u_shininess");
    p.fog_colour = glGetUniformLocation(name, "u_fog_colour");
    p.fog = glGetUniformLocation(name, "u_fog");
    p.alpha_ref = glGetUniformLocation(name, "u_alpha_ref");
    for (int& seen : p.seen) seen = -1;
    use_program(name);
    glUniform1i(glGetUniformLocation(name, "u_texture"), 0);
    return &p;
}

// Depth, blending, culling, masks and the viewport, each set only when it changed.
void apply_fixed_state(const Batch& batch) {
    DriverState& d = s_gl.driver;
    const ServerState& s = s_gl.server;
    apply_clear_state();
    set_capability(GL_BLEND, s.blend, &d.blend);
    if (s.blend && (d.blend_src != s.blend_src || d.blend_dst != s.blend_dst)) {
        glBlendFunc(s.blend_src, s.blend_dst);
        d.blend_src = s.blend_src;
        d.blend_dst = s.blend_dst;
        ++s_gl.counters.state_changes;
    }
    set_capability(GL_DEPTH_TEST, s.depth_test, &d.depth_test);
    if (s.depth_test && d.depth_func != s.depth_func) {
        glDepthFunc(s.depth_func);
        d.depth_func = s.depth_func;
        ++s_gl.counters.state_changes;
    }
    const bool cull = s.cull_face && batch.kind == GL_TRIANGLES && !batch.bitmap && !batch.image;
    set_capability(GL_CULL_FACE, cull, &d.cull_face);
    if (cull && (d.cull_mode != s.cull_mode || d.front_face != s.front_face)) {
        glCullFace(s.cull_mode);
        glFrontFace(s.front_face);
        d.cull_mode = s.cull_mode;
        d.front_face = s.front_face;
        s_gl.counters.state_changes += 2;
    }
    if (batch.kind == GL_LINES && d.line_width != s.line_width) {
        glLineWidth(s.line_width);
        d.line_width = s.line_width;
        ++s_gl.counters.state_changes;
    }
    if (memcmp(d.viewport, s.viewport, sizeof d.viewport) != 0) {
        glViewport(s.viewport[0], s.viewport[1], s.viewport[2], s.viewport[3]);
        memcpy(d.viewport, s.viewport, sizeof d.viewport);
        ++s_gl.counters.state_changes;
    }
}

}  // namespace

uint32_t state_key(const Batch& batch) {
    const ServerState& s = s_gl.server;
    uint32_t key = 0;
    if (s.alpha_test && s.alpha_func != GL_ALWAYS) key |= uint32_t(s.alpha_func - GL_NEVER + 1) << kKeyAlphaShift;
    if (batch.bitmap) return key | kKeyBitmap;
    if (batch.image) return key | kKeyImage;
    if (s.texture_2d && s.texture != 0) {
        key |= kKeyTexture | uint32_t(texture_format(s.texture)) << kKeyFormatShift;
        if (s.env_mode == GL_REPLACE) key |= kKeyReplace;
    }
    if (s.lighting && batch.kind == GL_TRIANGLES) {
        key |= kKeyLighting;
        for (int i = 0; i < kLights; ++i) {
            if (s.light[i]) key |= kKeyLight0 << i;
        }
        if (batch.vertex_material) key |= kKeyVertexMaterial;
    }
    if (s.fog) key |= uint32_t(s.fog_mode == GL_LINEAR ? 1 : s.fog_mode == GL_EXP ? 2 : 3) << kKeyFogShift;
    return key;
}

Program* program_for(uint32_t key) {
    for (int i = 0; i < s_programs.count; ++i) {
        if (s_programs.programs[i].key == key) return &s_programs.programs[i];
    }
    return build_program(key);
}

GLuint program_name(const Program* program) {
    return program->name;
}

void use_program(GLuint program) {
    if (s_gl.driver.program == program) return;
    glUseProgram(program);
    s_gl.driver.program = program;
    ++s_gl.counters.state_changes;
}

void set_material_arrays(bool on) {
    if (s_gl.driver.material_arrays == on) return;
    for (GLuint array = kAmbient; array <= kSpecular; ++array) {
        if (on) {
            glEnableVertexAttribArray(array);
        } else {
            glDisableVertexAttribArray(array);
        }
    }
    s_gl.driver.material_arrays = on;
    s_gl.counters.state_changes += 3;
}

void bind_texture_unit(GLuint texture) {
    if (s_gl.driver.texture == texture) return;
    glBindTexture(GL_TEXTURE_2D, texture);
    s_gl.driver.texture = texture;
    ++s_gl.counters.state_changes;
}

void upload_uniforms(Program* p, const float* modelview_matrix, const float* normal_matrix) {
    const ServerState& s = s_gl.server;
    uint64_t& count = s_gl.counters.state_changes;
    if (p->key & (kKeyBitmap | kKeyImage)) {
        // Glyphs and pictures come in clip space.
        if (p->seen[kUniformProjection] != -2) {
            static const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
            glUniformMatrix4fv(p->projection, 1, GL_FALSE, kIdentity);
            p->seen[kUniformProjection] = -2;
            ++count;
        }
    } else if (p->seen[kUniformProjection] != s_gl.versions[kUniformProjection]) {
        glUniformMatrix4fv(p->projection, 1, GL_FALSE, projection().m);
        p->seen[kUniformProjection] = s_gl.versions[kUniformProjection];
        ++count;
    }
    // Immediate mode's vertices are in eye space (no matrix given): its identity is uploaded once
    // until a display list's matrix replaces it.
    if (modelview_matrix || !p->eye_space) {
        static const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        static const float kIdentity3[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        glUniformMatrix4fv(p->modelview, 1, GL_FALSE, modelview_matrix ? modelview_matrix : kIdentity);
        if (p->normal_matrix >= 0) glUniformMatrix3fv(p->normal_matrix, 1, GL_FALSE, modelview_matrix ? normal_matrix : kIdentity3);
        p->eye_space = !modelview_matrix;
        count += 2;
    }
    if ((p->key & kKeyLighting) && p->seen[kUniformLighting] != s_gl.versions[kUniformLighting]) {
        // With each vertex's material the shader multiplies by it: the current one counts as white.
        static const Material kWhite = {{1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}, {0, 0, 0, 1}, 0.0f};
        const bool own_material = p->key & kKeyVertexMaterial;
        const Material& m = own_material ? kWhite : s.material;
        float scene[4];
        for (int k = 0; k < 3; ++k) scene[k] = m.emission[k] + s.model_ambient[k] * m.ambient[k];
        scene[3] = m.diffuse[3];
        float position[2][4], ambient[2][3], diffuse[2][3], specular[2][3];
        for (int i = 0; i < kLights; ++i) {
            const Light& l = s.lights[i];
            memcpy(position[i], l.position, sizeof position[i]);
            for (int k = 0; k < 3; ++k) {
                ambient[i][k] = l.ambient[k] * m.ambient[k];
                diffuse[i][k] = l.diffuse[k] * m.diffuse[k];
                specular[i][k] = l.specular[k] * m.specular[k];
            }
        }
        if (own_material) {
            glUniform3fv(p->emission, 1, s.material.emission);
            ++count;
        }
        glUniform4fv(p->scene, 1, scene);
        glUniform4fv(p->light_position, kLights, position[0]);
        glUniform3fv(p->light_ambient, kLights, ambient[0]);
        glUniform3fv(p->light_diffuse, kLights, diffuse[0]);
        glUniform3fv(p->light_specular, kLights, specular[0]);
        glUniform1f(p->shininess, m.shininess);
        p->seen[kUniformLighting] = s_gl.versions[kUniformLighting];
        count += 6;
    }
    if ((p->key >> kKeyFogShift & 3u) && p->seen[kUniformFog] != s_gl.versions[kUniformFog]) {
        const float range = s.fog_end - s.fog_start;
        glUniform4fv(p->fog_colour, 1, s.fog_colour);
        glUniform3f(p->fog, s.fog_density, range != 0.0f ? 1.0f / range : 0.0f, s.fog_end);
        p->seen[kUniformFog] = s_gl.versions[kUniformFog];
        count += 2;
    }
    if ((p->key >> kKeyAlphaShift & 7u) && p->seen[kUniformAlpha] != s_gl.versions[kUniformAlpha]) {
        glUniform1f(p->alpha_ref, std::floor(s.alpha_ref * 255.0f + 0.5f));
        p->seen[kUniformAlpha] = s_gl.versions[kUniformAlpha];
        ++count;
    }
}

void apply_draw_state(const Batch& batch, const float* modelview_matrix, const float* normal_matrix) {
    apply_fixed_state(batch);
    const uint32_t key = state_key(batch);
    Program* program = program_for(key);
    use_program(program->name);
    upload_uniforms(program, modelview_matrix, normal_matrix);
    if (key & kKeyBitmap) {
        bind_texture_unit(bitmap_atlas());
    } else if (key & kKeyImage) {
        bind_texture_unit(draw_pixels_texture());
    } else if (key & kKeyTexture) {
        bind_texture_unit(s_gl.server.texture);
    }
}

void compile_known_programs() {
    s_programs.count = 0;
    for (uint32_t key : kKnownKeys) program_for(key);
    glEnableVertexAttribArray(kPosition);
    glEnableVertexAttribArray(kColour);
    glEnableVertexAttribArray(kNormal);
    glEnableVertexAttribArray(kTexcoord);
}

void release_programs() {
    for (int i = 0; i < s_programs.count; ++i) glDeleteProgram(s_programs.programs[i].name);
    s_programs.count = 0;
    glUseProgram(0);
    s_gl.driver.program = 0;
}

}  // namespace gles

int gl_layer_keys(uint32_t* keys, int capacity) {
    using namespace gles;
    for (int i = 0; i < s_programs.count && i < capacity; ++i) keys[i] = s_programs.programs[i].key;
    return s_programs.count;
}
