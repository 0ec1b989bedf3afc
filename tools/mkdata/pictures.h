// pictures.h -- the show's pictures, family by family; each adds its files to the tree
#pragma once

#include "data_tree.h"

// The tunnel's fire: "textures/flame.jpg" and "textures/pixelfire.jpg", both tiling.
void make_fire_pictures(DataTree* tree);

// The man's tiled floor and the souls' dark water, both tiling.
void make_floor_and_water(DataTree* tree);

// The texture maps of the models: the small heart, the logo's metal and its red variants, planets.
void make_model_skins(DataTree* tree);

// The stone slab of the bump scene, its relief and its glow.
void make_stone_pictures(DataTree* tree);

// Blue flare and sun, the red explosion and the ascension's explosion.
void make_flare_pictures(DataTree* tree);

// The ten soul faces of the ascension.
void make_soul_pictures(DataTree* tree);

// The skyboxes: sky 0 the desert panorama, 1 the souls' sky, 2 the night sky, 3 the distortion
// swirl; face 0 to 5 in the order rt, lf, bk, ft, up, dn.
inline constexpr int kSkyCount = 4;
void make_sky_face(DataTree* tree, int sky, int face);
// The single starfield picture that the mechanism puts on all six faces.
void make_starfield(DataTree* tree);

// The loading screen's picture, 800 x 600, with the progress bar's slot.
void make_loading_picture(DataTree* tree);

// Title cards first to first + count - 1 of the 40 slots.
inline constexpr int kTitleCount = 40;
void make_title_cards(DataTree* tree, int first, int count);

// The twelve greetings, cut out by their alpha.
void make_greetings(DataTree* tree);

// The credits, the final title, the portrait and the web picture.
void make_closing_pictures(DataTree* tree);

// Sync flash image index, 0 to 44.
inline constexpr int kFlashCount = 45;
void make_flash(DataTree* tree, int index);

// The file names that the show chose where the player leaves the choice to its data.
inline constexpr const char* kPortraitPath = "textures/07final/portrait.jpg";
// Greeting i (0 to 11) is "textures/greetings/greetNN.tga" with NN = i + 1 in two digits.
std::string greeting_path(int index);
