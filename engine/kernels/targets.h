// Which form of the hot loops runs. Each loop is compiled for several instruction sets; the
// best one the processor supports is chosen at the first call, unless the environment
// variable PISMOVAR_SIMD names another that it runs (AVX2, SSE4, SCALAR, ...). Tests and
// benchmarks narrow the choice to compare or measure the forms.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace pismovar::kernels {

struct Target {
  std::int64_t id;
  std::string_view name;
};

// Every form this processor can run, best first; the last is the scalar reference.
std::vector<Target> SupportedTargets();

// The name of the form the loops run now.
std::string_view ActiveTarget();

// While it lives, the loops run `target` only; afterwards the form chosen before. One at a time.
class ScopedTarget {
 public:
  explicit ScopedTarget(const Target& target);
  ~ScopedTarget();
  ScopedTarget(const ScopedTarget&) = delete;
  ScopedTarget& operator=(const ScopedTarget&) = delete;
};

}  // namespace pismovar::kernels
