// particles.h -- particle systems: Euler-integrated points drawn as camera-facing textured squares
#pragma once

#include <vector>

struct Particle {
    int alive = 0;                    // non-zero: updated and drawn
    float position[3] = {0, 0, 0};
    float velocity[3] = {0, 0, 0};      // units per second
    float acceleration[3] = {0, 0, 0};  // units per second squared
    float life = 0.0f;                // seconds left
    float colour[4] = {0, 0, 0, 0};   // r, g, b, a; a falls as the life runs out
    int texture_slot = 0;             // index into the system's textures
};

struct ParticleSystem {
    std::vector<Particle> particles;  // fixed at creation, all dead
    std::vector<int> textures;        // image handles, set by the effect
    float size = 0.0f;                // half the side of every billboard, world units
};

ParticleSystem create_particle_system(int count);
void upload_particle_textures(const ParticleSystem& system);

// Gives the system the one picture at path, with the texture options, and uploads it; false, and
// nothing uploaded, when the picture cannot be loaded.
bool load_particle_texture(ParticleSystem* system, const char* path, int options, bool from_archive);

void set_particle_position(ParticleSystem* system, int index, float x, float y, float z);
void set_particle_velocity(ParticleSystem* system, int index, float x, float y, float z);
void set_particle_acceleration(ParticleSystem* system, int index, float x, float y, float z);
void set_particle_life(ParticleSystem* system, int index, float seconds);
void set_particle_colour(ParticleSystem* system, int index, float r, float g, float b, float a);

// One Euler step of dt seconds for every live particle.
void update_particles(float dt, ParticleSystem* system);

// Billboards from the model-view matrix's right and up vectors, depth writes off while drawing;
// no enable or blend state is changed.
void draw_particles(const ParticleSystem& system);
