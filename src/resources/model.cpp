// model.cpp -- loads 3DS models, computes their normals and draws them in immediate mode
#include "resources/model.h"

#include <GL/gl.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/ascii_case.h"
#include "core/timer.h"
#include "platform/window.h"
#include "resources/data_source.h"
#include "resources/image.h"
#include "resources/load_timings.h"
#include "resources/model3ds.h"
#include "resources/picture_file.h"

namespace {

// The material's colours as glMaterialfv takes them: each colour's alpha is the field after it,
// so ambient ends in the diffuse red, diffuse in the specular red and specular in the shininess.
void set_material(const Material& m) {
    const float ambient[4] = {m.ambient[0], m.ambient[1], m.ambient[2], m.diffuse[0]};
    const float diffuse[4] = {m.diffuse[0], m.diffuse[1], m.diffuse[2], m.specular[0]};
    const float specular[4] = {m.specular[0], m.specular[1], m.specular[2], m.shininess};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, m.shininess);
}

// The texture coordinate of vertex k; (0, 0) for a mesh that has fewer than its vertices.
const float* texcoord(const MeshObject& object, uint16_t k) {
    static const float kNone[2] = {0.0f, 0.0f};
    return size_t(k) * 2 + 1 < object.texcoords.size() ? &object.texcoords[size_t(k) * 2] : kNone;
}

void delete_draw_list(uint32_t list) {
    if (list != 0 && gl_context_current()) glDeleteLists(list, 1);
}

// Every model that load_model returned and that still exists, with where it was read from, so that
// a changed file can be read again into the models made from it.
struct LoadedModel {
    Model* model;
    std::string directory;
    std::string file;
};

// A map of a model read again, decoded and waiting to go into the image the old model has of it.
struct RedecodedMap {
    int image;
    DecodedImage picture;
};

struct ModelRegistry {
    std::vector<LoadedModel> models;
    const Model* replaced = nullptr;    // while a model is read again: the one whose maps are kept
    std::vector<RedecodedMap> redecoded;  // while a file's models are read again: their kept maps
};

// Never destroyed: models held by other files' statics are destroyed after it, at exit, and still
// take themselves off.
ModelRegistry& s_models = *new ModelRegistry;

void forget_model(const Model* model) {
    for (size_t i = 0; i < s_models.models.size(); ++i) {
        if (s_models.models[i].model == model) {
            s_models.models.erase(s_models.models.begin() + std::ptrdiff_t(i));
            return;
        }
    }
}

std::unique_ptr<Model> read_model(const char* directory, const char* file, bool from_archive, ModelFailure* failure,
                                  MapLoader load_map) {
    ModelFailure ignored;
    if (!failure) failure = &ignored;
    const std::string path = std::string(directory) + file;
    if (path.size() > 255) {
        failure->why = "path longer than 255 characters";
        return nullptr;
    }
    DataSource source;
    const uint64_t opening = read_counter();
    const int opened = open_data_source(path.c_str(), from_archive, &source);
    if (opened != kSourceOk) {
        failure->why = data_source_failure(opened);
        return nullptr;
    }
    add_load_time(kLoadRead, opening);
    g_load_timings.bytes_read += source.length;

    // The texture maps that the parse loads count as pictures, not as parsing.
    const uint64_t maps_before = g_load_timings.image_ticks;
    const uint64_t parsing = read_counter();
    std::unique_ptr<Model> model = parse_3ds(&source, directory, from_archive, failure, load_map);
    close_data_source(&source);
    if (model) compute_normals(model.get());
    add_load_time(kLoadParse3ds, parsing);
    g_load_timings.ticks[kLoadParse3ds] -= g_load_timings.image_ticks - maps_before;
    if (model) g_load_timings.model_bytes += model_bytes(*model);
    return model;
}

// A map of a model read again: the old model's image of that file, its picture decoded again to be
// put in at the end, or a new image when the old model had none.
int reuse_map(const char* path, bool from_archive) {
    const std::string name = ascii_lower(path);
    for (const Material& m : s_models.replaced->materials) {
        if (m.texture < 0 || image_record(m.texture).name != name) continue;
        for (const RedecodedMap& map : s_models.redecoded) {
            if (map.image == m.texture) return m.texture;
        }
        RedecodedMap map{m.texture, DecodedImage()};
        PictureTicks ticks;
        if (read_picture(name, from_archive, JpegFaults::Return, &map.picture, &ticks) != 0) return kImageBadFormat;
        s_models.redecoded.push_back(std::move(map));
        return m.texture;
    }
    return load_texture(path, from_archive);
}

// The images of old's maps that fresh no longer uses.
void unload_unused_maps(const Model& old, const Model& fresh) {
    for (const Material& m : old.materials) {
        if (m.texture < 0) continue;
        bool used = false;
        for (const Material& f : fresh.materials) used = used || f.texture == m.texture;
        if (!used) unload_texture(m.texture);
    }
}

}  // namespace

Model::Model(Model&& other) noexcept
    : materials(std::move(other.materials)), objects(std::move(other.objects)), draw_list(other.draw_list) {
    other.draw_list = 0;
}

Model& Model::operator=(Model&& other) noexcept {
    if (this != &other) {
        delete_draw_list(draw_list);
        materials = std::move(other.materials);
        objects = std::move(other.objects);
        draw_list = other.draw_list;
        other.draw_list = 0;
    }
    return *this;
}

Model::~Model() {
    delete_draw_list(draw_list);
    forget_model(this);
}

std::unique_ptr<Model> load_model(const char* directory, const char* file, bool from_archive, ModelFailure* failure) {
    std::unique_ptr<Model> model = read_model(directory, file, from_archive, failure, nullptr);
    if (model) s_models.models.push_back({model.get(), directory, file});
    return model;
}

int reload_models(const char* path, bool from_archive, const char** why) {
    // Every model of the file read first, the maps it keeps decoded aside; only when all of them
    // have read is anything replaced.
    struct Fresh {
        Model* model;
        std::unique_ptr<Model> read;
    };
    std::vector<Fresh> fresh;
    const int images_before = image_count();
    s_models.redecoded.clear();
    for (const LoadedModel& loaded : s_models.models) {
        if (!ascii_equal_nocase((loaded.directory + loaded.file).c_str(), path)) continue;
        ModelFailure failure;
        s_models.replaced = loaded.model;
        std::unique_ptr<Model> read =
            read_model(loaded.directory.c_str(), loaded.file.c_str(), from_archive, &failure, reuse_map);
        s_models.replaced = nullptr;
        if (!read) {
            unload_textures(images_before);
            s_models.redecoded.clear();
            *why = failure.why ? failure.why : "no model";
            return -1;
        }
        fresh.push_back({loaded.model, std::move(read)});
    }
    for (const RedecodedMap& map : s_models.redecoded) replace_picture(map.image, map.picture);
    s_models.redecoded.clear();
    for (Fresh& f : fresh) {
        // New maps are uploaded as the load handlers upload theirs.
        for (const Material& m : f.read->materials) {
            if (m.texture >= images_before) upload_texture(m.texture);
        }
        unload_unused_maps(*f.model, *f.read);
        const bool compiled = f.model->draw_list != 0;
        *f.model = std::move(*f.read);
        if (compiled) compile_model_draw(f.model);
    }
    return int(fresh.size());
}

size_t model_bytes(const Model& model) {
    size_t bytes = model.materials.size() * sizeof(Material);
    for (const MeshObject& object : model.objects) {
        bytes += sizeof(MeshObject) + object.faces.size() * sizeof(Face) + object.vertices.size() * sizeof(Vertex) +
                 object.texcoords.size() * sizeof(float);
    }
    return bytes;
}

void compute_normals(Model* model) {
    for (MeshObject& object : model->objects) {
        for (Face& f : object.faces) {
            const float* A = object.vertices[f.a].position;
            const float* B = object.vertices[f.b].position;
            const float* C = object.vertices[f.c].position;
            const float u[3] = {A[0] - B[0], A[1] - B[1], A[2] - B[2]};
            const float w[3] = {C[0] - B[0], C[1] - B[1], C[2] - B[2]};
            const float n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
            const double length = std::sqrt(double(n[0]) * n[0] + double(n[1]) * n[1] + double(n[2]) * n[2]);
            // A face of no area gets a zero normal.
            const float scale = length > 0.0 ? float(-1.0 / length) : 0.0f;
            for (int i = 0; i < 3; ++i) f.normal[i] = n[i] * scale;
        }

        // The average of the unit normals of the faces that use a vertex, each face once, left
        // shorter than unit length at creases.
        std::vector<double> sums(object.vertices.size() * 3, 0.0);
        std::vector<int> counts(object.vertices.size(), 0);
        for (const Face& f : object.faces) {
            const uint16_t corners[3] = {f.a, f.b, f.c};
            for (int k = 0; k < 3; ++k) {
                if ((k == 1 && corners[1] == corners[0]) || (k == 2 && (corners[2] == corners[0] || corners[2] == corners[1]))) {
                    continue;
                }
                for (int i = 0; i < 3; ++i) sums[size_t(corners[k]) * 3 + size_t(i)] += f.normal[i];
                ++counts[corners[k]];
            }
        }
        for (size_t v = 0; v < object.vertices.size(); ++v) {
            for (int i = 0; i < 3; ++i) {
                object.vertices[v].normal[i] = counts[v] ? float(sums[v * 3 + size_t(i)] / counts[v]) : 0.0f;
            }
        }
    }
}

void upload_model_textures(const Model& model) {
    for (const Material& m : model.materials) {
        if (m.texture >= 0) upload_texture(m.texture);
    }
}

namespace {

// Every face in order, its material set when it changes, inside one glBegin and glEnd.
void send_model(const Model& model) {
    const Material* previous = nullptr;
    glBegin(GL_TRIANGLES);
    for (const MeshObject& object : model.objects) {
        for (const Face& f : object.faces) {
            if (f.material && f.material != previous) {
                set_material(*f.material);
                previous = f.material;
            }
            for (uint16_t k : {f.a, f.b, f.c}) {
                glNormal3fv(object.vertices[k].normal);
                glVertex3fv(object.vertices[k].position);
            }
        }
    }
    glEnd();
}

}  // namespace

void compile_model_draw(Model* model) {
    if (model->draw_list != 0) return;
    const GLuint list = glGenLists(1);
    if (list == 0) return;
    glNewList(list, GL_COMPILE);
    send_model(*model);
    glEndList();
    model->draw_list = list;
}

void draw_model(const Model& model) {
    // Running a list changes the current values as its calls would.
    if (model.draw_list != 0) {
        glCallList(model.draw_list);
    } else {
        send_model(model);
    }
}

void draw_textured_model(const Model& model) {
    // On entry texturing is on and lighting is as the caller wants it for textured faces.
    bool textured = true;
    const Material* previous = nullptr;
    glBegin(GL_TRIANGLES);
    for (const MeshObject& object : model.objects) {
        for (const Face& f : object.faces) {
            if (f.material && f.material != previous) {
                glEnd();
                if (f.material->texture >= 0) {
                    if (!textured) {
                        glDisable(GL_LIGHTING);
                        glEnable(GL_TEXTURE_2D);
                        textured = true;
                    }
                    bind_texture(f.material->texture);
                } else {
                    if (textured) {
                        glDisable(GL_TEXTURE_2D);
                        glEnable(GL_LIGHTING);
                        glEnable(GL_LIGHT0);
                        textured = false;
                    }
                    set_material(*f.material);
                }
                glBegin(GL_TRIANGLES);
                previous = f.material;
            }
            if (textured) {
                for (uint16_t k : {f.a, f.b, f.c}) {
                    glTexCoord2fv(texcoord(object, k));
                    glVertex3fv(object.vertices[k].position);
                }
            } else {
                glNormal3fv(f.normal);
                for (uint16_t k : {f.a, f.b, f.c}) glVertex3fv(object.vertices[k].position);
            }
        }
    }
    glEnd();
    if (!textured) {
        glDisable(GL_LIGHTING);
        glEnable(GL_TEXTURE_2D);
    }
}
