#pragma once
// Whether this build is pinned to a studio's update keys (VEYRA_UPDATE_KEYS), and with what.
#include "update/uM.h"

namespace veyra {

// The pinned keys with CNG's verifier; none in a build without keys, which then never loads
// bcrypt.dll.
const UpdatePinning* PinnedBuild();

} // namespace veyra
