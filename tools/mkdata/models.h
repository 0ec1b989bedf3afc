// models.h -- the show's 3DS models, each built where its section's transforms will show it
#pragma once

#include <string>

#include "data_tree.h"
#include "max3ds_writer.h"

// Each returns false, with a message, when a model cannot be written.
bool make_heart_models(DataTree* tree, std::string* error);      // spinheart, corazon
bool make_human_models(DataTree* tree, std::string* error);      // body3dlow, fallingfinal
bool make_face_model(DataTree* tree, std::string* error);        // horrorface
bool make_logo_models(DataTree* tree, std::string* error);       // letters and frame, normal and red
bool make_mechanism_models(DataTree* tree, std::string* error);  // the fifteen parts of amilar
bool make_room_model(DataTree* tree, std::string* error);        // blueroombox

// Writes a model whose meshes were built in a scene's own axes: every vertex p is stored in the
// file as file_from_scene * p + offset (a reflecting matrix keeps the faces outward).
bool add_model(DataTree* tree, const std::string& path, Model3ds model, const Mat3& file_from_scene, Vec3 offset,
               std::string* error);

// The matrix of file_from_player: the inverse of the loader's (x, y, z) -> (x, z, -y).
Mat3 file_from_player_matrix();

// A material from colours given as 0xRRGGBB: ambient, diffuse and specular (whose red is the lit
// alpha the player draws with).
Material3ds material(const char* name, uint32_t ambient, uint32_t diffuse, uint32_t specular, float shininess,
                     const char* map = "");
