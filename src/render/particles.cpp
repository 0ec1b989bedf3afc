// particles.cpp -- integrates and draws particle systems
#include "render/particles.h"

#include <GL/gl.h>

#include "resources/image.h"

ParticleSystem create_particle_system(int count) {
    ParticleSystem system;
    system.particles.assign(size_t(count > 0 ? count : 0), Particle{});
    return system;
}

void upload_particle_textures(const ParticleSystem& system) {
    for (int image : system.textures) upload_texture(image);
}

bool load_particle_texture(ParticleSystem* system, const char* path, int options, bool from_archive) {
    const int image = load_texture(path, from_archive);
    if (image < 0) return false;
    system->textures.assign(1, image);
    set_texture_options(image, options);
    upload_particle_textures(*system);
    return true;
}

void set_particle_position(ParticleSystem* system, int index, float x, float y, float z) {
    Particle& p = system->particles[size_t(index)];
    p.position[0] = x;
    p.position[1] = y;
    p.position[2] = z;
}

void set_particle_velocity(ParticleSystem* system, int index, float x, float y, float z) {
    Particle& p = system->particles[size_t(index)];
    p.velocity[0] = x;
    p.velocity[1] = y;
    p.velocity[2] = z;
}

void set_particle_acceleration(ParticleSystem* system, int index, float x, float y, float z) {
    Particle& p = system->particles[size_t(index)];
    p.acceleration[0] = x;
    p.acceleration[1] = y;
    p.acceleration[2] = z;
}

void set_particle_life(ParticleSystem* system, int index, float seconds) {
    system->particles[size_t(index)].life = seconds;
}

void set_particle_colour(ParticleSystem* system, int index, float r, float g, float b, float a) {
    float* c = system->particles[size_t(index)].colour;
    c[0] = r;
    c[1] = g;
    c[2] = b;
    c[3] = a;
}

void update_particles(float dt, ParticleSystem* system) {
    for (Particle& p : system->particles) {
        if (!p.alive) continue;
        // The position moves with the velocity from before this step.
        for (int i = 0; i < 3; ++i) {
            p.position[i] += p.velocity[i] * dt;
            p.velocity[i] += p.acceleration[i] * dt;
        }
        p.life -= dt;
        if (p.life < 0.0f) p.alive = 0;
        // The alpha falls by dt over the life left, ever faster; a life of exactly 0 keeps the
        // particle one more step, transparent.
        if (p.life > 0.0f) {
            p.colour[3] -= dt / p.life;
        } else {
            p.colour[3] = 0.0f;
        }
    }
}

void draw_particles(const ParticleSystem& system) {
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    const float right[3] = {m[0] * system.size, m[4] * system.size, m[8] * system.size};
    const float up[3] = {m[1] * system.size, m[5] * system.size, m[9] * system.size};

    glDepthMask(GL_FALSE);
    for (const Particle& p : system.particles) {
        if (!p.alive) continue;
        if (p.texture_slot >= 0 && size_t(p.texture_slot) < system.textures.size()) {
            bind_texture(system.textures[size_t(p.texture_slot)]);
        }
        glBegin(GL_QUADS);
        glColor4f(p.colour[0], p.colour[1], p.colour[2], p.colour[3]);
        const float* q = p.position;
        glTexCoord2f(0, 0);
        glVertex3f(q[0] - right[0] + up[0], q[1] - right[1] + up[1], q[2] - right[2] + up[2]);
        glTexCoord2f(1, 0);
        glVertex3f(q[0] + right[0] + up[0], q[1] + right[1] + up[1], q[2] + right[2] + up[2]);
        glTexCoord2f(1, 1);
        glVertex3f(q[0] + right[0] - up[0], q[1] + right[1] - up[1], q[2] + right[2] - up[2]);
        glTexCoord2f(0, 1);
        glVertex3f(q[0] - right[0] - up[0], q[1] - right[1] - up[1], q[2] - right[2] - up[2]);
        glEnd();
    }
    glDepthMask(GL_TRUE);
}
