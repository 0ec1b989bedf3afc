// script_json.h -- the parsed script as JSON, for varnel-tool script
#pragma once

#include <nlohmann/json.hpp>

// {"config":{name: value}, "demo_end": seconds, "sections":[{"type","name","start","end","layer",
// "sync_count","syncs","duration"}]} from what parse_script left, sections in script order.
nlohmann::ordered_json script_to_json();

// A float as the shortest decimal that reads back as it, so 0.1f prints as 0.1.
nlohmann::ordered_json json_float(float value);
