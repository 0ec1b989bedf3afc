// report_table.cpp -- prints the benchmark's report: handler times per type, frame rate, loading, memory
#include "report_table.h"

#include <algorithm>
#include <string>
#include <vector>

using Json = nlohmann::ordered_json;

namespace {

double number(const Json& value) {
    return value.is_number() ? value.get<double>() : 0.0;
}

// The entry for a type in one size's timed run, or null.
const Json* find_type(const Json& size, const std::string& name) {
    for (const Json& type : size["timed"]["types"]) {
        if (type["type"] == name) return &type;
    }
    return nullptr;
}

// The type's row of the replay comparison at one size, or null.
const Json* find_replay(const Json& size, const std::string& name) {
    if (!size.contains("replay")) return nullptr;
    for (const Json& row : size["replay"]) {
        if (row["type"] == name) return &row;
    }
    return nullptr;
}

// Authoring mode's figures at each size: median and largest.
void print_edit(const Json& report, FILE* out) {
    const Json& sizes = report["sizes"];
    if (sizes.empty() || !sizes[0].contains("edit")) return;
    fprintf(out, "\n| authoring mode, ms |");
    for (const Json& size : sizes) fprintf(out, " %d×%d median | max |", size["width"].get<int>(), size["height"].get<int>());
    fprintf(out, "\n|---|");
    for (size_t i = 0; i < sizes.size(); ++i) fprintf(out, "---:|---:|");
    fprintf(out, "\n");
    const struct {
        const char* key;
        const char* label;
    } rows[] = {{"seek", "a seek, until its first frame is drawn"},
                {"seek_again", "the same seeks again"},
                {"restore", "of which the saved state put back"},
                {"script_save", "script.txt saved, until a frame of it is drawn"},
                {"strip", "the timeline strip, per frame"}};
    for (const auto& row : rows) {
        fprintf(out, "| %s |", row.label);
        for (const Json& size : sizes) {
            const Json& e = size["edit"][row.key];
            fprintf(out, " %.2f | %.2f |", number(e["median_ms"]), number(e["max_ms"]));
        }
        fprintf(out, "\n");
    }
    fprintf(out, "| heap allocations per frame, strip on |");
    for (const Json& size : sizes) fprintf(out, " %.2f | |", number(size["edit"]["allocations_per_frame"]));
    fprintf(out, "\n");
}

void print_types(const Json& report, FILE* out) {
    const Json& sizes = report["sizes"];
    fprintf(out, "| handler time per frame, ms | frames |");
    for (const Json& size : sizes) {
        fprintf(out, " %d×%d median | p95 | ÷ replay |", size["width"].get<int>(), size["height"].get<int>());
    }
    fprintf(out, "\n|---|---:|");
    for (size_t i = 0; i < sizes.size(); ++i) fprintf(out, "---:|---:|---:|");
    fprintf(out, "\n");
    for (const Json& type : sizes[0]["timed"]["types"]) {
        const std::string name = type["type"];
        fprintf(out, "| %s | %d |", name.c_str(), type["frames"].get<int>());
        for (const Json& size : sizes) {
            const Json* t = find_type(size, name);
            if (t) {
                fprintf(out, " %.2f | %.2f |", number((*t)["median_ms"]), number((*t)["p95_ms"]));
            } else {
                fprintf(out, " – | – |");
            }
            const Json* r = find_replay(size, name);
            if (r && (*r)["ratio"].is_number()) {
                fprintf(out, " %.2f |", number((*r)["ratio"]));
            } else {
                fprintf(out, " – |");
            }
        }
        fprintf(out, "\n");
    }
    fprintf(out, "| whole show, frames per second | %d |", sizes[0]["rate"]["frames"].get<int>());
    for (const Json& size : sizes) fprintf(out, " %.1f | | |", number(size["rate"]["render_rate_fps"]));
    fprintf(out, "\n| kernel share of the frame | |");
    for (const Json& size : sizes) fprintf(out, " %.2f %% | | |", number(size["timed"]["kernel_share_percent"]));
    fprintf(out, "\n| heap allocations per frame | |");
    for (const Json& size : sizes) {
        fprintf(out, " %g | | |", number(size["timed"]["allocations_per_frame"]) + number(size["rate"]["allocations_per_frame"]));
    }
    fprintf(out, "\n\n");
}

// The layer's type entry in one size's timed pass, or null.
const Json* find_layer_type(const Json& size, const std::string& name) {
    if (!size.contains("layer")) return nullptr;
    for (const Json& type : size["layer"]["timed"]["types"]) {
        if (type["type"] == name) return &type;
    }
    return nullptr;
}

// The median of a size's rate rounds for one build, or its single rate pass.
double rate_fps(const Json& size, bool layer) {
    const Json& from = layer ? size["layer"] : size;
    if (!size.contains("layer") || !size["layer"].contains("rate_rounds")) return number(from["rate"]["render_rate_fps"]);
    std::vector<double> values = size["layer"]["rate_rounds"][layer ? "layer_fps" : "gl11_fps"].get<std::vector<double>>();
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The same show through the GL layer over ES 2.0, beside GL 1.1, from the passes run in turns.
void print_layer(const Json& report, FILE* out) {
    const Json& sizes = report["sizes"];
    if (sizes.empty() || !sizes[0].contains("layer")) return;
    fprintf(out, "| through the GL layer over ES 2.0, per frame |");
    for (const Json& size : sizes) {
        fprintf(out, " %d×%d GL 1.1, ms | layer, ms | ES draws | other ES calls |", size["width"].get<int>(),
                size["height"].get<int>());
    }
    fprintf(out, "\n|---|");
    for (size_t i = 0; i < sizes.size(); ++i) fprintf(out, "---:|---:|---:|---:|");
    fprintf(out, "\n");
    for (const Json& type : sizes[0]["timed"]["types"]) {
        const std::string name = type["type"];
        fprintf(out, "| %s |", name.c_str());
        for (const Json& size : sizes) {
            const Json* gl = find_type(size, name);
            const Json* es = find_layer_type(size, name);
            if (gl) {
                fprintf(out, " %.2f |", number((*gl)["median_ms"]));
            } else {
                fprintf(out, " – |");
            }
            if (es) {
                fprintf(out, " %.2f | %.1f | %.1f |", number((*es)["median_ms"]), number((*es)["es_draws_per_frame"]),
                        number((*es)["es_state_changes_per_frame"]));
            } else {
                fprintf(out, " – | – | – |");
            }
        }
        fprintf(out, "\n");
    }
    fprintf(out, "| whole show, frames per second |");
    for (const Json& size : sizes) {
        const Json& layer = size["layer"];
        fprintf(out, " %.1f | %.1f | %.1f | %.1f |", rate_fps(size, false), rate_fps(size, true),
                number(layer["rate"]["gl_layer"]["draws_per_frame"]), number(layer["rate"]["gl_layer"]["state_changes_per_frame"]));
    }
    fprintf(out, "\n| whole show, GL 1.1's rate ÷ the layer's |");
    for (const Json& size : sizes) fprintf(out, " | %.2f | | |", number(size["layer"]["slower_by"]));
    fprintf(out, "\n| programs compiled at loading / in frames |");
    for (const Json& size : sizes) {
        const Json& l = size["layer"]["rate"]["gl_layer"];
        fprintf(out, " | %d / %d | | |", l["programs_at_loading"].get<int>(), l["programs_compiled_in_frames"].get<int>());
    }
    fprintf(out, "\n| heap allocations per frame |");
    for (const Json& size : sizes) {
        fprintf(out, " %g | %g | | |", number(size["timed"]["allocations_per_frame"]) + number(size["rate"]["allocations_per_frame"]),
                number(size["layer"]["timed"]["allocations_per_frame"]) + number(size["layer"]["rate"]["allocations_per_frame"]));
    }
    if (sizes[0]["layer"].contains("rate_rounds")) {
        fprintf(out, "\n\nThe rate passes, GL 1.1 then the layer in each round, frames per second:");
        for (const Json& size : sizes) {
            const Json& r = size["layer"]["rate_rounds"];
            fprintf(out, "\n%d×%d:", size["width"].get<int>(), size["height"].get<int>());
            for (size_t i = 0; i < r["ratios"].size(); ++i) {
                fprintf(out, " %.1f / %.1f (%.2f)%s", number(r["gl11_fps"][i]), number(r["layer_fps"][i]), number(r["ratios"][i]),
                        i + 1 < r["ratios"].size() ? ";" : "");
            }
        }
    }
    fprintf(out, "\n\n");
}

void print_loading_row(const Json& sizes, FILE* out, const char* label, const char* key, bool counted) {
    const Json& first = best_loading(sizes[0]);
    const Json& step = first.contains(key) ? first[key] : first["decoding"][key];
    if (counted) {
        fprintf(out, "\n| %s (%d) |", label, step["count"].get<int>());
    } else {
        fprintf(out, "\n| %s |", label);
    }
    for (const Json& size : sizes) {
        const Json& loading = best_loading(size);
        const Json& s = loading.contains(key) ? loading[key] : loading["decoding"][key];
        fprintf(out, " %.1f |", number(s["ms"]));
    }
}

void print_loading(const Json& report, FILE* out) {
    const Json& sizes = report["sizes"];
    fprintf(out, "| loading phase, ms |");
    for (const Json& size : sizes) fprintf(out, " %d×%d |", size["width"].get<int>(), size["height"].get<int>());
    fprintf(out, "\n|---|");
    for (size_t i = 0; i < sizes.size(); ++i) fprintf(out, "---:|");
    auto row = [&](const char* label, auto value, const char* format) {
        fprintf(out, "\n| %s |", label);
        for (const Json& size : sizes) fprintf(out, format, value(size));
    };
    row("total", [](const Json& s) { return number(best_loading(s)["total_ms"]); }, " %.1f |");
    print_loading_row(sizes, out, "reading, files", "reading", true);
    print_loading_row(sizes, out, "decoding JPEG, files", "jpeg", true);
    print_loading_row(sizes, out, "decoding TGA, files", "tga", true);
    print_loading_row(sizes, out, "mipmaps and their upload, pictures", "mipmaps", true);
    print_loading_row(sizes, out, "upload without mipmaps, pictures", "upload", true);
    print_loading_row(sizes, out, "3DS parsing, models", "parsing_3ds", true);
    print_loading_row(sizes, out, "loading screen, frames", "loading_screen", true);
    row("waiting for the second thread's pictures",
        [](const Json& s) { return number(best_loading(s)["waiting_for_pictures_ms"]); }, " %.1f |");
    row("other", [](const Json& s) { return number(best_loading(s)["other_ms"]); }, " %.1f |");
    row("bare decode floor, JPEG + TGA", [](const Json& s) { return number(best_loading(s)["floor"]["total_ms"]); },
        " %.1f |");
    row("total / floor", [](const Json& s) {
        const Json& l = best_loading(s);
        const double floor = number(l["floor"]["total_ms"]);
        return floor > 0.0 ? number(l["total_ms"]) / floor : 0.0;
    }, " %.2f |");
    row("peak resident memory after loading, MiB", [](const Json& s) {
        return number(s["rate"]["peak_resident_kib"]) / 1024.0;
    }, " %.1f |");
    row("pixel buffers + model data, MiB", [](const Json& s) {
        const Json& l = best_loading(s);
        return (number(l["pixel_bytes"]) + number(l["model_bytes"])) / (1024.0 * 1024.0);
    }, " %.1f |");
    fprintf(out, "\n\n");
}

}  // namespace

const Json& best_loading(const Json& size) {
    const Json& a = size["timed"]["loading"];
    const Json& b = size["rate"]["loading"];
    return number(a["total_ms"]) <= number(b["total_ms"]) ? a : b;
}

void print_report_table(const Json& report, FILE* out) {
    const Json& machine = report["machine"];
    fprintf(out, "The default show on a fixed clock of %d frames a second. %s; %s, %d cores; load average %s before, %s after.\n\n",
            report["fps"].get<int>(), machine["renderer"].get<std::string>().c_str(),
            machine["cpu"].get<std::string>().c_str(), machine["cores"].get<int>(),
            machine["load_before"].get<std::string>().c_str(), machine["load_after"].get<std::string>().c_str());
    print_types(report, out);
    print_layer(report, out);
    print_loading(report, out);
    print_edit(report, out);
}
