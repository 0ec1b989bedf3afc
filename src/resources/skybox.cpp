// skybox.cpp -- loads, uploads and draws six-face and single-image skyboxes
#include "resources/skybox.h"

#include <GL/gl.h>

#include <cstdio>

#include "render/camera.h"
#include "resources/image.h"

namespace {

// Corners of the 20-unit cube in its own axes; the draw turns it 270 degrees about x.
constexpr float kCorners[8][3] = {
    {10, -10, 10}, {10, -10, -10}, {-10, -10, -10}, {-10, -10, 10},
    {10, 10, 10},  {10, 10, -10},  {-10, 10, -10},  {-10, 10, 10},
};

struct SkyboxFace {
    char suffix[3];
    int corners[4];
};

constexpr SkyboxFace kFaces[6] = {
    {"rt", {2, 1, 0, 3}}, {"lf", {5, 6, 7, 4}}, {"bk", {6, 2, 3, 7}},
    {"ft", {1, 5, 4, 0}}, {"up", {0, 4, 7, 3}}, {"dn", {2, 6, 5, 1}},
};

// The same for every face, in corner order; t = 0 is the top of a picture.
constexpr float kTexcoords[4][2] = {{1, 1}, {0, 1}, {0, 0}, {1, 0}};

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
    const int n = snprintf(path, sizeof path, "%s%c%c%s", name, kFaces[face].suffix[0], kFaces[face].suffix[1], ext);
    return n >= 0 && n < int(sizeof path);
}

void upload_skybox(const Skybox& skybox) {
    if (!skybox.six_faces) {
        upload_texture(skybox.images[0]);
        return;
    }
    for (int image : skybox.images) upload_texture(image);
}

void draw_skybox(const Skybox& skybox, const Camera& camera) {
    glDepthMask(GL_FALSE);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(camera.position[0], camera.position[1], camera.position[2]);
    glRotatef(270.0f, 1.0f, 0.0f, 0.0f);
    if (!skybox.six_faces) bind_texture(skybox.images[0]);
    for (int i = 0; i < 6; ++i) {
        if (skybox.six_faces) bind_texture(skybox.images[i]);
        glBegin(GL_QUADS);
        for (int k = 0; k < 4; ++k) {
            glTexCoord2fv(kTexcoords[k]);
            glVertex3fv(kCorners[kFaces[i].corners[k]]);
        }
        glEnd();
    }
    glPopMatrix();
    glDepthMask(GL_TRUE);
}
