// particles_test.cpp -- the particle step, death, and billboards facing the camera
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>

#include "render/particles.h"
#include "support/gl_context.h"

namespace {

TEST(Particles, OneStep) {
    ParticleSystem system = create_particle_system(4);
    ASSERT_EQ(system.particles.size(), 4u);
    EXPECT_EQ(system.particles[3].alive, 0);
    set_particle_velocity(&system, 1, 1, 0, 0);
    set_particle_acceleration(&system, 1, 0, -10, 0);
    set_particle_life(&system, 1, 1.0f);
    set_particle_colour(&system, 1, 1, 1, 1, 1);
    system.particles[1].alive = 1;
    update_particles(0.1f, &system);
    const Particle& p = system.particles[1];
    // The position moves with the velocity from before the step.
    EXPECT_FLOAT_EQ(p.position[0], 0.1f);
    EXPECT_FLOAT_EQ(p.position[1], 0.0f);
    EXPECT_FLOAT_EQ(p.velocity[0], 1.0f);
    EXPECT_FLOAT_EQ(p.velocity[1], -1.0f);
    EXPECT_FLOAT_EQ(p.life, 0.9f);
    EXPECT_FLOAT_EQ(p.colour[3], 1.0f - 0.1f / 0.9f);
    EXPECT_EQ(system.particles[0].position[0], 0.0f) << "dead particles do not move";
}

TEST(Particles, DeathAndTheLastStep) {
    ParticleSystem system = create_particle_system(2);
    set_particle_life(&system, 0, 0.05f);
    set_particle_colour(&system, 0, 1, 1, 1, 1);
    system.particles[0].alive = 1;
    update_particles(0.1f, &system);
    EXPECT_EQ(system.particles[0].alive, 0);

    // A life of exactly 0 lives one more step, invisible, with a finite alpha.
    set_particle_life(&system, 1, 0.5f);
    set_particle_colour(&system, 1, 1, 1, 1, 1);
    system.particles[1].alive = 1;
    update_particles(0.5f, &system);
    EXPECT_EQ(system.particles[1].alive, 1);
    EXPECT_TRUE(std::isfinite(system.particles[1].colour[3]));
    EXPECT_LE(system.particles[1].colour[3], 0.0f);
    update_particles(0.5f, &system);
    EXPECT_EQ(system.particles[1].alive, 0);
}

TEST(Particles, BillboardsUnderAnIdentityModelView) {
    open_test_graphics();
    ParticleSystem system = create_particle_system(3);
    system.size = 0.5f;
    system.textures = {-1};
    set_particle_colour(&system, 1, 1, 1, 1, 1);
    system.particles[1].alive = 1;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    const auto polygons = capture_polygons([&] { draw_particles(system); });
    glEnable(GL_TEXTURE_2D);
    ASSERT_FALSE(polygons.empty());
    // Corners at (+-0.5, +-0.5, 0): a quarter of the window in from each edge.
    float x0 = 1e9f, x1 = -1e9f, y0 = 1e9f, y1 = -1e9f;
    for (const auto& p : polygons) {
        x0 = std::min(x0, p.min_x());
        x1 = std::max(x1, p.max_x());
        y0 = std::min(y0, p.min_y());
        y1 = std::max(y1, p.max_y());
    }
    EXPECT_FLOAT_EQ(x0, kTestWidth * 0.25f);
    EXPECT_FLOAT_EQ(x1, kTestWidth * 0.75f);
    EXPECT_FLOAT_EQ(y0, kTestHeight * 0.25f);
    EXPECT_FLOAT_EQ(y1, kTestHeight * 0.75f);
    GLboolean depth_writes = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depth_writes);
    EXPECT_TRUE(depth_writes);
}

}  // namespace
