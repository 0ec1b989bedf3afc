// alloc_counter.h -- counts the heap allocations of our own code over a stretch of frames
#pragma once

// Linking this in replaces operator new and, with -Wl,--wrap=malloc,--wrap=calloc,--wrap=realloc,
// the C allocator's entry points, so that every allocation of the program's own code is seen.

// Notes where the GL driver's code lies; call with the GL context open, so that the driver is
// loaded. Mesa's llvmpipe compiles a shader for every new combination of GL state and evicts old
// ones once its cache is full, so over a whole show it allocates in frames that are ours to keep
// clean: allocations made from inside the driver are not counted.
void find_driver_code();

// Counting on or off; the count goes on from where it was.
void count_allocations(bool on);
int counted_allocations();
void reset_allocation_count();
