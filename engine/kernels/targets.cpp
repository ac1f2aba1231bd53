// The one place that decides which compiled form of the loops runs.
#include "engine/kernels/targets.h"

#include <hwy/highway.h>
#include <strings.h>

#include <cstdlib>
#include <string>

#include "engine/kernels/kernels.h"

namespace pismovar::kernels {

#if (HWY_TARGETS & (HWY_TARGETS - 1)) == 0

// One form is compiled (as on s390x, and in WebAssembly, where Highway's library is not
// linked): its table holds that form alone, and there is nothing to choose or narrow.

std::vector<Target> SupportedTargets() {
  return {{HWY_TARGETS, hwy::TargetName(HWY_TARGETS)}};
}

std::size_t ChosenForm() { return 0; }

std::string_view ActiveTarget() { return hwy::TargetName(HWY_TARGETS); }

ScopedTarget::ScopedTarget(const Target&) {}

ScopedTarget::~ScopedTarget() = default;

#else

std::vector<Target> SupportedTargets() {
  std::vector<Target> targets;
  for (const std::int64_t id : hwy::SupportedAndGeneratedTargets()) {
    targets.push_back({id, hwy::TargetName(id)});
  }
  return targets;
}

namespace {

// Narrows the forms to the one PISMOVAR_SIMD names (such as AVX2 or SCALAR, in any case), for
// measurements and for a processor that misbehaves in a wider form; a name this processor
// cannot run leaves the best form.
void ApplyRequestedForm() {
  const char* name = std::getenv("PISMOVAR_SIMD");
  if (name == nullptr || *name == 0) return;
  for (const Target& target : SupportedTargets()) {
    if (::strcasecmp(name, std::string(target.name).c_str()) != 0) continue;
    hwy::SetSupportedTargetsForTest(target.id);
    hwy::GetChosenTarget().Update(hwy::SupportedTargets());
    return;
  }
}

// Once per process, before the first loop runs or names its form.
void ApplyRequestedFormOnce() {
  static const bool applied = (ApplyRequestedForm(), true);
  (void)applied;
}

}  // namespace

std::size_t ChosenForm() {
  ApplyRequestedFormOnce();
  return hwy::GetChosenTarget().GetIndex();
}

std::string_view ActiveTarget() {
  ApplyRequestedFormOnce();
  const std::int64_t compiled = hwy::SupportedTargets() & HWY_TARGETS;
  return hwy::TargetName(compiled & -compiled);  // the lowest bit is the best
}

ScopedTarget::ScopedTarget(const Target& target) {
  hwy::SetSupportedTargetsForTest(target.id);
  hwy::GetChosenTarget().Update(hwy::SupportedTargets());
}

ScopedTarget::~ScopedTarget() {
  hwy::SetSupportedTargetsForTest(0);
  hwy::GetChosenTarget().Update(hwy::SupportedTargets());
  ApplyRequestedForm();
}

#endif

}  // namespace pismovar::kernels
