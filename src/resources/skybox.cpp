// skybox.cpp -- loads and uploads six-face and single-image skyboxes
#include "resources/skybox.h"

#include <GL/gl.h>

#include <cstdio>

#include "resources/image.h"

namespace {

// The files of the six faces end in these, in face order.
constexpr char kFaceSuffixes[6][3] = {"rt", "lf", "bk", "ft", "up", "dn"};

const char* extension(int type) {
    switch (type) {
    case kSkyboxPcx:
        return ".pcx";
    case kSkyboxTga:
        return ".tga";
    case kSkyboxJpeg:
        return ".jpg";
    default:
        return nullptr;
    }
}

int load_face_image(const char* path, bool from_archive) {
    const int image = load_texture(path, from_archive);
    // Never mipmapped, clamped at the edges.
    if (image >= 0) set_texture_options(image, kTextureNoMipmaps | kTextureClamp);
    return image;
}

}  // namespace

std::unique_ptr<Skybox> load_skybox(const char* name, int type, bool six_faces, bool from_archive) {
    if (!name) return nullptr;
    auto skybox = std::make_unique<Skybox>();
    skybox->six_faces = six_faces;
    if (!six_faces) {
        const int image = load_face_image(name, from_archive);
        if (image < 0) return nullptr;
        for (int& face : skybox->images) face = image;
        return skybox;
    }
    for (int i = 0; i < 6; ++i) {
        char path[64];
        if (!skybox_face_path(name, type, i, path)) return nullptr;
        skybox->images[i] = load_face_image(path, from_archive);
        if (skybox->images[i] < 0) return nullptr;
    }
    return skybox;
}

bool skybox_face_path(const char* name, int type, int face, char (&path)[64]) {
    const char* ext = extension(type);
    if (!ext || face < 0 || face >= 6) return false;
    const int n = snprintf(path, sizeof path, "%s%c%c%s", name, kFaceSuffixes[face][0], kFaceSuffixes[face][1], ext);
    return n >= 0 && n < int(sizeof path);
}

void upload_skybox(const Skybox& skybox) {
    if (!skybox.six_faces) {
        upload_texture(skybox.images[0]);
        return;
    }
    for (int image : skybox.images) upload_texture(image);
}
