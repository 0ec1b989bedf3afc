// image_list.cpp -- a list of pictures loaded in order, checked, then uploaded
#include "resources/image_list.h"

#include "resources/image.h"

int load_texture_list(std::span<const SectionAsset> pictures, int* handles, bool from_archive) {
    for (size_t i = 0; i < pictures.size(); ++i) handles[i] = load_texture(pictures[i].path, from_archive);
    for (size_t i = 0; i < pictures.size(); ++i) {
        if (handles[i] < 0) return int(i);
    }
    return -1;
}

void upload_texture_list(const int* handles, int count) {
    for (int i = 0; i < count; ++i) upload_texture(handles[i]);
}
