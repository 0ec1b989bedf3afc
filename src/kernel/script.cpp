// script.cpp -- the script parser
#include "kernel/script.h"

#include <cctype>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <utility>

#include "core/ascii_case.h"
#include "core/fatal.h"
#include "kernel/kernel.h"
#include "resources/archive.h"
#include "resources/loose_file.h"

namespace {

constexpr const char* kScriptName = "script.txt";
constexpr int kLineSize = 256;  // a line is delivered in pieces of at most 255 characters
constexpr int kNameSize = 64;   // names and values keep at most 63 characters

const char* const kSectionKeys[] = {"start", "end", "layer", "syncs", "sync"};
enum SectionKey { kKeyStart, kKeyEnd, kKeyLayer, kKeySyncs, kKeySync };

struct ScriptState {
    std::deque<Section> sections;  // every record of the script; a deque keeps their addresses
    Section* current = nullptr;    // opened by the latest header
    int expected_syncs = 0;        // set by "syncs"
    int found_syncs = 0;           // "sync" lines since the header or the latest "syncs"
    float sync_value = 0.0f;       // persists, so a "sync" that is no number repeats the previous one
    int line = 0;                  // every delivered line counts, comments and pieces included
    ScriptFault* fault = nullptr;  // where the message of a fault goes
} s_script;

// The script set aside by keep_script.
struct KeptScript {
    std::deque<Section> sections;
    Section* script = nullptr;
    float demo_end = 0.0f;
    bool debug_lines = false;
    ConfigValues config = {};
} s_kept;

// Writes the message of a fault; returns false for the caller to pass on.
bool fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

bool fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vsnprintf(s_script.fault->message, sizeof s_script.fault->message, format, args);
    va_end(args);
    return false;
}

void set_defaults() {
    set_config_defaults();

    g_kernel.script = nullptr;
    g_kernel.current = nullptr;
    g_kernel.debug_lines = false;
    g_kernel.demo_end = 0.0f;

    s_script.sections.clear();
    s_script.current = nullptr;
    s_script.expected_syncs = 0;
    s_script.found_syncs = 0;
    s_script.sync_value = 0.0f;
    s_script.line = 0;
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

bool is_space(char c) {
    return isspace((unsigned char)c) != 0;
}

// Delivers the next piece of a line into line: up to and including its line feed, at most 255
// characters. A carriage return right before a line feed is dropped. Returns the characters
// delivered, 0 at the end of the file.
int read_line(FILE* file, char (&line)[kLineSize]) {
    int n = 0;
    while (n < kLineSize - 1) {
        int c = getc(file);
        if (c == EOF) break;
        if (c == '\r') {
            const int next = getc(file);
            if (next == '\n') {
                c = '\n';
            } else if (next != EOF) {
                ungetc(next, file);
            }
        }
        line[n++] = char(c);
        if (c == '\n') break;
    }
    line[n] = '\0';
    return n;
}

// Copies at most 63 characters of [begin, end) into out.
void copy_cut(char (&out)[kNameSize], const char* begin, const char* end) {
    size_t n = size_t(end - begin);
    if (n > kNameSize - 1) n = kNameSize - 1;
    memcpy(out, begin, n);
    out[n] = '\0';
}

// Name: up to the first space, tab or line feed. Value: after the blanks that follow, to the line
// feed, trailing blanks kept.
void split_variable(const char* line, char (&name)[kNameSize], char (&value)[kNameSize]) {
    const char* p = line;
    while (*p && !is_blank(*p) && *p != '\n') ++p;
    copy_cut(name, line, p);
    while (is_blank(*p)) ++p;
    const char* v = p;
    while (*p && *p != '\n') ++p;
    copy_cut(value, v, p);
}

int find_section_key(const char* name) {
    for (int i = 0; i < int(sizeof kSectionKeys / sizeof kSectionKeys[0]); ++i) {
        if (ascii_equal_nocase(kSectionKeys[i], name)) return i;
    }
    return -1;
}

// A section ends at the next header or at the end of the file; one that the sync check never saw
// (the last, without "[eof]") may hold fewer values than it declares, the rest read as 0.
void finish_section() {
    if (s_script.current) s_script.current->syncs.resize(size_t(s_script.current->sync_count), 0.0f);
}

enum class Header { Section, End, Fault };

Header parse_header(const char* line) {
    if (s_script.found_syncs != s_script.expected_syncs) {
        fail("Script: incorrect number of syncs (%d found, %d expected), line %d", s_script.found_syncs,
             s_script.expected_syncs, s_script.line);
        return Header::Fault;
    }

    // "[tunnel]" gives "tunnel": the run after "[" loses its last character, the bracket.
    const char* p = line + 1;
    while (*p && is_space(*p)) ++p;
    const char* run = p;
    while (*p && !is_space(*p)) ++p;
    char name[kNameSize];
    copy_cut(name, run, p);
    if (name[0]) name[strlen(name) - 1] = '\0';

    finish_section();
    if (ascii_equal_nocase(name, "eof")) return Header::End;

    Section* section = &s_script.sections.emplace_back();
    if (s_script.current) {
        s_script.current->next_script = section;
    } else {
        g_kernel.script = section;
    }
    s_script.current = section;

    const int type = find_section_type(name);
    if (type < 0) {
        fail("Script: section '%s' not found, line %d", name, s_script.line);
        return Header::Fault;
    }
    section->type = type;
    section->line = s_script.line;
    s_script.expected_syncs = 0;
    s_script.found_syncs = 0;
    return Header::Section;
}

bool parse_section_key(const char* name, const char* value) {
    Section* section = s_script.current;
    const int key = find_section_key(name);
    switch (key) {
    case kKeyStart:
        scan_float(value, &section->start);
        if (section->start < 0.0f) return fail("Script: invalid section start, line %d", s_script.line);
        break;
    case kKeyEnd:
        scan_float(value, &section->end);
        // Taken with the start read so far; a later "start" does not change it.
        section->duration = section->end - section->start;
        if (!(section->duration > 0.0f)) return fail("Script: invalid section duration, line %d", s_script.line);
        if (section->end > g_kernel.demo_end) g_kernel.demo_end = section->end;
        break;
    case kKeyLayer:
        scan_int(value, &section->layer);
        break;
    case kKeySyncs:
        scan_int(value, &section->sync_count);
        if (section->sync_count < 0 || section->sync_count > kMaxSyncs) {
            return fail("Script: invalid number of syncs, line %d", s_script.line);
        }
        // The array grows with the "sync" lines that fill it, so that a count is no claim on memory;
        // the section's end gives it its full length (see finish_section).
        section->syncs.clear();
        section->syncs.shrink_to_fit();
        s_script.expected_syncs = section->sync_count;
        s_script.found_syncs = 0;
        break;
    case kKeySync:
        scan_float(value, &s_script.sync_value);
        // Extra lines are counted, not stored, so that the next header reports them.
        if (s_script.found_syncs < s_script.expected_syncs) section->syncs.push_back(s_script.sync_value);
        ++s_script.found_syncs;
        break;
    default:
        return fail("Script: section variable '%s' not found, line %d", name, s_script.line);
    }
    return true;
}

bool parse_config_variable(const char* name, const char* value) {
    const ConfigVariable* variable = nullptr;
    for (const ConfigVariable& v : kConfigVariables) {
        if (ascii_equal_nocase(v.name, name)) {
            variable = &v;
            break;
        }
    }
    if (!variable) return fail("Script: variable '%s' not found, line %d", name, s_script.line);

    switch (variable->kind) {
    case ConfigKind::Integer:
        scan_int(value, static_cast<int32_t*>(variable->storage));
        break;
    case ConfigKind::Byte: {
        int32_t number = *static_cast<uint8_t*>(variable->storage);
        if (scan_int(value, &number)) *static_cast<uint8_t*>(variable->storage) = uint8_t(number & 0xFF);
        break;
    }
    case ConfigKind::Float:
        scan_float(value, static_cast<float*>(variable->storage));
        break;
    case ConfigKind::String:
        snprintf(static_cast<char*>(variable->storage), kScriptStringSize, "%s", value);
        break;
    default:
        return fail("Script: variable type '%s' not determined, line %d", name, s_script.line);
    }
    return true;
}

// Opens the loose script, else the archive's; budget is the archive entry's length, or -1.
FILE* open_script(long long* budget) {
    *budget = -1;
    if (FILE* file = open_loose_file(kScriptName, "r")) return file;
    if (!g_kernel.archive_loaded) fatal_error("Script not found, PAK not found");

    FILE* file = nullptr;
    uint32_t length = 0;
    const int opened = open_archive_entry(kScriptName, "r", &file, &length);
    if (opened == kEntryNotFound) fatal_error("Script not found, but PAK loaded");
    if (opened != kEntryOk) fatal_error("Script PAK open failed");
    *budget = length;
    return file;
}

}  // namespace

bool scan_int(const char* text, int32_t* value) {
    const char* p = text;
    while (is_space(*p)) ++p;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    if (!isdigit((unsigned char)*p)) return false;
    // Values past the 32-bit range saturate.
    long long n = 0;
    for (; isdigit((unsigned char)*p); ++p) {
        if (n <= INT_MAX) n = n * 10 + (*p - '0');
    }
    if (negative) n = -n;
    *value = int32_t(n < INT_MIN ? INT_MIN : n > INT_MAX ? INT_MAX : n);
    return true;
}

bool scan_float(const char* text, float* value) {
    const char* p = text;
    while (is_space(*p)) ++p;
    const char* begin = p;
    if (*p == '-' || *p == '+') ++p;
    int digits = 0;
    for (; isdigit((unsigned char)*p); ++p) ++digits;
    if (*p == '.') {
        ++p;
        for (; isdigit((unsigned char)*p); ++p) ++digits;
    }
    if (digits == 0) return false;
    // An exponent counts only when digits follow it: "2e" reads as 2.
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        if (*q == '-' || *q == '+') ++q;
        if (isdigit((unsigned char)*q)) {
            while (isdigit((unsigned char)*q)) ++q;
            p = q;
        }
    }
    char number[kLineSize];
    const size_t n = size_t(p - begin) < sizeof number - 1 ? size_t(p - begin) : sizeof number - 1;
    memcpy(number, begin, n);
    number[n] = '\0';
    *value = strtof(number, nullptr);
    return true;
}

bool read_script(FILE* file, long long budget, ScriptFault* fault) {
    set_defaults();
    s_script.fault = fault;
    char line[kLineSize];
    long long consumed = 0;
    bool ok = true;
    while (int n = read_line(file, line)) {
        ++s_script.line;
        consumed += n;
        if (budget >= 0 && consumed > budget) {
            ok = fail("Script: out of script file");
            break;
        }

        if (line[0] == ';' || line[0] == '\n') continue;
        if (line[0] == '[') {
            const Header header = parse_header(line);
            ok = header != Header::Fault;
            if (header != Header::Section) break;
            continue;
        }
        char name[kNameSize];
        char value[kNameSize];
        split_variable(line, name, value);
        ok = s_script.current ? parse_section_key(name, value) : parse_config_variable(name, value);
        if (!ok) break;
    }
    if (ok) finish_section();
    s_script.fault = nullptr;
    return ok;
}

void keep_script() {
    s_kept.sections.clear();
    std::swap(s_kept.sections, s_script.sections);
    s_kept.script = g_kernel.script;
    s_kept.demo_end = g_kernel.demo_end;
    s_kept.debug_lines = g_kernel.debug_lines;
    s_kept.config = save_config();
}

void restore_kept_script() {
    std::swap(s_kept.sections, s_script.sections);
    s_kept.sections.clear();
    g_kernel.script = s_kept.script;
    g_kernel.demo_end = s_kept.demo_end;
    g_kernel.debug_lines = s_kept.debug_lines;
    restore_config(s_kept.config);
}

void drop_kept_script() {
    s_kept.sections.clear();
    g_kernel.debug_lines = s_kept.debug_lines;
}

void parse_script() {
    set_defaults();
    g_kernel.archive_loaded = open_archive() == 0;

    long long budget = 0;
    FILE* file = open_script(&budget);
    ScriptFault fault;
    const bool ok = read_script(file, budget, &fault);
    fclose(file);
    if (!ok) fatal_error("%s", fault.message);
}
