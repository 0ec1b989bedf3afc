// model_output.cpp -- placing built meshes in the file's axes, and writing them
#include <utility>

#include "models.h"

Mat3 file_from_player_matrix() {
    Mat3 m;
    m.m[0][0] = 1, m.m[0][1] = 0, m.m[0][2] = 0;
    m.m[1][0] = 0, m.m[1][1] = 0, m.m[1][2] = -1;
    m.m[2][0] = 0, m.m[2][1] = 1, m.m[2][2] = 0;
    return m;
}

bool add_model(DataTree* tree, const std::string& path, Model3ds model, const Mat3& file_from_scene, Vec3 offset,
               std::string* error) {
    for (Mesh& mesh : model.objects) transform_mesh(&mesh, file_from_scene, offset);
    std::string bytes = encode_3ds(model, error);
    if (bytes.empty()) {
        *error = path + ": " + *error;
        return false;
    }
    tree->add(path, std::move(bytes));
    return true;
}

Material3ds material(const char* name, uint32_t ambient, uint32_t diffuse, uint32_t specular, float shininess,
                     const char* map) {
    Material3ds m;
    m.name = name;
    m.ambient = rgb(ambient);
    m.diffuse = rgb(diffuse);
    m.specular = rgb(specular);
    m.shininess = shininess;
    m.map = map;
    return m;
}
