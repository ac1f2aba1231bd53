// Which forms of the loops this processor runs, answered from what the C library learnt about
// the processor when the program started: Highway's shared library would ask the processor
// again (each question stops a virtual machine for microseconds) and bring the C++ library's
// thousands of relocations into every start. The groups of features are Highway's own, so
// that a form runs only where every instruction its compiled code may use is there and the
// system saves its registers.
#include <hwy/targets.h>
#include <sys/platform/x86.h>

#include <atomic>
#include <cstdint>
#include <initializer_list>

namespace hwy {
namespace {

bool AllActive(std::initializer_list<unsigned> features) {
  for (const unsigned feature : features) {
    if (!x86_cpu_active(feature)) return false;
  }
  return true;
}

std::int64_t DetectTargets() {
  std::int64_t targets = HWY_SCALAR | HWY_EMU128;
  if (!AllActive({x86_cpu_SSE3, x86_cpu_SSSE3})) return targets;
  targets |= HWY_SSSE3;
  if (!AllActive({x86_cpu_SSE4_1, x86_cpu_SSE4_2, x86_cpu_PCLMULQDQ, x86_cpu_AES})) return targets;
  targets |= HWY_SSE4;
  if (!AllActive({x86_cpu_AVX, x86_cpu_AVX2, x86_cpu_LZCNT, x86_cpu_BMI1, x86_cpu_BMI2, x86_cpu_FMA,
                  x86_cpu_F16C})) {
    return targets;
  }
  targets |= HWY_AVX2;
  if (!AllActive({x86_cpu_AVX512F, x86_cpu_AVX512VL, x86_cpu_AVX512DQ, x86_cpu_AVX512BW,
                  x86_cpu_AVX512CD})) {
    return targets;
  }
  targets |= HWY_AVX3;
  if (AllActive({x86_cpu_AVX512_VNNI, x86_cpu_VPCLMULQDQ, x86_cpu_AVX512_VBMI, x86_cpu_AVX512_VBMI2,
                 x86_cpu_VAES, x86_cpu_AVX512_VPOPCNTDQ, x86_cpu_AVX512_BITALG, x86_cpu_GFNI})) {
    targets |= HWY_AVX3_DL;
  }
  return targets;
}

// The forms a test or PISMOVAR_SIMD narrows the choice to; 0 when none.
std::atomic<std::int64_t> g_targetsForTest{0};

}  // namespace

std::int64_t SupportedTargets() {
  if (const std::int64_t forTest = g_targetsForTest.load(); forTest != 0) return forTest;
  static const std::int64_t detected = DetectTargets();
  return detected;
}

void SetSupportedTargetsForTest(std::int64_t targets) { g_targetsForTest.store(targets); }

ChosenTarget& GetChosenTarget() {
  static ChosenTarget chosen;
  return chosen;
}

}  // namespace hwy
