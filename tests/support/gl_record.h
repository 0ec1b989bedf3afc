// gl_record.h -- the batches a draw sends between glBegin and glEnd or in one glDrawElements, with
// the state each began in; for test binaries linked with --wrap=glBegin,--wrap=glVertex3fv,
// --wrap=glNormal3fv,--wrap=glTexCoord2f,--wrap=glDrawElements
#pragma once

#include <array>
#include <functional>
#include <vector>

struct RecordedVertex {
    std::array<float, 3> position, normal;  // as sent, in object space
    std::array<float, 2> texcoord;
};

struct RecordedBatch {
    std::array<float, 16> modelview;
    std::array<float, 4> colour;  // the current colour
    bool lighting, blend, depth_test, texture, fog;
    int blend_dst;
    std::vector<RecordedVertex> vertices;
};

// The batches with vertices that draw() sends, in order.
std::vector<RecordedBatch> record_batches(const std::function<void()>& draw);

// The model-view matrix that transform() builds from the identity.
std::array<float, 16> matrix_after(const std::function<void()>& transform);

void expect_matrix_near(const std::array<float, 16>& actual, const std::array<float, 16>& expected,
                        float tolerance = 2e-4f);
