// souls.cpp -- "souls": dark fogged water in a skybox, rippled from one edge and lifted by a rising sphere
#include <GL/gl.h>

#include <cmath>
#include <memory>

#include "core/config.h"
#include "core/fatal.h"
#include "kernel/kernel.h"
#include "render/camera.h"
#include "render/light.h"
#include "render/skybox_draw.h"
#include "resources/image.h"
#include "resources/skybox.h"
#include "sections/sections.h"
#include "sections/water_grid.h"

namespace {

constexpr int kColumns = 25;
constexpr int kRows = 25;
constexpr double kOrigin[3] = {-1.5, 0.0, -2.0};  // the water spans x -1.5 to 1.5, z -2 to 2
constexpr int kSourceRow = 12;                    // the shaken node, at x = -1.375, z = 0
constexpr int kSourceColumn = 1;
// The water moves by hundredths of a unit; a node this far from its place means the integration
// blew up over a long frame.
constexpr double kDivergedDistance = 1.0;

struct SoulsState {
    Camera camera;                   // look-at, closing in on the centre
    std::shared_ptr<Skybox> skybox;  // "skyboxes/souls/souls_" faces
    int water_texture = -1;          // "textures/water.jpg"
    WaterGrid current = {};          // the latest state: stepped from and drawn
    WaterGrid next = {};             // written by the step, then swapped with current
    std::vector<WaterNode> nodes[2];  // what the two grids point into, so that the record copies whole
    double gravity[3] = {0.0, 0.0, 0.0};  // acceleration on every node, units per second squared
    double spring = 0.0;             // the spring constant
} s_souls;

// The rising sphere moves every node inside it along the ray from its centre onto its surface, and
// takes most of its speed.
void push_out_of_sphere(WaterGrid* grid, double centre_y, double radius) {
    const double slow = double(0.05f);
    for (int i = 0; i < grid->columns * grid->rows; ++i) {
        WaterNode& node = grid->nodes[i];
        double* p = node.position;
        const double dy = p[1] - centre_y;
        const double dist = std::sqrt(std::pow(p[0], 2) + std::pow(dy, 2) + std::pow(p[2], 2));
        if (!(dist < radius)) continue;
        if (dist > 0.0) {
            p[0] = p[0] * radius / dist;
            p[1] = dy * radius / dist + centre_y;
            p[2] = p[2] * radius / dist;
        } else {
            // A node at the very centre has no ray to follow: it goes to the top.
            p[1] = centre_y + radius;
        }
        for (int k = 0; k < 3; ++k) {
            node.velocity[k] *= slow;
            node.acceleration[k] = 0.0;
        }
    }
}

}  // namespace

const Snapshot kSoulsSnapshot = kSnapshotOf<s_souls>;

const WaterGrid& souls_water() {
    return s_souls.current;
}

void souls_load() {
    s_souls.camera = create_look_at_camera(1.5f, 0.25f, 0.0f, 0.0f, 0.0f, 0.0f, 60.0f, 0.0f);

    s_souls.skybox = load_skybox(kSoulsAssets[0].path, kSkyboxJpeg, true, g_packeddata != 0);
    if (!s_souls.skybox) fatal_error("Souls: skybox not found");
    upload_skybox(*s_souls.skybox);

    s_souls.water_texture = load_texture(kSoulsAssets[1].path, g_packeddata != 0);
    if (s_souls.water_texture < 0) fatal_error("Error loading texture water.jpg in Souls section");
    upload_texture(s_souls.water_texture);

    s_souls.current = create_water_grid(3.0, 4.0, kColumns, kRows, kOrigin, 1.0, &s_souls.nodes[0]);
    s_souls.next = create_water_grid(3.0, 4.0, kColumns, kRows, kOrigin, 1.0, &s_souls.nodes[1]);
    if (!s_souls.current.nodes || !s_souls.next.nodes) fatal_error("Souls: out of memory for the water");
    s_souls.spring = double(0.1f);

    // The outline of the drawn part; the last row and column stay free and hidden.
    for (int i = 0; i < kColumns - 1; ++i) {
        fix_water_node(&s_souls.current, &s_souls.next, 0, i);
        fix_water_node(&s_souls.current, &s_souls.next, kRows - 2, i);
    }
    for (int i = 0; i < kRows - 1; ++i) {
        fix_water_node(&s_souls.current, &s_souls.next, i, 0);
        fix_water_node(&s_souls.current, &s_souls.next, i, kColumns - 2);
    }
}

void souls_render() {
    const Section& section = *g_kernel.current;
    const float t = g_kernel.demo_time - section.start;
    const float length = section.end - section.start;

    // Set before this frame's camera: the position goes through whatever model-view matrix the
    // layers below, or the previous frame, left.
    static constexpr float kAmbient[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    static constexpr float kDiffuse[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    static constexpr float kSpecular[4] = {0.0f, 0.0f, 1.9f, 1.0f};
    static constexpr float kPosition[4] = {0.0f, 0.5f, 0.0f, 1.0f};
    set_light(GL_LIGHT1, kAmbient, kDiffuse, kSpecular, kPosition);

    // The sphere crosses the surface between about 0.31 s and 0.49 s and has no radius left at 5 s.
    const float centre_y = 0.5f * t - 0.2f;
    const float radius = 0.05f - 0.01f * t;

    WaterNode& source = s_souls.next.nodes[nodeCoord2Index(kSourceRow, kSourceColumn, s_souls.next)];
    source.position[1] = 0.03 * std::sin(double(10.0f * t));
    fix_water_node(&s_souls.current, &s_souls.next, kSourceRow, kSourceColumn);

    step_water_grid(s_souls.current, &s_souls.next, s_souls.gravity, s_souls.spring);
    push_out_of_sphere(&s_souls.next, centre_y, radius);
    // One long frame (a stall) can throw the explicit integration far off; without damping the
    // water would never calm down, and one overflow would turn every node to NaN for good. Such a
    // grid starts again from rest.
    if (water_grid_diverged(s_souls.next, kOrigin, kDivergedDistance)) {
        settle_water_grid(&s_souls.next, kOrigin);
        settle_water_grid(&s_souls.current, kOrigin);
    }
    compute_water_grid_normals(&s_souls.next);
    const WaterGrid stepped = s_souls.next;
    s_souls.next = s_souls.current;
    s_souls.current = stepped;

    // Round an ellipse about (0.5, 0.25, 0), shrinking towards (0, 0.25, 0) over the section; the
    // target rises from 8 s on.
    Camera& camera = s_souls.camera;
    const float f = (length - t) / length;
    set_position(&camera, (std::sin(0.12f * t) + 0.5f) * f, 0.25f, 0.5f * std::cos(0.12f * t) * f);
    set_target(&camera, 0.0f, 0.0f, 0.0f);
    if (t >= 8.0f) camera.target[1] = (t - 8.0f) * 0.3f;
    apply_projection(camera);
    apply_camera(camera);

    static constexpr float kFogColour[4] = {0.1f, 0.05f, 0.1f, 1.0f};
    glFogi(GL_FOG_MODE, GL_EXP2);
    glFogfv(GL_FOG_COLOR, kFogColour);
    glFogf(GL_FOG_DENSITY, 1.0f);
    glFogf(GL_FOG_START, 0.5f);
    glFogf(GL_FOG_END, 0.1f);
    glEnable(GL_FOG);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    bind_texture(s_souls.water_texture);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // First copy: no depth test, so it writes no depth either.
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHT1);
    glDisable(GL_DEPTH_TEST);
    glColor3f(0.3f, 0.3f, 1.0f);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glShadeModel(GL_SMOOTH);
    draw_water_grid(s_souls.current, t);

    // Second copy, added on top: turned half round, slowly turning and bobbing.
    glEnable(GL_DEPTH_TEST);
    glColor3f(0.3f, 0.3f, 1.0f);
    glRotatef(0.2f * t + 180.0f, 0.0f, 1.0f, 0.0f);
    glTranslatef(0.0f, -0.02f * std::sin(t) * std::cos(t), 0.0f);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glShadeModel(GL_SMOOTH);
    draw_water_grid(s_souls.current, t);

    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glDisable(GL_FOG);
    // Under the second copy's turn, which stays on the model-view matrix.
    draw_skybox(*s_souls.skybox, camera);
    // Leaves lighting, blending and fog off, lights 0 and 1 on, the depth test on, additive blend
    // function, colour (0.3, 0.3, 1), a skybox face bound, and the model-view matrix selected,
    // holding the camera with the second copy's turn and shift.
}
