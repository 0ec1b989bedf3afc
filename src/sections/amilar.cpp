// amilar.cpp -- "amilar": the turning mechanism in a starfield, each part in its own light, with three fountains
#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>

#include "core/config.h"
#include "core/fatal.h"
#include "core/random.h"
#include "kernel/kernel.h"
#include "platform/window.h"
#include "render/camera.h"
#include "render/light.h"
#include "render/particles.h"
#include "render/skybox_draw.h"
#include "resources/image.h"
#include "resources/model.h"
#include "resources/skybox.h"
#include "sections/sections.h"

namespace {

// The parts, in load order: the rows of kAmilarAssets before the pictures.
enum Part {
    kSupport,
    kOuterGear,
    kMainAxis,
    kInnerGear,
    kZodiac,
    kFirstRing,
    kFirstPlanet = kFirstRing + 5,
    kPartCount = kFirstPlanet + 5,
};
constexpr int kFlareAsset = kPartCount;  // "textures/flares/blueflare.jpg"
constexpr int kSunAsset = kPartCount + 1;
constexpr int kStarfieldAsset = kPartCount + 2;
static_assert(std::size(kAmilarAssets) == kStarfieldAsset + 1, "fifteen models, two flares, the starfield");

constexpr int kShotCuts = 10;  // sync times read: shot k + 1 runs until cut k

// The coloured light each part is drawn in; every position has w = 1.
struct PartLight {
    float ambient[4];
    float diffuse[4];
    float specular[4];
    float position[4];
};

constexpr PartLight kPartLights[kPartCount] = {
    {{1, 1, 1, 1}, {0, 0, 10, 1}, {0, 0, 10, 1}, {1, 2, 3, 1}},     // support
    {{1, 1, 1, 1}, {10, 0, 0, 1}, {10, 0, 0, 1}, {-1, 2, -3, 1}},   // outer gear
    {{5, 5, 5, 1}, {3, 3, 3, 1}, {0, 0, 0, 1}, {1, 1, 3, 1}},       // main axis
    {{3, 3, 3, 1}, {3, 3, 3, 1}, {0, 0, 0, 1}, {-3, -3, 2, 1}},     // inner gear
    {{5, 5, 5, 1}, {3, 3, 3, 1}, {5, 4, 3, 1}, {0, 0, 0, 1}},       // zodiac
    {{5, 5, 5, 1}, {3, 3, 3, 1}, {0, 0, 0, 1}, {1, 3, 3, 1}},       // ring 1
    {{5, 5, 5, 1}, {3, 3, 3, 1}, {0, 0, 0, 1}, {-2, -2, -2, 1}},    // ring 2
    {{5, 5, 5, 1}, {3, 3, 3, 1}, {0, 0, 0, 1}, {2, -1, -1, 1}},     // ring 3
    {{5, 5, 5, 1}, {3, 3, 3, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}},       // ring 4
    {{5, 5, 5, 1}, {3, 3, 3, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}},       // ring 5
    {{5, 5, 5, 1}, {3, 3, 3, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}},       // planet 1
    {{0, 0, 5, 1}, {0, 0, 3, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}},       // planet 2
    {{0, 5, 0, 1}, {0, 3, 0, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}},       // planet 3
    {{5, 0, 0, 1}, {3, 0, 0, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}},       // planet 4
    {{5, 0, 5, 1}, {3, 0, 3, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}},       // planet 5
};

// Degrees per second of rings 1 to 5 (and their planets) about the axis.
constexpr float kRingRates[5] = {100.0f, -100.0f, 150.0f, 50.0f, -120.0f};

// A fountain: its particles, and what emit draws for each. A velocity component is
// (r mod velocity_modulus) x velocity_step + velocity_offset, the life (r mod 100) x life_step.
struct Fountain {
    int count;
    float size;
    int asset;    // its one texture
    int options;  // set_texture_options bits
    int velocity_modulus;
    float velocity_step;
    float velocity_offset;
    bool random_colour;  // each channel (r mod 255) / 255; otherwise yellow
    float life_step;
};

enum FountainId { kDust, kFlare, kSun, kFountainCount };

constexpr Fountain kFountains[kFountainCount] = {
    {2000, 0.03f, kFlareAsset, kTextureNoMipmaps | kTextureClamp | kTextureModulate, 1000, 0.001f, -0.5f, true, 0.5f},
    {50, 0.2f, kFlareAsset, kTextureNoMipmaps | kTextureClamp, 10, 0.01f, -0.05f, false, 0.05f},
    {15, 0.5f, kSunAsset, kTextureNoMipmaps | kTextureClamp, 5, 0.02f, -0.05f, false, 0.05f},
};

// Updated, drawn and re-emitted in this order each frame.
constexpr FountainId kFountainOrder[kFountainCount] = {kFlare, kSun, kDust};

struct AmilarState {
    std::shared_ptr<Model> parts[kPartCount];      // by Part
    Camera camera;                                 // look-at; a shot that sets no roll keeps the last one
    ParticleSystem fountains[kFountainCount];      // by FountainId; they run on from section to section
    std::shared_ptr<Skybox> skybox;                // the starfield on all six faces
} s_amilar;

// The file name alone, for the messages.
const char* file_name(const char* path) {
    const char* slash = strrchr(path, '/');
    return slash ? slash + 1 : path;
}

// Gives every dead particle of the system a fresh start at the centre. The draws come in a fixed
// order: velocity z, y, x, then colour b, g, r, then the life.
void emit(ParticleSystem* system, const Fountain& f) {
    const int count = int(system->particles.size());
    for (int i = 0; i < count; ++i) {
        if (system->particles[size_t(i)].alive) continue;
        set_particle_position(system, i, 0.0f, 0.0f, 0.0f);
        const float vz = float(random_below(f.velocity_modulus)) * f.velocity_step + f.velocity_offset;
        const float vy = float(random_below(f.velocity_modulus)) * f.velocity_step + f.velocity_offset;
        const float vx = float(random_below(f.velocity_modulus)) * f.velocity_step + f.velocity_offset;
        set_particle_velocity(system, i, vx, vy, vz);
        if (f.random_colour) {
            const float b = float(random_below(255)) * 0.003921569f;
            const float g = float(random_below(255)) * 0.003921569f;
            const float r = float(random_below(255)) * 0.003921569f;
            set_particle_colour(system, i, r, g, b, 1.0f);
        } else {
            set_particle_colour(system, i, 1.0f, 1.0f, 0.0f, 1.0f);
        }
        set_particle_acceleration(system, i, 0.0f, 0.0f, 0.0f);
        set_particle_life(system, i, float(random_below(100)) * f.life_step);
        system->particles[size_t(i)].texture_slot = 0;
        system->particles[size_t(i)].alive = 1;
    }
}

void load_fountain(FountainId id) {
    const Fountain& f = kFountains[id];
    ParticleSystem& system = s_amilar.fountains[id];
    system = create_particle_system(f.count);
    system.size = f.size;
    for (Particle& p : system.particles) p.alive = 0;
    emit(&system, f);
    const char* path = kAmilarAssets[f.asset].path;
    if (!load_particle_texture(&system, path, f.options, g_packeddata != 0)) {
        fatal_error("Error loading texture '%s'", file_name(path));
    }
}

// Places the camera for shot k + 1 (k from 0 to 10) at tau seconds into it.
void run_shot(int k, float tau) {
    Camera* c = &s_amilar.camera;
    const float aspect = g_display.aspect;
    switch (k) {
    case 0:
        set_position(c, 0.01f, -0.5f - 0.1f * tau, 0.01f);
        set_target(c, 0.0f, 0.0f, 0.0f);
        set_field_of_view(c, 90.0f, aspect);
        break;
    case 1:
        set_position(c, 0.409217f, 1.006942f + 0.2f * tau, -1.175175f);
        set_target(c, 0.0f, 0.0f, 0.0f);
        set_field_of_view(c, 90.0f, aspect);
        break;
    case 2:
        set_position(c, 0.608921f, 0.41068f, 0.182893f + 0.1f * tau);
        set_target(c, 0.876959f - 0.1f * tau, -1.949122f, 0.559113f - 0.1f * tau);
        set_field_of_view(c, 90.0f, aspect);
        break;
    case 3:
        set_position(c, -0.652186f * std::cos(tau), 0.096388f, 0.367924f);
        set_target(c, 27.908518f, -3.273492f, -5.450392f * std::sin(tau));
        set_field_of_view(c, 90.0f, aspect);
        break;
    case 4:
        set_position(c, 1.280093f * std::sin(tau), 0.016303f, 1.201776f);
        set_target(c, -0.386162f, 0.016101f, 0.227963f * std::cos(tau));
        set_field_of_view(c, 90.0f, aspect);
        if (tau > 3.0f) set_field_of_view(c, 90.0f + 60.0f * (tau - 3.0f), aspect);
        break;
    case 5:
        set_position(c, 1.280093f * std::sin(tau), -0.016303f, 1.201776f);
        set_target(c, 0.386162f, -0.016101f * std::cos(tau), 0.227963f);
        set_field_of_view(c, 150.0f, aspect);
        if (tau > 3.0f) set_field_of_view(c, 150.0f - 60.0f * (tau - 3.0f), aspect);
        break;
    case 6:
        set_position(c, -3.05324f * std::sin(tau), 0.08696f, 1.746299f);
        set_target(c, -1.7003f, 0.113816f, 0.772486f);
        set_field_of_view(c, 90.0f, aspect);
        if (tau > 1.0f) set_field_of_view(c, 90.0f - 50.0f * (tau - 1.0f), aspect);
        set_roll(c, -10.0f * tau);
        break;
    case 7:
        set_position(c, -0.05324f * std::sin(tau), 0.08696f * std::cos(tau), 1.746299f * std::sin(tau));
        set_target(c, -0.7003f, 0.113816f, 0.772486f);
        set_field_of_view(c, 40.0f, aspect);
        if (tau > 1.0f) set_field_of_view(c, 40.0f + 100.0f * (tau - 1.0f), aspect);
        break;
    case 8:
        set_position(c, tau - 0.05324f, 0.08696f, 1.746299f);
        set_target(c, tau - 0.7003f, 0.113816f, 0.772486f);
        set_field_of_view(c, 140.0f, aspect);
        if (tau > 1.0f) set_field_of_view(c, 140.0f - 40.0f * (tau - 1.0f), aspect);
        set_roll(c, 10.0f * tau);
        break;
    case 9:
        set_position(c, tau - 1.05324f, 0.08696f, 1.746299f);
        set_target(c, 0.7003f, 0.113816f, -0.772486f);
        set_field_of_view(c, 100.0f, aspect);
        if (tau > 1.0f) set_field_of_view(c, 100.0f - 60.0f * (tau - 1.0f), aspect);
        break;
    default:
        set_position(c, tau + 0.05324f, 0.08696f, -0.746299f);
        set_target(c, tau - 0.7003f, -0.11816f, 1.772486f);
        // From 260 down to 160 at tau = 1, then from 60 up; 180 and beyond go to the projection as they are.
        if (tau < 1.0f) {
            set_field_of_view(c, 160.0f - 100.0f * (tau - 1.0f), aspect);
        } else {
            set_field_of_view(c, 60.0f + 520.0f * (tau - 1.0f), aspect);
        }
        set_roll(c, 100.0f * tau);
        break;
    }
}

// Sets the part's light through the modelview matrix of the hierarchy at this point, then draws the
// part turned into the mechanism's frame. The planets show their own textures; the rest is lit alone.
void draw_part(int part) {
    const PartLight& light = kPartLights[part];
    set_light(GL_LIGHT1, light.ambient, light.diffuse, light.specular, light.position);
    const bool planet = part >= kFirstPlanet;
    if (planet) glEnable(GL_TEXTURE_2D);
    glPushMatrix();
    if (part == kSupport) {
        glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    } else {
        glRotatef(-90.0f, 0.0f, 1.0f, 0.0f);
    }
    if (planet) {
        draw_textured_model(*s_amilar.parts[part]);
    } else {
        draw_model(*s_amilar.parts[part]);
    }
    glPopMatrix();
    if (planet) {
        // The textured draw leaves texturing on, and after an untextured material lighting off and
        // light 0 on; the parts after it are lit by light 1 alone.
        glDisable(GL_TEXTURE_2D);
        glEnable(GL_LIGHTING);
        glDisable(GL_LIGHT0);
    }
}

// The turning hierarchy: the gears and the axis about z, the inner gear rocking, the zodiac and the
// rings about the axis.
void draw_mechanism(float t) {
    glEnable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glEnable(GL_LIGHT1);
    glDisable(GL_TEXTURE_2D);
    glPushMatrix();
    draw_part(kSupport);
    glRotatef(10.0f * t, 0.0f, 0.0f, 1.0f);
    draw_part(kOuterGear);
    glRotatef(10.0f * t, 0.0f, 0.0f, 1.0f);
    draw_part(kMainAxis);

    glPushMatrix();
    glRotatef(50.0f * std::sin(t), 1.0f, 0.0f, 0.0f);
    draw_part(kInnerGear);
    glRotatef(100.0f * t, 0.0f, 1.0f, 0.0f);
    draw_part(kZodiac);
    glPopMatrix();

    for (int n = 0; n < 5; ++n) {
        glPushMatrix();
        glRotatef(kRingRates[n] * t, 0.0f, 1.0f, 0.0f);
        draw_part(kFirstRing + n);
        draw_part(kFirstPlanet + n);
        glPopMatrix();
    }
    glPopMatrix();
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glDisable(GL_LIGHT1);
}

}  // namespace

const Snapshot kAmilarSnapshot = kSnapshotOf<s_amilar>;

void amilar_load() {
    const bool packed = g_packeddata != 0;
    for (int part = 0; part < kPartCount; ++part) {
        const SectionAsset& asset = kAmilarAssets[part];
        s_amilar.parts[part] = load_model(asset.path, asset.file, packed);
        if (!s_amilar.parts[part]) fatal_error("Error loading model '%s'", asset.file);
        // Only the planets are drawn with their textures.
        if (part >= kFirstPlanet) {
            upload_model_textures(*s_amilar.parts[part]);
        } else {
            compile_model_draw(s_amilar.parts[part].get());
        }
    }

    s_amilar.camera = create_look_at_camera(0.0f, 0.0f, 1.75f, 0.0f, 0.0f, 0.0f, 90.0f, 0.0f);
    s_amilar.camera.near = 0.01f;
    s_amilar.camera.far = 20.0f;

    load_fountain(kDust);
    load_fountain(kFlare);
    load_fountain(kSun);

    s_amilar.skybox = load_skybox(kAmilarAssets[kStarfieldAsset].path, kSkyboxJpeg, false, packed);
    if (!s_amilar.skybox) fatal_error("Amilar: skybox not found");
    upload_skybox(*s_amilar.skybox);
}

void amilar_render() {
    const Section& section = *g_kernel.current;
    const float* cut = section.syncs.data();
    const float t = g_kernel.demo_time - section.start;

    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glColor4f(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    int shot = 0;
    while (shot < kShotCuts && !(t < cut[shot])) ++shot;
    run_shot(shot, shot == 0 ? t : t - cut[shot - 1]);
    apply_projection(s_amilar.camera);
    apply_camera(s_amilar.camera);
    draw_skybox(*s_amilar.skybox, s_amilar.camera);

    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glShadeModel(GL_SMOOTH);
    draw_mechanism(t);

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    for (FountainId id : kFountainOrder) {
        ParticleSystem* system = &s_amilar.fountains[id];
        update_particles(g_kernel.frame_time, system);
        draw_particles(*system);
        emit(system, kFountains[id]);
    }
    glDisable(GL_BLEND);
    // Leaves lighting and blending off with (source alpha, one), light 0 on and light 1 off, texturing
    // on, smooth shading, filled polygons, and the camera's model-view matrix selected.
}
