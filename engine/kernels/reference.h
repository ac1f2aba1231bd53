// The scalar form of every hot loop: plain C++, one byte or sequence at a time. It runs where
// no wider form is built, and every wider form is tested against it.
#pragma once

#include "engine/kernels/kernels.h"

namespace pismovar::kernels::reference {

ConvertLoop Convert;
TallyLoop Tally;
TallyUtf8Loop TallyUtf8;
CountUtf8Loop CountUtf8;
EncodeUtf8Loop EncodeUtf8;
DecodeUtf8Loop DecodeUtf8;
RepairUtf8Loop RepairUtf8;

}  // namespace pismovar::kernels::reference
