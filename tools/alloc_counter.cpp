// alloc_counter.cpp -- operator new and malloc wrapped to count allocations made outside the GL driver
#include "alloc_counter.h"

#include <execinfo.h>
#include <link.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

extern "C" void* __real_malloc(size_t size);
extern "C" void* __real_calloc(size_t count, size_t size);
extern "C" void* __real_realloc(void* p, size_t size);

namespace {

constexpr int kMaxRanges = 64;

struct CodeRange {
    uintptr_t begin, end;
};

struct AllocState {
    bool counting = false;        // allocations are being counted
    int allocations = 0;          // counted so far
    CodeRange driver[kMaxRanges]; // executable segments of the GL driver's libraries
    int driver_count = 0;
} s_alloc;

int note_driver_object(dl_phdr_info* info, size_t, void*) {
    const char* name = info->dlpi_name;
    if (!strstr(name, "/dri/") && !strstr(name, "libLLVM") && !strstr(name, "libgallium")) return 0;
    for (int i = 0; i < info->dlpi_phnum && s_alloc.driver_count < kMaxRanges; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        if (segment.p_type != PT_LOAD || !(segment.p_flags & PF_X)) continue;
        const uintptr_t begin = info->dlpi_addr + segment.p_vaddr;
        s_alloc.driver[s_alloc.driver_count++] = {begin, begin + segment.p_memsz};
    }
    return 0;
}

bool called_from_driver() {
    void* frames[64];
    const int count = backtrace(frames, 64);
    for (int f = 0; f < count; ++f) {
        const uintptr_t pc = uintptr_t(frames[f]);
        for (int i = 0; i < s_alloc.driver_count; ++i) {
            if (pc >= s_alloc.driver[i].begin && pc < s_alloc.driver[i].end) return true;
        }
    }
    return false;
}

void count_allocation() {
    if (!s_alloc.counting) return;
    s_alloc.counting = false;  // the unwinder may allocate on a path it has not taken before
    if (!called_from_driver()) ++s_alloc.allocations;
    s_alloc.counting = true;
}

void* counted(size_t size) {
    count_allocation();
    void* p = __real_malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    return p;
}

}  // namespace

void find_driver_code() {
    s_alloc.driver_count = 0;
    dl_iterate_phdr(note_driver_object, nullptr);
    void* frames[1];
    backtrace(frames, 1);  // loads the unwinder now rather than inside a counted allocation
}

void count_allocations(bool on) {
    s_alloc.counting = on;
}

int counted_allocations() {
    return s_alloc.allocations;
}

void reset_allocation_count() {
    s_alloc.allocations = 0;
}

void* operator new(size_t size) { return counted(size); }
void* operator new[](size_t size) { return counted(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return counted(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return counted(size); }
void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
void operator delete[](void* p, size_t) noexcept { free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { free(p); }

extern "C" {
void* __wrap_malloc(size_t size) {
    count_allocation();
    return __real_malloc(size);
}
void* __wrap_calloc(size_t count, size_t size) {
    count_allocation();
    return __real_calloc(count, size);
}
void* __wrap_realloc(void* p, size_t size) {
    count_allocation();
    return __real_realloc(p, size);
}
}
