// section_types.cpp -- the table of the 21 section types: each type's name, handlers, sync times and assets
#include <string_view>

#include "kernel/section.h"
#include "sections/sections.h"

// The row index is the type id stored in a section, the loading phase loads types in row order and
// the statistics print these names, so the order is fixed. A type whose init handler checks its
// section names that check last, so that a reload can run it on a script before accepting it.
constexpr SectionType kSectionTypes[kSectionTypeCount] = {
    {"loading", loading_load, loading_init, loading_render, loading_end, 0, kLoadingAssets, &kLoadingSnapshot},
    {"hombre", hombre_load, hombre_init, hombre_render, empty_handler, 0, kHombreAssets, &kHombreSnapshot, hombre_check},
    {"cameraloc", cameraloc_load, cameraloc_init, cameraloc_render, empty_handler, 0, {}, &kCameralocSnapshot, cameraloc_check},
    {"marspanorama", marspanorama_load, marspanorama_init, marspanorama_render, empty_handler, 3,
     kMarsPanoramaAssets, &kMarsPanoramaSnapshot},
    {"blackFadeOUT", blackfadeout_load, empty_handler, blackfadeout_render, empty_handler, 0, {}, &kBlackFadeOutSnapshot},
    {"varnelBump", varnelbump_load, empty_handler, varnelbump_render, empty_handler, 0, kVarnelBumpAssets, &kVarnelBumpSnapshot},
    {"varnellogo", varnellogo_load, empty_handler, varnellogo_render, empty_handler, 3, kVarnelLogoAssets, &kVarnelLogoSnapshot},
    {"redExplosion", redexplosion_load, empty_handler, redexplosion_render, empty_handler, 0, kRedExplosionAssets, &kRedExplosionSnapshot},
    {"souls", souls_load, empty_handler, souls_render, empty_handler, 0, kSoulsAssets, &kSoulsSnapshot},
    {"blueroombox", blueroombox_load, empty_handler, blueroombox_render, empty_handler, 1, kBlueroomboxAssets, &kBlueroomboxSnapshot},
    {"final", final_load, final_init, final_render, empty_handler, 0, kFinalAssets, &kFinalSnapshot},
    {"tunnel", tunnel_load, empty_handler, tunnel_render, empty_handler, 3, kTunnelAssets, &kTunnelSnapshot},
    {"heart", heart_load, empty_handler, heart_render, empty_handler, 33, kHeartAssets, &kHeartSnapshot},
    {"amilar", amilar_load, empty_handler, amilar_render, empty_handler, 10, kAmilarAssets, &kAmilarSnapshot},
    {"horrorface", horrorface_load, empty_handler, horrorface_render, empty_handler, 1, kHorrorfaceAssets, &kHorrorfaceSnapshot},
    {"ascension", ascension_load, empty_handler, ascension_render, empty_handler, 1, kAscensionAssets, &kAscensionSnapshot},
    {"sync", sync_load, sync_init, sync_render, empty_handler, 2, kSyncAssets, &kSyncSnapshot, sync_check},
    {"credits", credits_load, empty_handler, credits_render, empty_handler, 2, kCreditsAssets, &kCreditsSnapshot},
    {"titulo", titulo_load, titulo_init, titulo_render, empty_handler, 7, kTituloAssets, &kTituloSnapshot, titulo_check},
    {"voidSection", empty_handler, empty_handler, voidsection_render, empty_handler, 0, {}},
    {"fallingman", fallingman_load, empty_handler, fallingman_render, empty_handler, 3, kFallingmanAssets, &kFallingmanSnapshot},
};

namespace {

constexpr bool names_fit(const SectionType* types, int count) {
    for (int i = 0; i < count; ++i) {
        if (std::string_view(types[i].name).size() > 63) return false;
    }
    return true;
}

}  // namespace

static_assert(std::string_view(kSectionTypes[kLoadingType].name) == "loading", "row 0 is the loading type");
static_assert(std::string_view(kSectionTypes[20].name) == "fallingman", "the table holds all 21 rows");
static_assert(names_fit(kSectionTypes, kSectionTypeCount), "a type name fits a 64-character field");
