// model_files.cpp -- 3DS models written by the tests through varnel-mkdata's writer
#include "support/model_files.h"

#include "max3ds_writer.h"
#include "models.h"
#include "support/scratch.h"

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
