// ascii_case.h -- ASCII letter-case folding: script names and archive paths compare without regard to case
#pragma once

#include <string>

inline char ascii_lower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// The text with A-Z folded to a-z, as the image table names its pictures.
inline std::string ascii_lower(std::string text) {
    for (char& c : text) c = ascii_lower(c);
    return text;
}

// True when the two terminated strings are equal after folding A-Z to a-z; nothing else is folded.
inline bool ascii_equal_nocase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        if (ascii_lower(*a) != ascii_lower(*b)) return false;
    }
    return *a == *b;
}
