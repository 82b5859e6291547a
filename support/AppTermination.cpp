#include "support/AppTermination.h"

#include <atomic>

namespace veyra {
namespace {
std::atomic<bool> gTerminated{false};
}

void MarkApplicationTerminated() {
    gTerminated.store(true);
}
bool ApplicationTerminated() {
    return gTerminated.load();
}
void ClearApplicationTerminated() {
    gTerminated.store(false);
}

} // namespace veyra
