// water_grid.cpp -- steps, lights and draws the spring-mass net under the souls' water
#include "sections/water_grid.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdint>
#include <new>

#include "core/fatal.h"
#include "kernel/kernel.h"

namespace {

WaterNode& node_at(const WaterGrid& grid, int row, int column) {
    return grid.nodes[nodeCoord2Index(row, column, grid)];
}

// Where the flat layout puts node (row, column).
void rest_position(const WaterGrid& grid, const double* origin, int row, int column, double* out) {
    out[0] = origin[0] + column * grid.size_x / (grid.columns - 1);
    out[1] = 0.0;
    out[2] = origin[2] + row * grid.size_z / (grid.rows - 1);
}

void send_vertex(const WaterGrid& grid, int row, int column, float s0, float t0, double ds, double dv) {
    const WaterNode& node = node_at(grid, row, column);
    glTexCoord2f(float(s0 + column * ds), float(t0 + row * dv));
    glNormal3dv(node.normal);
    glVertex3dv(node.position);
}

}  // namespace

int nodeCoord2Index(int row, int column, const WaterGrid& grid) {
    const int index = row * grid.columns + column;
    // A negative index would read before the array as surely as a large one past it.
    if (index < 0 || index >= grid.columns * grid.rows) fatal_error("nodeCoord2Index: Out of bounds index\n");
    return index;
}

namespace {

// Two nodes at least each way, or the spacings divide by zero; and the count must fit an int.
bool fits(int columns, int rows) {
    return columns >= 2 && rows >= 2 && int64_t(columns) * rows <= INT32_MAX;
}

// Every node at rest in the flat layout, no node fixed.
void lay_out(const WaterGrid& grid, const double* origin, double total_mass) {
    const int columns = grid.columns;
    const int rows = grid.rows;
    const double mass = total_mass / (columns * rows);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            WaterNode& node = node_at(grid, r, c);
            node.mass = mass;
            rest_position(grid, origin, r, c, node.position);
            for (int i = 0; i < 3; ++i) node.velocity[i] = node.acceleration[i] = 0.0;
            node.fixed = 0;
        }
    }
}

}  // namespace

WaterGrid create_water_grid(double size_x, double size_z, int columns, int rows, const double* origin,
                            double total_mass) {
    WaterGrid grid = {nullptr, size_x, size_z, columns, rows};
    if (!fits(columns, rows)) return grid;
    grid.nodes = new (std::nothrow) WaterNode[size_t(columns) * size_t(rows)];
    if (grid.nodes) lay_out(grid, origin, total_mass);
    return grid;
}

WaterGrid create_water_grid(double size_x, double size_z, int columns, int rows, const double* origin,
                            double total_mass, std::vector<WaterNode>* storage) {
    WaterGrid grid = {nullptr, size_x, size_z, columns, rows};
    if (!fits(columns, rows)) return grid;
    storage->assign(size_t(columns) * size_t(rows), WaterNode{});
    grid.nodes = storage->data();
    lay_out(grid, origin, total_mass);
    return grid;
}

void fix_water_node(WaterGrid* a, WaterGrid* b, int row, int column) {
    node_at(*a, row, column).fixed = 1;
    node_at(*b, row, column).fixed = 1;
}

void add_spring_force(double* force, const double* a, const double* b, double k, double rest) {
    const double d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const double len = std::sqrt(std::pow(d[0], 2) + std::pow(d[1], 2) + std::pow(d[2], 2));
    for (int i = 0; i < 3; ++i) force[i] += k * (len - rest) * d[i] / len;
}

void step_water_grid(WaterGrid current, WaterGrid* next, const double* gravity, double k) {
    const double dt = g_kernel.frame_time;
    const double dx = current.size_x / (current.columns - 1);
    const double dz = current.size_z / (current.rows - 1);
    for (int r = 0; r < current.rows; ++r) {
        for (int c = 0; c < current.columns; ++c) {
            const WaterNode& node = node_at(current, r, c);
            if (node.fixed) continue;
            double force[3] = {0.0, 0.0, 0.0};
            if (r - 1 >= 0) add_spring_force(force, node.position, node_at(current, r - 1, c).position, k, dz);
            if (r + 1 <= current.rows - 1) add_spring_force(force, node.position, node_at(current, r + 1, c).position, k, dz);
            if (c - 1 >= 0) add_spring_force(force, node.position, node_at(current, r, c - 1).position, k, dx);
            if (c + 1 <= current.columns - 1) add_spring_force(force, node.position, node_at(current, r, c + 1).position, k, dx);
            WaterNode& out = node_at(*next, r, c);
            for (int i = 0; i < 3; ++i) {
                force[i] += node.mass * gravity[i];
                const double a = force[i] / out.mass;
                out.acceleration[i] = a;
                // The new velocity, not the old one, moves the node.
                out.velocity[i] = node.velocity[i] + a * dt;
                out.position[i] = node.position[i] + out.velocity[i] * dt + 0.5 * a * std::pow(dt, 2);
            }
        }
    }
}

void compute_water_grid_normals(WaterGrid* grid) {
    for (int r = 0; r < grid->rows - 1; ++r) {
        for (int c = 0; c < grid->columns - 1; ++c) {
            WaterNode& node = node_at(*grid, r, c);
            const double* p = node.position;
            const double* px = node_at(*grid, r, c + 1).position;
            const double* pz = node_at(*grid, r + 1, c).position;
            const double e1[3] = {px[0] - p[0], px[1] - p[1], px[2] - p[2]};
            const double e2[3] = {pz[0] - p[0], pz[1] - p[1], pz[2] - p[2]};
            const double n[3] = {e2[1] * e1[2] - e2[2] * e1[1], e2[2] * e1[0] - e2[0] * e1[2],
                                 e2[0] * e1[1] - e2[1] * e1[0]};
            const double len = std::sqrt(std::pow(n[0], 2) + std::pow(n[1], 2) + std::pow(n[2], 2));
            for (int i = 0; i < 3; ++i) node.normal[i] = n[i] / len;
        }
    }
}

void draw_water_grid(WaterGrid grid, float t) {
    const float s0 = 0.02f * t;
    const float t0 = 0.03f * t;
    // Both steps over the x extent: the picture is stretched along z by size_z / size_x.
    const double ds = grid.size_x / (grid.columns - 1);
    const double dv = grid.size_x / (grid.rows - 1);
    glBegin(GL_QUADS);
    for (int c = 0; c < grid.columns - 2; ++c) {
        for (int r = 0; r < grid.rows - 2; ++r) {
            send_vertex(grid, r + 1, c, s0, t0, ds, dv);
            send_vertex(grid, r + 1, c + 1, s0, t0, ds, dv);
            send_vertex(grid, r, c + 1, s0, t0, ds, dv);
            send_vertex(grid, r, c, s0, t0, ds, dv);
        }
    }
    glEnd();
}

bool water_grid_diverged(const WaterGrid& grid, const double* origin, double limit) {
    for (int r = 0; r < grid.rows; ++r) {
        for (int c = 0; c < grid.columns; ++c) {
            const WaterNode& node = node_at(grid, r, c);
            double rest[3];
            rest_position(grid, origin, r, c, rest);
            for (int i = 0; i < 3; ++i) {
                // Written so that NaN fails too.
                if (!(std::fabs(node.position[i] - rest[i]) <= limit) || !std::isfinite(node.velocity[i])) return true;
            }
        }
    }
    return false;
}

void settle_water_grid(WaterGrid* grid, const double* origin) {
    for (int r = 0; r < grid->rows; ++r) {
        for (int c = 0; c < grid->columns; ++c) {
            WaterNode& node = node_at(*grid, r, c);
            rest_position(*grid, origin, r, c, node.position);
            for (int i = 0; i < 3; ++i) node.velocity[i] = node.acceleration[i] = 0.0;
        }
    }
}
