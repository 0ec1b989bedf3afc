// grain_field.h -- the tunnel's grain field: an open tube of lit, textured quads with a rough wall
// whose noise and texture scroll away from the mouth, one ring per step
#pragma once

#include <cstdint>
#include <vector>

struct GrainVertex {
    float position[3];
    float normal[3];  // zero until the first normal pass; the far row's stay zero
    float s, t;
};

struct GrainField {
    std::vector<GrainVertex> vertices;  // rows x columns, row-major, zero-filled when made
    float length = 0.0f;                // along +z; row r lies at r x length / rows
    float radius = 0.0f;                // base radius of the tube
    float noise = 0.0f;                 // amplitude of the radial noise
    int32_t columns = 0;                // round the tube; the last is a copy of column 0, the seam
    int32_t rows = 0;                   // rings along the tube; row 0 is the mouth, at z = 0
    std::vector<uint32_t> quads;        // the vertices of every quad in drawing order, four to a quad
};

// row x columns + column. An index outside the store is a fatal error.
int grainCoord2Index(int row, int column, const GrainField& field);

// A tube of columns x rows vertices with fresh noise on every ring; normals not yet computed.
GrainField create_grain_field(float radius, float length, int columns, int rows, float noise);

// One scroll step: every ring moves one place away from the mouth, the far ring is dropped, and a
// freshly roughened ring is made at the mouth with its texture t one ring spacing below the last.
void advance_grain_field(GrainField* field);

// The unit normal of every vertex but the far row's, pointing towards the tube's axis.
void compute_grain_field_normals(GrainField* field);

// One GL_QUADS batch, column by column: texture coordinate, normal and position of every vertex,
// from vertex arrays. Leaves the current texture coordinate and normal those of the last vertex
// drawn, as glBegin and glEnd would, and no other state.
void draw_grain_field(const GrainField& field);
