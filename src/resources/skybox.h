// skybox.h -- the six faces of a sky cube, or one picture on all six: loaded, uploaded, named
#pragma once

#include <memory>

struct Skybox {
    int images[6] = {-1, -1, -1, -1, -1, -1};  // one per face: rt, lf, bk, ft, up, dn
    bool six_faces = false;                    // false: images[0] on every face
};

inline constexpr int kSkyboxPcx = 1;
inline constexpr int kSkyboxTga = 2;
inline constexpr int kSkyboxJpeg = 3;

// Six faces: name is the prefix of the files name + "rt" + extension and so on; one image: name is
// its path. nullptr when any image fails to load (or name is absent).
std::unique_ptr<Skybox> load_skybox(const char* name, int type, bool six_faces, bool from_archive);
void upload_skybox(const Skybox& skybox);

// The file of face 0 to 5 (rt, lf, bk, ft, up, dn) of a six-face skybox; false when the type has no
// extension or the path would not fit.
bool skybox_face_path(const char* name, int type, int face, char (&path)[64]);
