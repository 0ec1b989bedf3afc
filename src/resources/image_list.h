// image_list.h -- loading and uploading a section type's list of pictures together
#pragma once

#include <span>

#include "resources/asset.h"

// Loads every picture of the list, in order, into handles; returns the position of the first that
// failed to load, or -1 when all did.
int load_texture_list(std::span<const SectionAsset> pictures, int* handles, bool from_archive);
void upload_texture_list(const int* handles, int count);
