#include "ui/ShowState.h"

namespace veyra {
namespace {
// Values of the Windows show commands (SW_SHOWMAXIMIZED, SW_SHOWMINNOACTIVE).
constexpr int kShowMaximized = 3;
constexpr int kShowMinNoActive = 7;
} // namespace

WindowShowState InitialShowState(int showCommand) {
    switch (showCommand) {
    case kShowMaximized:
        return WindowShowState::Maximized;
    case kShowMinNoActive:
        return WindowShowState::Minimized;
    default:
        return WindowShowState::Normal;
    }
}

} // namespace veyra
