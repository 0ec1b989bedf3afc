// asset_tool.h -- varnel-tool image, model and script --check: data files read by the player's loaders
#pragma once

#include <string>

// Each returns a process exit status.

// Decodes a picture, prints "<width> <height> rgb|rgba", and writes its pixels as PAM when out is
// not empty. A failed load prints "error <code>: <why>".
int inspect_image(const std::string& path, bool from_archive, const std::string& out);

// Parses a model and prints its materials and objects as JSON; "no model: <why>[ at byte <n>]"
// when it cannot.
int inspect_model(const std::string& dir, const std::string& file, bool from_archive);

// Loads every data file that the script's used section types read, each in a process of its own
// so that a corrupt JPEG cannot end the check, and reports every one that fails.
int check_assets();
