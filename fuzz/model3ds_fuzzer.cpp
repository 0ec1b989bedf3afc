// model3ds_fuzzer.cpp -- the 3DS parser and the normals of what it accepts, texture maps only named
#include <string>
#include <vector>

#include "memory_file.h"
#include "resources/model3ds.h"

namespace {

// The texture maps the parse asked for, in order; a stand-in handle each, or a failure now and then.
std::vector<std::string> s_maps;

int record_map(const char* path, bool) {
    s_maps.emplace_back(path);
    return s_maps.size() % 3 == 0 ? -1 : int(s_maps.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DataSource source;
    if (!open_memory_source(data, size, &source)) return 0;
    s_maps.clear();
    ModelFailure failure;
    std::unique_ptr<Model> model = parse_3ds(&source, "models/Fuzz/", false, &failure, record_map);
    close_data_source(&source);
    // What load_model does with a model it accepted; a rejected one must say why.
    if (model) {
        compute_normals(model.get());
    } else if (!failure.why) {
        __builtin_trap();
    }
    return 0;
}
