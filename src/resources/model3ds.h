// model3ds.h -- the 3DS chunk parser
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "resources/data_source.h"
#include "resources/model.h"

// Parses the 3DS data at the source's position to its end into a model, loading material texture
// maps from directory with from_archive. nullptr when the data are no 3DS file or are damaged: a
// chunk shorter than its header or longer than its parent, a list that passes its chunk, a face
// naming a vertex or a material group naming a face that does not exist.
// On failure, failure (when given) says why and where. Texture maps load through load_map, which
// is load_texture unless another is given.
using MapLoader = int (*)(const char* path, bool from_archive);
std::unique_ptr<Model> parse_3ds(DataSource* source, const char* directory, bool from_archive,
                                 ModelFailure* failure = nullptr, MapLoader load_map = nullptr);

// The names of the texture maps that parse_3ds loads from the 3DS data at the source's position, in
// its order, found without building the model; the chunks that hold no material are skipped whole.
// Damage ends the list where it is found. Safe on any thread.
std::vector<std::string> list_3ds_maps(DataSource* source);
