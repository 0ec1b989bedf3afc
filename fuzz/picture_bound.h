// picture_bound.h -- the picture targets pass over inputs that declare a large picture the decoder would accept
#pragma once

#include <cstdint>

#include "resources/image_decoders.h"

// A picture the decoder accepts costs its zero-fill, and an input that declares a large one spends its
// run on that fill: a 16 M pixel PCX takes as long as thousands of small ones and reaches no code that
// a small picture does not. Such inputs are passed over (and kept out of the corpus); sizes the decoder
// refuses still run, since their refusal is code to fuzz. The bound is on pixels, not sides, so rows
// 16384 wide still come through; 16 K pixels of RGBA, 64 KiB, stay in the sanitizer's small-block
// allocator, where larger blocks cost a mapping each. tests/resources/image_test.cpp decodes pictures
// up to the decoders' limits.
inline constexpr int64_t kFuzzMaxPixels = int64_t(1) << 14;

// libFuzzer leaves an input out of the corpus when its target returns this.
inline constexpr int kPassedOver = -1;

// Whether an input that declares a width x height picture is worth its run.
inline bool worth_decoding(int64_t width, int64_t height) {
    return !picture_fits(width, height) || width * height <= kFuzzMaxPixels;
}
