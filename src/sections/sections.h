// sections.h -- the handlers that each section type's file exports to the section type table
#pragma once

#include "core/snapshot.h"
#include "kernel/section.h"

// The state each type carries from frame to frame, saved after the loading phase and put back on
// every seek; voidSection carries none.
extern const Snapshot kAmilarSnapshot;
extern const Snapshot kAscensionSnapshot;
extern const Snapshot kBlackFadeOutSnapshot;
extern const Snapshot kBlueroomboxSnapshot;
extern const Snapshot kCameralocSnapshot;
extern const Snapshot kCreditsSnapshot;
extern const Snapshot kFallingmanSnapshot;
extern const Snapshot kFinalSnapshot;
extern const Snapshot kHeartSnapshot;
extern const Snapshot kHombreSnapshot;
extern const Snapshot kHorrorfaceSnapshot;
extern const Snapshot kLoadingSnapshot;
extern const Snapshot kMarsPanoramaSnapshot;
extern const Snapshot kRedExplosionSnapshot;
extern const Snapshot kSoulsSnapshot;
extern const Snapshot kSyncSnapshot;
extern const Snapshot kTituloSnapshot;
extern const Snapshot kTunnelSnapshot;
extern const Snapshot kVarnelBumpSnapshot;
extern const Snapshot kVarnelLogoSnapshot;

// "loading": the loading screen with its progress bar, and the fade to black that ends it.
void loading_load();
void loading_init();
void loading_render();
void loading_end();
inline constexpr SectionAsset kLoadingAssets[] = {{SectionAsset::kImage, "textures/loading.jpg", nullptr}};

// "cameraloc": loads a fixed default camera for the layers above it.
void cameraloc_load();
void cameraloc_init();
void cameraloc_check();
void cameraloc_render();

// "blackFadeOUT": darkens what the layers below drew, to black at its end.
void blackfadeout_load();
void blackfadeout_render();

// "voidSection": clears colour and depth.
void voidsection_render();

// "hombre": a body lit red on a fogged tiled floor, a small heart at its chest; no sync times.
void hombre_load();
void hombre_init();
void hombre_check();
void hombre_render();
inline constexpr SectionAsset kHombreAssets[] = {
    {SectionAsset::kImage, "textures/suelo.jpg", nullptr},
    {SectionAsset::kModel, "models/", "body3dlow.3ds"},
    {SectionAsset::kModel, "models/corazon/", "corazon.3ds"},
};

// "marspanorama": a landscape skybox in four shots, shimmering. Sync times: the three cuts.
void marspanorama_load();
void marspanorama_init();
void marspanorama_render();
inline constexpr SectionAsset kMarsPanoramaAssets[] = {
    {SectionAsset::kSkybox, "skyboxes/marspanorama/marspanorama_", nullptr},
};

// "varnelBump": the stone slab with its circling relief over a jittering glow, shrinking.
void varnelbump_load();
void varnelbump_render();
inline constexpr SectionAsset kVarnelBumpAssets[] = {
    {SectionAsset::kImage, "textures/varnelstone.tga", nullptr},
    {SectionAsset::kImage, "textures/varnelbump.jpg", nullptr},
    {SectionAsset::kImage, "textures/varnelglow.jpg", nullptr},
};

// "redExplosion": two explosions added over the layers below, turning apart and shrinking.
void redexplosion_load();
void redexplosion_render();
inline constexpr SectionAsset kRedExplosionAssets[] = {
    {SectionAsset::kImage, "textures/redexplosion.jpg", nullptr},
};

// "horrorface": the face turning and shaking as a red light rises on it. Sync times: when it appears.
void horrorface_load();
void horrorface_render();
inline constexpr SectionAsset kHorrorfaceAssets[] = {
    {SectionAsset::kModel, "models/horrorface/", "horrorface.3ds"},
};

// "fallingman": a figure falling through fog twice, its black silhouette, then the face close up.
// Sync times: the ends of the first three phases.
void fallingman_load();
void fallingman_render();
inline constexpr SectionAsset kFallingmanAssets[] = {
    {SectionAsset::kModel, "models/horrorface/", "horrorface.3ds"},
    {SectionAsset::kModel, "models/", "fallingfinal.3ds"},
};

// "sync": one of 45 pictures flashed on a beat, fading over the section. Sync times: the picture
// (0 to 44), the strength at the start.
void sync_load();
void sync_init();
void sync_check();
void sync_render();
inline constexpr SectionAsset kSyncAssets[] = {
    {SectionAsset::kImage, "textures/sync/01.jpg", nullptr}, {SectionAsset::kImage, "textures/sync/02.jpg", nullptr},
    {SectionAsset::kImage, "textures/sync/03.jpg", nullptr}, {SectionAsset::kImage, "textures/sync/04.jpg", nullptr},
    {SectionAsset::kImage, "textures/sync/05.jpg", nullptr}, {SectionAsset::kImage, "textures/sync/06.jpg", nullptr},
    {SectionAsset::kImage, "textures/sync/07.jpg", nullptr}, {SectionAsset::kImage, "textures/sync/08.jpg", nullptr},
    {SectionAsset::kImage, "textures/sync/09.jpg", nullptr}, {SectionAsset::kImage, "textures/sync/10.jpg", nullptr},
    {SectionAsset::kImage, "textures/sync/11.jpg", nullptr}, {SectionAsset::kImage, "textures/sync/12.jpg", nullptr},
    {SectionAsset::kImage, "textures/sync/13.jpg", nullptr}, {SectionAsset::kImage, "textures/sync/14.jpg", nullptr},
    {SectionAsset::kImage, "textures/sync/15.jpg", nullptr}, {SectionAsset::kImage, "textures/sync/16.jpg", nullptr},
    {SectionAsset::kImage, "textures/sync/17.jpg", nullptr}, {SectionAsset::kImage, "textures/sync/18.jpg", nullptr},
    {SectionAsset::kImage, "textures/sync/19.jpg", nullptr}, {SectionAsset::kImage, "textures/sync/20.jpg", nullptr},
    {SectionAsset::kImage, "textures/sync/21.jpg", nullptr}, {SectionAsset::kImage, "textures/sync/22.jpg", nullptr},
    {SectionAsset::kImage, "textures/sync/23.jpg", nullptr}, {SectionAsset::kImage, "textures/sync/24.jpg", nullptr},
    {SectionAsset::kImage, "textures/sync/25.jpg", nullptr}, {SectionAsset::kImage, "textures/sync/26.jpg", nullptr},
    {SectionAsset::kImage, "textures/sync/27.jpg", nullptr}, {SectionAsset::kImage, "textures/sync/28.jpg", nullptr},
    {SectionAsset::kImage, "textures/sync/29.jpg", nullptr}, {SectionAsset::kImage, "textures/sync/30.jpg", nullptr},
    {SectionAsset::kImage, "textures/sync/31.jpg", nullptr}, {SectionAsset::kImage, "textures/sync/32.jpg", nullptr},
    {SectionAsset::kImage, "textures/sync/33.jpg", nullptr}, {SectionAsset::kImage, "textures/sync/34.jpg", nullptr},
    {SectionAsset::kImage, "textures/sync/35.jpg", nullptr}, {SectionAsset::kImage, "textures/sync/36.jpg", nullptr},
    {SectionAsset::kImage, "textures/sync/37.jpg", nullptr}, {SectionAsset::kImage, "textures/sync/38.jpg", nullptr},
    {SectionAsset::kImage, "textures/sync/39.jpg", nullptr}, {SectionAsset::kImage, "textures/sync/40.jpg", nullptr},
    {SectionAsset::kImage, "textures/sync/41.jpg", nullptr}, {SectionAsset::kImage, "textures/sync/42.jpg", nullptr},
    {SectionAsset::kImage, "textures/sync/43.jpg", nullptr}, {SectionAsset::kImage, "textures/sync/44.jpg", nullptr},
    {SectionAsset::kImage, "textures/sync/45.jpg", nullptr},
};

// "titulo": one of 40 title cards condensing, cross-fading and gliding away. Sync times: the ends of
// the first two phases, the card (0 to 39), its offset from the centre, its offset at the end.
void titulo_load();
void titulo_init();
void titulo_check();
void titulo_render();
inline constexpr SectionAsset kTituloAssets[] = {
    {SectionAsset::kImage, "textures/titles/001/1-1.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/001/1-2a.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/001/1-2b.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/001/1-3a.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/001/1-3b.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/001/1-4a.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/001/1-4b.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/001/1-4c.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/001/1-4d.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/002/2-1a.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/002/2-1b.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/002/2-2a.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/002/2-2b.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/002/2-3a.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/002/2-3b.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/002/2-4a.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/002/2-4b.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/003/3-1a.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/003/3-1b.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/004/4-1a.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/004/4-1b.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/004/4-2.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/004/4-3.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/004/4-8.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/004/4-9.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/004/4-10.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/004/4-11.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/005/5-1.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/005/5-2a.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/005/5-2b.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/006/6-1.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/006/6-2.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/006/6-3.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/006/6-4.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/006/6-5a.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/006/6-5b.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/007/7-1a.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/007/7-1b.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/007/7-2a.jpg", nullptr},
    {SectionAsset::kImage, "textures/titles/007/7-2b.jpg", nullptr},
};

// "varnellogo": the 3D logo flies in, echoes in red and tumbles. Sync times, as demo times: the
// start of the fly-in, of the echo and of the tumble.
void varnellogo_load();
void varnellogo_render();
inline constexpr SectionAsset kVarnelLogoAssets[] = {
    {SectionAsset::kModel, "models/VarnelLogo/letra/roja/", "letra.3ds"},
    {SectionAsset::kModel, "models/VarnelLogo/letra/normal/", "letra.3ds"},
    {SectionAsset::kModel, "models/VarnelLogo/marco/rojo/", "marco.3ds"},
    {SectionAsset::kModel, "models/VarnelLogo/marco/normal/", "marco.3ds"},
};

// "tunnel": four flights through burning tubes on red. Sync times: the ends of the first three.
void tunnel_load();
void tunnel_render();
inline constexpr SectionAsset kTunnelAssets[] = {
    {SectionAsset::kImage, "textures/flame.jpg", nullptr},
    {SectionAsset::kImage, "textures/pixelfire.jpg", nullptr},
};

// "heart": a spinning heart in a red glow. Sync times: its 33 beats.
void heart_load();
void heart_render();
inline constexpr SectionAsset kHeartAssets[] = {{SectionAsset::kModel, "models/spinheart/", "spinheart.3ds"}};

// "souls": dark fogged water in a skybox, rippled from one edge and lifted by a rising sphere,
// the camera circling closer. No sync times.
struct WaterGrid;
void souls_load();
void souls_render();
const WaterGrid& souls_water();  // the water as the last frame left it
inline constexpr SectionAsset kSoulsAssets[] = {
    {SectionAsset::kSkybox, "skyboxes/souls/souls_", nullptr},
    {SectionAsset::kImage, "textures/water.jpg", nullptr},
};

// "ascension": a ring of greetings turning high above the centre, a glow, then sparks and souls,
// rising with an explosion sprite. Drawn into the current matrices. Sync time: the start of the
// sparks and souls.
void ascension_load();
void ascension_render();
inline constexpr SectionAsset kAscensionAssets[] = {
    {SectionAsset::kImage, "textures/greetings/greet01.tga", nullptr},
    {SectionAsset::kImage, "textures/greetings/greet02.tga", nullptr},
    {SectionAsset::kImage, "textures/greetings/greet03.tga", nullptr},
    {SectionAsset::kImage, "textures/greetings/greet04.tga", nullptr},
    {SectionAsset::kImage, "textures/greetings/greet05.tga", nullptr},
    {SectionAsset::kImage, "textures/greetings/greet06.tga", nullptr},
    {SectionAsset::kImage, "textures/greetings/greet07.tga", nullptr},
    {SectionAsset::kImage, "textures/greetings/greet08.tga", nullptr},
    {SectionAsset::kImage, "textures/greetings/greet09.tga", nullptr},
    {SectionAsset::kImage, "textures/greetings/greet10.tga", nullptr},
    {SectionAsset::kImage, "textures/greetings/greet11.tga", nullptr},
    {SectionAsset::kImage, "textures/greetings/greet12.tga", nullptr},
    {SectionAsset::kImage, "textures/explosion.jpg", nullptr},
    {SectionAsset::kImage, "textures/flares/blueflare.jpg", nullptr},
    {SectionAsset::kImage, "textures/souls/soul01.jpg", nullptr},
    {SectionAsset::kImage, "textures/souls/soul02.jpg", nullptr},
    {SectionAsset::kImage, "textures/souls/soul03.jpg", nullptr},
    {SectionAsset::kImage, "textures/souls/soul04.jpg", nullptr},
    {SectionAsset::kImage, "textures/souls/soul05.jpg", nullptr},
    {SectionAsset::kImage, "textures/souls/soul06.jpg", nullptr},
    {SectionAsset::kImage, "textures/souls/soul07.jpg", nullptr},
    {SectionAsset::kImage, "textures/souls/soul08.jpg", nullptr},
    {SectionAsset::kImage, "textures/souls/soul09.jpg", nullptr},
    {SectionAsset::kImage, "textures/souls/soul10.jpg", nullptr},
};

// "blueroombox": a lit room under two copies of a night sky turning at different speeds; the camera
// drifts until sync time 0, then looks down from a second place while its field of view opens.
void blueroombox_load();
void blueroombox_render();
inline constexpr SectionAsset kBlueroomboxAssets[] = {
    {SectionAsset::kModel, "models/blueroom/", "blueroombox.3ds"},
    {SectionAsset::kSkybox, "skyboxes/night/night_", nullptr},
};

// "final": a spinning distortion sky added onto the last frame under a 10 % black veil, leaving trails.
void final_load();
void final_init();
void final_render();
inline constexpr SectionAsset kFinalAssets[] = {{SectionAsset::kSkybox, "skyboxes/distortion/distortion_", nullptr}};

// "amilar": the turning mechanism, each part in its own light, with three fountains of flares in a
// starfield; eleven camera shots cut at sync times 0 to 9. The models come first, in load order.
void amilar_load();
void amilar_render();
inline constexpr SectionAsset kAmilarAssets[] = {
    {SectionAsset::kModel, "models/amilar/", "01support.3ds"},
    {SectionAsset::kModel, "models/amilar/", "02engranajeEXT.3ds"},
    {SectionAsset::kModel, "models/amilar/", "03mainAxis.3ds"},
    {SectionAsset::kModel, "models/amilar/", "04innerGear.3ds"},
    {SectionAsset::kModel, "models/amilar/", "05zodiac.3ds"},
    {SectionAsset::kModel, "models/amilar/", "06ring1.3ds"},
    {SectionAsset::kModel, "models/amilar/", "07ring2.3ds"},
    {SectionAsset::kModel, "models/amilar/", "08ring3.3ds"},
    {SectionAsset::kModel, "models/amilar/", "09ring4.3ds"},
    {SectionAsset::kModel, "models/amilar/", "10ring5.3ds"},
    {SectionAsset::kModel, "models/amilar/planets/", "planet1.3ds"},
    {SectionAsset::kModel, "models/amilar/planets/", "planet2.3ds"},
    {SectionAsset::kModel, "models/amilar/planets/", "planet3.3ds"},
    {SectionAsset::kModel, "models/amilar/planets/", "planet4.3ds"},
    {SectionAsset::kModel, "models/amilar/planets/", "planet5.3ds"},
    {SectionAsset::kImage, "textures/flares/blueflare.jpg", nullptr},
    {SectionAsset::kImage, "textures/flares/bluesun.jpg", nullptr},
    {SectionAsset::kSkyboxImage, "skyboxes/starfield.jpg", nullptr},
};

// "credits": on black, the portrait, then the credits with the final title, then the web page, each
// shrinking under an orange flicker; sync times 0 and 1 end the first two. In image order.
void credits_load();
void credits_render();
inline constexpr SectionAsset kCreditsAssets[] = {
    {SectionAsset::kImage, "textures/07final/credits.jpg", nullptr},
    {SectionAsset::kImage, "textures/07final/finaltitle.jpg", nullptr},
    {SectionAsset::kImage, "textures/07final/portrait.jpg", nullptr},
    {SectionAsset::kImage, "textures/07final/varnelweb.jpg", nullptr},
};
