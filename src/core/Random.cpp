#include "core/Random.h"

#include <ctime>

namespace lumbra {

uint32_t Random::ClockSeed() { return static_cast<uint32_t>(std::time(nullptr)); }

}  // namespace lumbra
