// Choosing the vector kernels, for tests and fuzz targets that run every level on the same
// inputs. The programs never choose: they keep the best the processor has.
#ifndef WPCONV_TESTS_SIMD_LEVELS_H_
#define WPCONV_TESTS_SIMD_LEVELS_H_

#include "simd/byte_set.h"

namespace wpconv::simd {

// The kernels in use; the best the processor has until set_level() chooses others.
Level level();
// Chooses the kernels of `level`; false, and nothing changed, where this build or the processor
// lacks them. Only between conversions.
bool set_level(Level level);
const char* level_name(Level level);

}  // namespace wpconv::simd

#endif  // WPCONV_TESTS_SIMD_LEVELS_H_
