// water_grid.h -- the souls' water: point masses on springs, stepped by explicit integration, drawn as quads
#pragma once

#include <cstdint>
#include <vector>

// All quantities double precision.
struct WaterNode {
    double mass;             // the grid's total mass over its node count
    double position[3];
    double velocity[3];
    double acceleration[3];  // from the last step
    double normal[3];        // unit; undefined until the normals are first computed
    uint8_t fixed;           // 1: the step leaves the node alone
};

// Copied by value; every copy shares the one node array: the grid's own, never freed, or one that the
// caller keeps.
struct WaterGrid {
    WaterNode* nodes;  // rows x columns, row-major; nullptr when the grid could not be made
    double size_x;     // extent along x, over columns - 1 spacings
    double size_z;     // extent along z, over rows - 1 spacings
    int32_t columns;   // nodes per row, along x
    int32_t rows;      // along z
};

// row x columns + column; ends the program when that is not below columns x rows.
int nodeCoord2Index(int row, int column, const WaterGrid& grid);

// A flat grid in the plane y = 0 whatever origin[1] holds, at rest, no node fixed. nodes is nullptr
// when the array cannot be allocated or the grid has fewer than two columns or rows.
WaterGrid create_water_grid(double size_x, double size_z, int columns, int rows, const double* origin,
                            double total_mass);

// The same grid over nodes kept in storage, which is resized to hold them: a record that copies its
// nodes along with the grids that point into them.
WaterGrid create_water_grid(double size_x, double size_z, int columns, int rows, const double* origin,
                            double total_mass, std::vector<WaterNode>* storage);

// Fixes node (row, column) in both grids.
void fix_water_node(WaterGrid* a, WaterGrid* b, int row, int column);

// Adds the Hooke force on a node at a from a spring of rest length rest to a neighbour at b.
void add_spring_force(double* force, const double* a, const double* b, double k, double rest);

// One step over the kernel's frame time: reads only current, writes only next. A fixed node of
// current is skipped, so next keeps whatever that node held.
void step_water_grid(WaterGrid current, WaterGrid* next, const double* gravity, double k);

// Unit normals of every node but the last row's and the last column's, which keep theirs.
void compute_water_grid_normals(WaterGrid* grid);

// One GL_QUADS batch over rows 0 to rows - 2 and columns 0 to columns - 2, the texture scrolled
// by t; sets no GL state.
void draw_water_grid(WaterGrid grid, float t);

// Whether a node holds a non-finite position or velocity, or has strayed further than limit along
// any axis from where the flat layout at origin puts it: what one over-long step leaves behind.
bool water_grid_diverged(const WaterGrid& grid, const double* origin, double limit);

// Puts every node back at rest in the flat layout at origin, keeping masses and fixed flags.
void settle_water_grid(WaterGrid* grid, const double* origin);
