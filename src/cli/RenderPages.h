// Many pictures drawn with one preset, several at a time: `lumbra render --out-dir DIR IN...`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lumbra {

class CPresetData;

namespace cli {

// The seed page `index` (0 for the first picture given) is drawn with: seed + 2654435769 x index,
// modulo 2^32. The first page gets `seed` itself, as a single render with that seed would; the
// step (2^32 over the golden ratio) keeps the first draws of neighbouring pages apart, which
// consecutive seeds of the generator would not.
uint32_t PageSeed(uint32_t seed, size_t index);

// Where a page goes: DIR/NAME.png for an input .../NAME.EXT (or .../NAME).
std::string PageOutputPath(const std::string& outDir, const std::string& input);

// The cores this process may run on (at least 1).
int UsableCores();

// A selection mask applied to every page; a page of another size fails.
struct PageMask {
  std::vector<uint8_t> bytes;
  int width = 0, height = 0;
};

struct PageBatch {
  const CPresetData* preset = nullptr;
  std::vector<std::string> inputs;
  std::vector<std::string> outputs;  // one for every input, written as `lumbra render` writes its output
  uint32_t seed = 0;                 // page i is drawn with PageSeed(seed, i)
  const PageMask* mask = nullptr;
  bool linesOnly = false;
  int workers = 1;         // pages in memory and in work at once, each on a thread of its own
  int threadsPerPage = 1;  // threads each page's drawing may use
  // After each page, with an empty error when it was written; one call at a time, from the
  // thread that did the page.
  std::function<void(size_t index, const std::string& error)> pageDone;
};

// Reads, draws and writes every page; a page that fails leaves no output and the others go on.
// Returns the number of pages that failed.
size_t RenderPages(const PageBatch& batch);

}  // namespace cli
}  // namespace lumbra
