// Hints to the system about big blocks of memory.
#pragma once

#include <cstddef>

namespace lumbra {

// Asks the system to back a big block (a picture) with large pages where it can. Drawing walks
// pictures row by row, and a tall stroke touches a new row, and so a new small page, at every
// step: with large pages far fewer address translations miss. Only a hint; nothing changes in
// what the block holds.
void AdviseLargePages(void* block, size_t bytes);

}  // namespace lumbra
