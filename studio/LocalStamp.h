#pragma once
// The version stamp of this moment, from the local date and time, as the program makes it.
#include <string>

namespace veyra::studio {

std::wstring LocalVersionStamp();

} // namespace veyra::studio
