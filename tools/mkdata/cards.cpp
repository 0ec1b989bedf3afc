// cards.cpp -- the lettered pictures: loading screen, title cards, greetings, credits
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "noise.h"
#include "pictures.h"
#include "rng.h"
#include "text.h"
#include "vecmath.h"

namespace {

// A soft dark backdrop of red smoke, for the loading screen.
void smoke(Raster* r, uint32_t seed) {
    r->each([&](int x, int y, Colour& p) {
        const float u = float(x) / float(r->width), v = float(y) / float(r->height);
        const float n = fbm2(u * 4, v * 3, 6, seed);
        const float vignette = smoothstep(1.1f, 0.3f, std::hypot(u - 0.5f, (v - 0.42f) * 1.2f));
        p = mix(rgb(0x060102), rgb(0x4a0a08), std::pow(n, 1.8f) * vignette);
        p.a = 1;
    });
}

void make_loading(DataTree* tree) {
    Raster r(800, 600);
    smoke(&r, 701);
    draw_text_centred(&r, FontStyle::kSerifBold, "VARNEL", 150, 400, 230, rgb(0xf4e8e0), 14, rgb(0xff3010, 0.9f), 8);
    draw_text_centred(&r, FontStyle::kSans, "a real-time demo", 26, 400, 330, rgb(0xc89a90), 0, {}, 6);

    // The bar's slot. The player draws the bar's black outline through (130, 107) and (705, 116)
    // and the bar inside it from (132, 110), counted from the bottom of an 800 x 600 screen; in
    // rows from the top the outline spans 484 to 493. A light plate lets the black outline show,
    // a dark channel inside it lets the red bar stand out.
    for (int y = 470; y < 508; ++y) {
        for (int x = 112; x < 724; ++x) {
            const float bevel = (y < 472 || x < 114) ? 1.25f : (y > 505 || x > 721) ? 0.6f : 1.0f;
            r.at(x, y) = rgb(0x8a8484) * bevel;
        }
    }
    for (int y = 485; y < 493; ++y) {
        for (int x = 131; x < 705; ++x) r.at(x, y) = rgb(0x140808);
    }
    draw_text_centred(&r, FontStyle::kSansBold, "LOADING", 15, 170, 458, rgb(0xe0d0c8), 0, {}, 4);
    tree->add_jpeg("textures/loading.jpg", r, 92);
}

struct TitleCard {
    const char* path;
    const char* text;
};

// Slot order is the player's; the words are the show's.
const TitleCard kTitles[kTitleCount] = {
    {"textures/titles/001/1-1.jpg", "VARNEL"},         {"textures/titles/001/1-2a.jpg", "proudly"},
    {"textures/titles/001/1-2b.jpg", "presents"},      {"textures/titles/001/1-3a.jpg", "a real-time"},
    {"textures/titles/001/1-3b.jpg", "journey"},       {"textures/titles/001/1-4a.jpg", "through"},
    {"textures/titles/001/1-4b.jpg", "fire"},          {"textures/titles/001/1-4c.jpg", "water"},
    {"textures/titles/001/1-4d.jpg", "and stone"},     {"textures/titles/002/2-1a.jpg", "every heart"},
    {"textures/titles/002/2-1b.jpg", "keeps time"},    {"textures/titles/002/2-2a.jpg", "carved"},
    {"textures/titles/002/2-2b.jpg", "in stone"},      {"textures/titles/002/2-3a.jpg", "one man"},
    {"textures/titles/002/2-3b.jpg", "stands alone"},  {"textures/titles/002/2-4a.jpg", "red light"},
    {"textures/titles/002/2-4b.jpg", "no shadow"},     {"textures/titles/003/3-1a.jpg", "into the"},
    {"textures/titles/003/3-1b.jpg", "FIRE"},          {"textures/titles/004/4-1a.jpg", "falling"},
    {"textures/titles/004/4-1b.jpg", "forever"},       {"textures/titles/004/4-2.jpg", "red dust"},
    {"textures/titles/004/4-3.jpg", "horizon"},        {"textures/titles/004/4-8.jpg", "silence"},
    {"textures/titles/004/4-9.jpg", "far away"},       {"textures/titles/004/4-10.jpg", "no way back"},
    {"textures/titles/004/4-11.jpg", "wander"},        {"textures/titles/005/5-1.jpg", "souls"},
    {"textures/titles/005/5-2a.jpg", "rise above"},    {"textures/titles/005/5-2b.jpg", "the water"},
    {"textures/titles/006/6-1.jpg", "the heavens"},    {"textures/titles/006/6-2.jpg", "in motion"},
    {"textures/titles/006/6-3.jpg", "gears"},          {"textures/titles/006/6-4.jpg", "orbits"},
    {"textures/titles/006/6-5a.jpg", "measuring"},     {"textures/titles/006/6-5b.jpg", "time"},
    {"textures/titles/007/7-1a.jpg", "the blue"},      {"textures/titles/007/7-1b.jpg", "room"},
    {"textures/titles/007/7-2a.jpg", "the end"},       {"textures/titles/007/7-2b.jpg", "of everything"},
};

// Each group of cards has its own lettering and glow colour.
struct TitleStyle {
    FontStyle font;
    Colour glow;
};
TitleStyle title_style(const char* path) {
    const int group = path[18] - '0';  // "textures/titles/00N/..."
    switch (group) {
    case 1: return {FontStyle::kSerifBold, rgb(0xffb040)};
    case 2: return {FontStyle::kSerifItalic, rgb(0xff3020)};
    case 3: return {FontStyle::kSansBold, rgb(0xff6000)};
    case 4: return {FontStyle::kSerifItalic, rgb(0xe08050)};
    case 5: return {FontStyle::kSerifItalic, rgb(0x6080ff)};
    case 6: return {FontStyle::kSansNarrowBold, rgb(0x40d0ff)};
    default: return {FontStyle::kSerifBold, rgb(0xa060ff)};
    }
}

// White letters with a coloured glow on black: the cards are added to the picture, so black is
// transparent. The player scales the 512 x 512 card down to 300 pixels and back while it settles.
void make_title(DataTree* tree, int slot) {
    const TitleCard& card = kTitles[slot];
    const TitleStyle style = title_style(card.path);
    Raster r(512, 512);
    const float size = fitted_size(style.font, card.text, 96, 400, 4);
    draw_text_centred(&r, style.font, card.text, size, 256, 256, rgb(0xfff8f0), 10, style.glow * 0.9f, size * 0.04f);
    // A thin rule of light under the word, as wide as the word.
    const float half = std::min(200.0f, float(render_text(style.font, card.text, size, size).mask.width) * 0.5f);
    add_line(&r, 256 - half, 256 + size * 0.55f, 256 + half, 256 + size * 0.55f, 1.5f, style.glow * 0.6f, 3);
    tree->add_jpeg(card.path, r, 90);
}

// Made-up names of fellow groups; every medallion is its own cut-out.
const char* const kGreetings[12] = {"Nullpunkt", "Halcyon", "Ferrous", "Lumen",   "Kestrel", "Obsidian",
                                    "Parallax",  "Quasar",  "Salt",    "Tessera", "Umbra",   "Vesper"};

// A medallion: a ring and the name, opaque; everything else fully transparent. The player cuts at
// alpha 0.9 and draws without blending, so edges are hard and the colour is all that shows.
void make_greeting(DataTree* tree, int index) {
    const int n = 256;
    Raster r(n, n, {0, 0, 0, 0});
    Mask shape(n, n);
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            const float d = std::hypot(float(x) + 0.5f - 128, float(y) + 0.5f - 128);
            shape.at(x, y) = clamp01(1.0f - std::fabs(d - 112) / 8.0f + 0.5f) * (std::fabs(d - 112) < 9 ? 1.0f : 0.0f);
        }
    }
    const std::string name = kGreetings[index];
    const float size = std::min(60.0f, 330.0f / float(name.size()));
    TextMask text = render_text(FontStyle::kSansBold, name, size, size, 1, 0);
    const int dx = (n - text.mask.width) / 2, dy = (n - text.mask.height) / 2;
    const float hue = float(index) / 12.0f;
    const Colour ring = mix(rgb(0xffd070), rgb(0x70d0ff), 0.5f + 0.5f * std::sin(hue * 2 * kPi));
    r.each([&](int x, int y, Colour& p) {
        const float s = shape.at(x, y);
        const float t = text.mask.sample(x - dx, y - dy);
        // Letters brighten from their foot to their top; the ring carries a gradient too.
        if (t > 0.5f) {
            p = mix(rgb(0xa0c8ff), rgb(0xffffff), 1 - float(y - dy) / float(std::max(1, text.mask.height)));
            p.a = 1;
        } else if (s > 0.5f) {
            p = ring * (0.7f + 0.3f * float(n - y) / float(n));
            p.a = 1;
        }
    });
    tree->add_tga(greeting_path(index), r, true);
}

void make_credits(DataTree* tree) {
    // 512 x 384 for a 400 x 300 quad; the player tints it orange and slowly turns it. The middle
    // row stays empty for the final title, which the player draws there.
    Raster r(512, 384);
    const Colour white = rgb(0xffffff), soft = rgb(0xb8b8c0);
    draw_text_centred(&r, FontStyle::kSerifBold, "credits", 40, 256, 62, white, 4, rgb(0x808080), 4);
    draw_text_centred(&r, FontStyle::kSans, "code, design and direction", 17, 256, 112, soft, 0, {}, 1);
    draw_text_centred(&r, FontStyle::kSansBold, "the Varnel developers", 24, 256, 138, white, 0, {}, 1);
    draw_text_centred(&r, FontStyle::kSans, "pictures, models and music", 17, 256, 250, soft, 0, {}, 1);
    draw_text_centred(&r, FontStyle::kSansBold, "generated by varnel-mkdata", 24, 256, 276, white, 0, {}, 1);
    draw_text_centred(&r, FontStyle::kSans, "lettering in the Liberation fonts", 15, 256, 322, soft, 0, {}, 1);
    tree->add_jpeg("textures/07final/credits.jpg", r, 90);
}

void make_final_title(DataTree* tree) {
    Raster r(512, 256);
    const float size = fitted_size(FontStyle::kSerifBold, "VARNEL", 120, 420, 10);
    draw_text_centred(&r, FontStyle::kSerifBold, "VARNEL", size, 256, 118, rgb(0xfff4e0), 12, rgb(0xff6020), 10);
    add_line(&r, 90, 196, 422, 196, 2, rgb(0xff9040), 4);
    tree->add_jpeg("textures/07final/finaltitle.jpg", r, 90);
}

// The portrait: a head and shoulders in rim light inside a halo, the show's one likeness.
void make_portrait(DataTree* tree) {
    const int n = 256;
    Raster r(n, n);
    r.each([&](int x, int y, Colour& p) {
        const float u = (float(x) + 0.5f) / n * 2 - 1, v = (float(y) + 0.5f) / n * 2 - 1;
        const float head = std::hypot(u / 0.3f, (v + 0.18f) / 0.38f) - 1;
        const float neck = std::max(std::fabs(u) / 0.13f, 1.0f) - 1 + (v < 0.1f ? 9.0f : 0.0f);
        const float shoulders = v > 0.32f ? std::hypot(u / 0.78f, (v - 1.05f) / 0.72f) - 1 : 9.0f;
        const float body = std::min(std::min(head, neck), shoulders);
        const float halo = std::exp(-std::pow((std::hypot(u, v + 0.15f) - 0.72f) / 0.06f, 2.0f));
        // Light from the upper right: the silhouette's rim on that side glows.
        const float rim = std::exp(-std::fabs(body) / 0.035f) * clamp01(0.4f + u * 0.8f - v * 0.3f);
        const float inside = body < 0 ? 0.06f + 0.05f * fbm2(u * 6, v * 6, 3, 711) : 0.0f;
        p = rgb(0xffffff) * (rim * 0.9f + inside) + rgb(0xffa040) * (halo * 0.7f);
        p = p * smoothstep(1.0f, 0.9f, std::max(std::fabs(u), std::fabs(v)));
        p.a = 1;
    });
    tree->add_jpeg(kPortraitPath, r, 90);
}

void make_web(DataTree* tree) {
    Raster r(256, 256);
    draw_text_centred(&r, FontStyle::kSerifBold, "VARNEL", 54, 128, 88, rgb(0xffffff), 6, rgb(0xff5010), 4);
    draw_text_centred(&r, FontStyle::kSans, "varnel.example.org", 20, 128, 142, rgb(0xe0e0e8), 0, {}, 0);
    draw_text_centred(&r, FontStyle::kSerifItalic, "see you at the next party", 17, 128, 184, rgb(0xc0a090), 0, {}, 0);
    tree->add_jpeg("textures/07final/varnelweb.jpg", r, 90);
}

}  // namespace

std::string greeting_path(int index) {
    char path[64];
    snprintf(path, sizeof path, "textures/greetings/greet%02d.tga", index + 1);
    return path;
}

void make_loading_picture(DataTree* tree) {
    make_loading(tree);
}

void make_title_cards(DataTree* tree, int first, int count) {
    for (int slot = first; slot < first + count && slot < kTitleCount; ++slot) make_title(tree, slot);
}

void make_greetings(DataTree* tree) {
    for (int i = 0; i < 12; ++i) make_greeting(tree, i);
}

void make_closing_pictures(DataTree* tree) {
    make_credits(tree);
    make_final_title(tree);
    make_portrait(tree);
    make_web(tree);
}
