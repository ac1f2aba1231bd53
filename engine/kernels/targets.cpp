// The one place that decides which compiled form of the loops runs.
#include "engine/kernels/targets.h"

#include <hwy/highway.h>

#include "engine/kernels/kernels.h"

namespace pismovar::kernels {

std::vector<Target> SupportedTargets() {
  std::vector<Target> targets;
  for (const std::int64_t id : hwy::SupportedAndGeneratedTargets()) {
    targets.push_back({id, hwy::TargetName(id)});
  }
  return targets;
}

std::size_t ChosenForm() { return hwy::GetChosenTarget().GetIndex(); }

std::string_view ActiveTarget() {
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
}

}  // namespace pismovar::kernels
