#include "platform/Memory.h"

namespace lumbra {

// Large pages on Windows need a privilege that users do not hold; the hint does nothing there.
void AdviseLargePages(void*, size_t) {}

}  // namespace lumbra
