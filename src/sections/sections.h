// sections.h -- the handlers that each section type's file exports to the section type table
#pragma once

#include "kernel/section.h"

// "loading": the loading screen with its progress bar, and the fade to black that ends it.
void loading_load();
void loading_init();
void loading_render();
void loading_end();
inline constexpr SectionAsset kLoadingAssets[] = {{SectionAsset::kImage, "textures/loading.jpg", nullptr}};

// "cameraloc": loads a fixed default camera for the layers above it.
void cameraloc_load();
void cameraloc_init();
void cameraloc_render();

// "blackFadeOUT": darkens what the layers below drew, to black at its end.
void blackfadeout_load();
void blackfadeout_render();

// "voidSection": clears colour and depth.
void voidsection_render();
