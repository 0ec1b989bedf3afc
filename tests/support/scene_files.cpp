// scene_files.cpp -- models and data files for the effect tests, through the generator's writers
#include "support/scene_files.h"

#include <gtest/gtest.h>

#include "max3ds_writer.h"
#include "models.h"
#include "support/pictures.h"
#include "support/scratch.h"
#include "tga_writer.h"

namespace {

// A unit cube centred on the origin, one untextured grey material.
void write_box_model(const std::string& path) {
    Model3ds model;
    Material3ds grey;
    grey.name = "grey";
    grey.diffuse = rgb(0xc0c0c0);
    grey.specular = rgb(0xffffff);
    model.materials.push_back(grey);
    Mesh box;
    box.name = "box";
    add_box(&box, Frame{}, {0.5f, 0.5f, 0.5f}, 0);
    model.objects.push_back(box);
    std::string error;
    const std::string bytes = encode_3ds(model, &error);
    ASSERT_FALSE(bytes.empty()) << error;
    write_file(path, bytes);
}

}  // namespace

void write_effect_files() {
    const std::string jpeg = encode_jpeg(gradient_picture(8, 8));
    for (const char* path : {"textures/varnelbump.jpg", "textures/varnelglow.jpg", "textures/redexplosion.jpg",
                             "textures/suelo.jpg"}) {
        write_file(path, jpeg);
    }
    for (const char* face : {"rt", "lf", "bk", "ft", "up", "dn"}) {
        write_file(std::string("skyboxes/marspanorama/marspanorama_") + face + ".jpg", jpeg);
    }
    write_file("textures/varnelstone.tga", encode_tga(Raster(8, 8, rgb(0x806040)), true));
    for (const char* path : {"models/body3dlow.3ds", "models/corazon/corazon.3ds", "models/fallingfinal.3ds",
                             "models/horrorface/horrorface.3ds"}) {
        write_box_model(path);
    }
}

void write_triangle_model(const std::string& path, float x) {
    Model3ds model;
    model.materials = {material("m", 0x202020, 0xc0c0c0, 0x808080, 0.3f)};
    model.objects.resize(1);
    Mesh& mesh = model.objects[0];
    mesh.name = "tri";
    for (Vec3 p : {Vec3{x, 0, 0}, Vec3{x + 1, 0, 0}, Vec3{x, 1, 0}}) mesh.add_vertex(file_from_player(p));
    mesh.add_triangle(0, 1, 2, 0);
    std::string error;
    write_file(path, encode_3ds(model, &error));
}
