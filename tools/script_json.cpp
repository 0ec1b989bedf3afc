// script_json.cpp -- writes the configuration and the section list of the parsed script as JSON
#include "script_json.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "core/config.h"
#include "kernel/kernel.h"

nlohmann::ordered_json json_float(float value) {
    // JSON has no infinity or NaN; a script can still produce them ("1e99").
    if (!std::isfinite(value)) return nullptr;
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text - 1, value);
    *result.ptr = '\0';
    return strtod(text, nullptr);
}

nlohmann::ordered_json script_to_json() {
    nlohmann::ordered_json config = nlohmann::ordered_json::object();
    for (const ConfigVariable& variable : kConfigVariables) {
        switch (variable.kind) {
        case ConfigKind::Integer:
            config[variable.name] = *static_cast<const int32_t*>(variable.storage);
            break;
        case ConfigKind::Byte:
            config[variable.name] = *static_cast<const uint8_t*>(variable.storage);
            break;
        case ConfigKind::Float:
            config[variable.name] = json_float(*static_cast<const float*>(variable.storage));
            break;
        case ConfigKind::String:
            config[variable.name] = static_cast<const char*>(variable.storage);
            break;
        }
    }

    nlohmann::ordered_json sections = nlohmann::ordered_json::array();
    for (const Section* s = g_kernel.script; s; s = s->next_script) {
        nlohmann::ordered_json syncs = nlohmann::ordered_json::array();
        for (float t : s->syncs) syncs.push_back(json_float(t));
        sections.push_back({
            {"type", s->type},
            {"name", kSectionTypes[s->type].name},
            {"start", json_float(s->start)},
            {"end", json_float(s->end)},
            {"layer", s->layer},
            {"sync_count", s->sync_count},
            {"syncs", syncs},
            {"duration", json_float(s->duration)},
        });
    }
    return {{"config", config}, {"demo_end", json_float(g_kernel.demo_end)}, {"sections", sections}};
}
