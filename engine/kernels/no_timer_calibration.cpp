// Highway's shared library measures its timer's resolution when it is loaded, for its
// nanobenchmark; that takes about 3 ms of processor time at every start of every program that
// links it, which a script running the command-line tool once per file pays again and again.
// Nothing here uses the nanobenchmark, so each program defines the function itself: the
// library calls it through its procedure linkage table, and the dynamic linker binds that
// call to the program's definition.
#include <hwy/nanobenchmark.h>

#include <cstdint>

namespace hwy::platform {

std::uint64_t TimerResolution() { return 1; }

}  // namespace hwy::platform
