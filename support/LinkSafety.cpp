#include "support/LinkSafety.h"

namespace veyra {

bool LeadsElsewhere(const NameFacts& facts) {
    return facts.reparsePoint || facts.links > 1;
}

} // namespace veyra
