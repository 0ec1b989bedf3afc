// pictures.h -- pictures written by the tests: JPEG through libjpeg, TGA and PCX byte by byte
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "kernel/section.h"

// width x height RGB pixels, top row first.
struct TestPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

// A picture of smooth colour gradients with a few hard edges.
TestPicture gradient_picture(int width, int height);

// The bytes of a baseline JPEG of the picture at the given quality.
std::string encode_jpeg(const TestPicture& picture, int quality = 90);

// The loading screen's picture, so that the player can start in a scratch directory.
void write_loading_picture();

// A small picture for every picture and skybox of a section type's list (models are left out):
// JPEGs of gradients, opaque TGAs with alpha.
void write_picture_assets(std::span<const SectionAsset> assets);
