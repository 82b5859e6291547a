#include "update/Pinning_win.h"

#include "update/SignatureVerifier_win.h"

// Generated from VEYRA_UPDATE_KEYS at configure time (tools/update_keys.py).
#include "VeyraUpdateKeys.h"

namespace veyra {

const UpdatePinning* PinnedBuild() {
    if constexpr (kPinnedKeys.empty()) {
        return nullptr;
    } else {
        static CngVerifier verifier;
        static const UpdatePinning pinning{verifier, kPinnedKeys, kPinnedKeyIds};
        return &pinning;
    }
}

} // namespace veyra
