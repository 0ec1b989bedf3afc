// ascension.cpp -- "ascension": a turning ring of greetings high up, sparks, souls and an explosion rising
#include <GL/gl.h>

#include <cmath>
#include <span>

#include "core/config.h"
#include "core/fatal.h"
#include "core/random.h"
#include "kernel/kernel.h"
#include "render/overlay.h"
#include "render/particles.h"
#include "resources/image.h"
#include "resources/image_list.h"
#include "sections/sections.h"

namespace {

constexpr int kGreetings = 12;
constexpr int kSouls = 10;
constexpr std::span<const SectionAsset> kGreetingAssets = std::span(kAscensionAssets).subspan(0, kGreetings);
constexpr const char* kExplosionPath = kAscensionAssets[kGreetings].path;
constexpr const char* kFlarePath = kAscensionAssets[kGreetings + 1].path;
constexpr std::span<const SectionAsset> kSoulAssets = std::span(kAscensionAssets).subspan(kGreetings + 2, kSouls);
static_assert(kGreetings + 2 + kSouls == int(std::size(kAscensionAssets)), "greetings, explosion, flare, souls");

constexpr float kByte = 0.003921569f;  // 1 / 255

struct AscensionState {
    int greetings[kGreetings];         // the ring's images, in ring order
    Quad3D greeting_quads[kGreetings];  // 2 x 2, greeting image i on quad i
    int explosion = -1;                // "textures/explosion.jpg"
    Quad3D explosion_quad;             // resized every frame
    ParticleSystem glow;               // phase 1: a slow glow climbing from the centre
    ParticleSystem sparks;             // phase 2: a fast spray
    ParticleSystem souls;              // phase 2: ten large sprites, never brought back down
} s_ascension;

// Colour channels are drawn blue first.
void random_colour(ParticleSystem* system, int index, float alpha) {
    const float b = float(random_below(255)) * kByte;
    const float g = float(random_below(255)) * kByte;
    const float r = float(random_below(255)) * kByte;
    set_particle_colour(system, index, r, g, b, alpha);
}

// Refills every dead particle of the glow (spread 0.01, slow) or the sparks (spread 0.3, fast).
void emit_rising(ParticleSystem* system, float spread, float speed, int alpha_steps, float alpha_step) {
    for (int i = 0; i < int(system->particles.size()); ++i) {
        if (system->particles[size_t(i)].alive) continue;
        // Whole degrees taken as radians.
        const int p = random_below(360);
        const int q = random_below(360);
        set_particle_position(system, i, spread * std::sin(float(q)), 0.0f, spread * std::cos(float(p)));
        set_particle_velocity(system, i, 0.0f, float(random_below(100)) * speed, 0.0f);
        random_colour(system, i, float(random_below(alpha_steps)) * alpha_step);
        set_particle_acceleration(system, i, 0.0f, 0.5f, 0.0f);
        set_particle_life(system, i, float(random_below(100)) * 0.05f);
        system->particles[size_t(i)].texture_slot = 0;
        system->particles[size_t(i)].alive = 1;
    }
}

void emit_glow() {
    emit_rising(&s_ascension.glow, 0.01f, 0.001f, 5, 0.15f);
}

void emit_sparks() {
    emit_rising(&s_ascension.sparks, 0.3f, 0.1f, 6, 0.2f);
}

// A soul keeps its position and velocity from its last life, so it climbs ever faster.
void emit_souls() {
    ParticleSystem* system = &s_ascension.souls;
    for (int i = 0; i < int(system->particles.size()); ++i) {
        if (system->particles[size_t(i)].alive) continue;
        random_colour(system, i, float(random_below(4)) * 0.3f + 0.1f);
        set_particle_acceleration(system, i, 0.0f, 0.2f, 0.0f);
        set_particle_life(system, i, float(random_below(100)) * 0.01f);
        system->particles[size_t(i)].texture_slot = i;
        system->particles[size_t(i)].alive = 1;
    }
}

// One blue flare, no mipmaps, clamped.
void load_flare_system(ParticleSystem* system, int count, float size, void (*emit)()) {
    *system = create_particle_system(count);
    system->size = size;
    emit();
    if (!load_particle_texture(system, kFlarePath, kTextureNoMipmaps | kTextureClamp, g_packeddata != 0)) {
        fatal_error("Error loading texture 'blueflare.jpg'");
    }
}

void begin_additive() {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

// Flat, 0.1 above the centre, width units wide; a negative width mirrors it.
void draw_explosion(float width) {
    glPushMatrix();
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    glTranslatef(0.0f, 0.0f, -0.1f);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    make_3d_quad(&s_ascension.explosion_quad, s_ascension.explosion, width, width);
    draw_3d_quad(s_ascension.explosion_quad);
    glPopMatrix();
}

void glow_phase(float t) {
    begin_additive();
    glPushMatrix();
    glRotatef(100.0f * t, 0.0f, 1.0f, 0.0f);
    update_particles(g_kernel.frame_time, &s_ascension.glow);
    glDisable(GL_DEPTH_TEST);
    draw_particles(s_ascension.glow);
    glEnable(GL_DEPTH_TEST);
    emit_glow();
    glPopMatrix();
    draw_explosion(t);
    glDisable(GL_BLEND);
}

// tau: time since the first sync time; length: how long this phase lasts.
void rising_phase(float tau, float length) {
    begin_additive();
    glPushMatrix();
    glRotatef(100.0f * tau, 0.0f, 1.0f, 0.0f);
    update_particles(g_kernel.frame_time, &s_ascension.sparks);
    draw_particles(s_ascension.sparks);
    emit_sparks();
    update_particles(g_kernel.frame_time, &s_ascension.souls);
    glDisable(GL_DEPTH_TEST);
    draw_particles(s_ascension.souls);
    glEnable(GL_DEPTH_TEST);
    emit_souls();
    glPopMatrix();
    // Shrinks to nothing at the cube root of the length, then grows again mirrored.
    draw_explosion(length - tau * tau * tau);
    glDisable(GL_BLEND);
}

// Flat images 1.6 wide on a circle of radius 1.4 at height 4, cut out by their alpha, unblended.
void greetings_ring(float t) {
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.9f);
    glPushMatrix();
    glRotatef(30.0f * t, 0.0f, 1.0f, 0.0f);
    for (const Quad3D& quad : s_ascension.greeting_quads) {
        glRotatef(30.0f, 0.0f, 1.0f, 0.0f);
        glPushMatrix();
        glTranslatef(1.4f, 4.0f, 0.0f);
        glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
        glScalef(0.8f, 0.8f, 0.8f);
        draw_3d_quad(quad);
        glPopMatrix();
    }
    glPopMatrix();
    glDisable(GL_ALPHA_TEST);
}

}  // namespace

const Snapshot kAscensionSnapshot = kSnapshotOf<s_ascension>;

void ascension_load() {
    const bool packed = g_packeddata != 0;
    const int failed = load_texture_list(kGreetingAssets, s_ascension.greetings, packed);
    if (failed >= 0) fatal_error("Error loading texture %i in ascension section", failed);
    upload_texture_list(s_ascension.greetings, kGreetings);
    for (int i = 0; i < kGreetings; ++i) make_3d_quad(&s_ascension.greeting_quads[i], s_ascension.greetings[i], 2.0f, 2.0f);

    s_ascension.explosion = load_texture(kExplosionPath, packed);
    if (s_ascension.explosion < 0) fatal_error("Error loading texture 'explosion.jpg'");
    upload_texture(s_ascension.explosion);
    make_3d_quad(&s_ascension.explosion_quad, s_ascension.explosion, 0.0f, 0.0f);

    load_flare_system(&s_ascension.glow, 200, 0.1f, emit_glow);
    load_flare_system(&s_ascension.sparks, 500, 0.05f, emit_sparks);

    ParticleSystem* souls = &s_ascension.souls;
    *souls = create_particle_system(kSouls);
    souls->size = 0.75f;
    emit_souls();
    souls->textures.assign(kSouls, -1);
    for (int i = 0; i < kSouls; ++i) souls->textures[size_t(i)] = load_texture(kSoulAssets[size_t(i)].path, packed);
    for (int i = 0; i < kSouls; ++i) {
        if (souls->textures[size_t(i)] < 0) fatal_error("Error loading texture 'soul %i.jpg'", i);
        set_texture_options(souls->textures[size_t(i)], kTextureNoMipmaps | kTextureClamp);
    }
    upload_particle_textures(*souls);
}

void ascension_render() {
    const Section& section = *g_kernel.current;
    const float t = g_kernel.demo_time - section.start;
    const float s0 = section.syncs[0];
    if (t < s0) {
        glow_phase(t);
    } else {
        rising_phase(t - s0, section.end - section.start - s0);
    }
    greetings_ring(t);
    // Leaves blending and the alpha test off, the blend function (GL_SRC_ALPHA, GL_ONE), alpha
    // function (GL_GREATER, 0.9), the depth test on, colour (1, 1, 1, 1) and the matrices as found.
}
