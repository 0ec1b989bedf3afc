// grain_field.cpp -- the grain field: a rough tube scrolled one ring per step, its normals and its quads
#include "sections/grain_field.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>

#include "core/fatal.h"
#include "core/random.h"

namespace {

constexpr float kPi = 3.1415927f;
constexpr float kTextureRepeats = 5.0f;  // round the tube, and from the mouth to the far ring

GrainVertex& vertex_at(GrainField* field, int row, int column) {
    return field->vertices[size_t(grainCoord2Index(row, column, *field))];
}

const GrainVertex& vertex_at(const GrainField& field, int row, int column) {
    return field.vertices[size_t(grainCoord2Index(row, column, field))];
}

// Places vertex (row, column) on the wall at height z with a fresh radius: the base radius plus one
// of eleven steps of a tenth of the noise.
void roughen(GrainField* field, int row, int column, float z) {
    const float theta = 2.0f * float(column) * kPi / float(field->columns - 1);
    const float rho = field->radius + float(random_below(11)) * field->noise * 0.1f;
    GrainVertex& v = vertex_at(field, row, column);
    v.position[0] = rho * std::cos(theta);
    v.position[1] = rho * std::sin(theta);
    v.position[2] = z;
    v.s = float(column) * kTextureRepeats / float(field->columns - 1);
}

// The seam closes the tube: it stands where column 0 stands, at the far edge of the texture.
void close_seam(GrainField* field, int row) {
    const GrainVertex& first = vertex_at(*field, row, 0);
    GrainVertex& seam = vertex_at(field, row, field->columns - 1);
    for (int i = 0; i < 3; ++i) seam.position[i] = first.position[i];
    seam.s = kTextureRepeats;
    seam.t = first.t;
}

}  // namespace

int grainCoord2Index(int row, int column, const GrainField& field) {
    const int index = row * field.columns + column;
    // The store's lower end is guarded too: a negative index would read before it.
    if (index < 0 || index >= field.columns * field.rows) fatal_error("grainCoord2Index: Out of bounds index\n");
    return index;
}

GrainField create_grain_field(float radius, float length, int columns, int rows, float noise) {
    GrainField field;
    field.vertices.assign(size_t(columns) * size_t(rows), GrainVertex{});
    field.length = length;
    field.radius = radius;
    field.noise = noise;
    field.columns = columns;
    field.rows = rows;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns - 1; ++c) {
            roughen(&field, r, c, float(r) * length / float(rows));
            vertex_at(&field, r, c).t = float(r) * kTextureRepeats / float(rows - 1);
        }
        close_seam(&field, r);
    }
    field.quads.reserve(size_t(columns - 1) * size_t(rows - 1) * 4);
    for (int c = 0; c < columns - 1; ++c) {
        for (int r = 0; r < rows - 1; ++r) {
            const int corners[4][2] = {{r + 1, c}, {r + 1, c + 1}, {r, c + 1}, {r, c}};
            for (const auto& corner : corners) field.quads.push_back(uint32_t(grainCoord2Index(corner[0], corner[1], field)));
        }
    }
    return field;
}

void advance_grain_field(GrainField* field) {
    const int columns = field->columns;
    const float step = field->length / float(field->rows);
    for (int r = field->rows - 1; r >= 1; --r) {
        for (int c = 0; c < columns; ++c) {
            const GrainVertex& from = vertex_at(*field, r - 1, c);
            GrainVertex& to = vertex_at(field, r, c);
            // Normals stay where they are; the owner recomputes them after the step.
            to.position[0] = from.position[0];
            to.position[1] = from.position[1];
            to.position[2] = from.position[2] + step;
            to.s = from.s;
            to.t = from.t;
        }
    }
    // The mouth's t keeps falling, so the texture slides along +z with the rings.
    const float spacing = kTextureRepeats / float(field->rows - 1);
    for (int c = 0; c < columns - 1; ++c) {
        roughen(field, 0, c, 0.0f);
        vertex_at(field, 0, c).t -= spacing;
    }
    close_seam(field, 0);
}

void compute_grain_field_normals(GrainField* field) {
    const int columns = field->columns;
    for (int r = 0; r < field->rows - 1; ++r) {
        for (int c = 0; c < columns - 1; ++c) {
            const float* p = vertex_at(*field, r, c).position;
            const float* round = vertex_at(*field, r, c + 1).position;
            const float* along = vertex_at(*field, r + 1, c).position;
            const float e1[3] = {round[0] - p[0], round[1] - p[1], round[2] - p[2]};
            const float e2[3] = {along[0] - p[0], along[1] - p[1], along[2] - p[2]};
            // e2 x e1: with the columns counter-clockwise round +z it points at the axis.
            const float n[3] = {e2[1] * e1[2] - e2[2] * e1[1], e2[2] * e1[0] - e2[0] * e1[2],
                                e2[0] * e1[1] - e2[1] * e1[0]};
            const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            float* normal = vertex_at(field, r, c).normal;
            for (int i = 0; i < 3; ++i) normal[i] = n[i] / length;
        }
    }
    for (int r = 0; r < field->rows; ++r) {
        const GrainVertex& first = vertex_at(*field, r, 0);
        GrainVertex& seam = vertex_at(field, r, columns - 1);
        for (int i = 0; i < 3; ++i) seam.normal[i] = first.normal[i];
    }
}

void draw_grain_field(const GrainField& field) {
    if (field.quads.empty()) return;
    const GrainVertex* v = field.vertices.data();
    constexpr GLsizei kStride = sizeof(GrainVertex);
    glVertexPointer(3, GL_FLOAT, kStride, v->position);
    glNormalPointer(GL_FLOAT, kStride, v->normal);
    glTexCoordPointer(2, GL_FLOAT, kStride, &v->s);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glDrawElements(GL_QUADS, GLsizei(field.quads.size()), GL_UNSIGNED_INT, field.quads.data());
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    // After an array draw the current values are undefined; what comes after may draw with them.
    const GrainVertex& last = v[field.quads.back()];
    glTexCoord2f(last.s, last.t);
    glNormal3fv(last.normal);
}
