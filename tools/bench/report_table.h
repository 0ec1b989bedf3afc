// report_table.h -- the benchmark's report as the Markdown tables it prints
#pragma once

#include <nlohmann/json.hpp>

#include <cstdio>

// The loading phase of one size: the faster of its two runs.
const nlohmann::ordered_json& best_loading(const nlohmann::ordered_json& size);

void print_report_table(const nlohmann::ordered_json& report, FILE* out);
