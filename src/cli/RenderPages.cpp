#include "cli/RenderPages.h"

#include <unistd.h>
#ifdef __linux__
#include <sched.h>
#endif

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "cli/CliCommands.h"
#include "cli/Png.h"
#include "core/Random.h"
#include "data/PresetData.h"
#include "engine/Bitmap.h"
#include "engine/Compose.h"
#include "engine/Render.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"

namespace lumbra::cli {

uint32_t PageSeed(uint32_t seed, size_t index) { return seed + 2654435769u * static_cast<uint32_t>(index); }

std::string PageOutputPath(const std::string& outDir, const std::string& input) {
  const std::filesystem::path name = PathFromUtf8(input).filename().replace_extension(".png");
  return PathToUtf8(PathFromUtf8(outDir) / name);
}

int UsableCores() {
#ifdef __linux__
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return CPU_COUNT(&set);
#endif
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

namespace {

std::string SizeText(int width, int height) { return std::to_string(width) + " x " + std::to_string(height); }

// The pictures a worker keeps from page to page: of one size, their memory is used again rather
// than handed back and taken anew (and first touched anew) for every page.
struct PageMemory {
  Bitmap picture, layer;
};

// One page, start to end; throws with what went wrong.
void RenderPage(const PageBatch& batch, size_t index, PageMemory& memory) {
  std::string error;
  Bitmap& picture = memory.picture;
  if (!ReadPng(batch.inputs[index], picture, error)) throw CommandError(error);
  MaskInfo mask;
  if (batch.mask) {
    if (batch.mask->width != picture.Width() || batch.mask->height != picture.Height())
      throw CommandError(text::Format(text::kCliMaskSize, {SizeText(batch.mask->width, batch.mask->height),
                                                           SizeText(picture.Width(), picture.Height())}));
    mask = {batch.mask->bytes.data(), batch.mask->width, batch.mask->height, batch.mask->width};
  }
  RenderJob job;
  job.preset = batch.preset;
  job.mask = batch.mask ? &mask : nullptr;
  job.seed = PageSeed(batch.seed, index);
  job.threadCount = batch.threadsPerPage;
  Bitmap& layer = memory.layer;
  DrawLayer(picture, job, layer);
  if (!batch.linesOnly) ComposeOver(picture, layer);
  OutputFile output(batch.outputs[index]);
  if (!WritePng(batch.linesOnly ? layer : picture, output.File(), error))
    throw CommandError(batch.outputs[index] + ": " + error);
  output.Commit();
}

}  // namespace

size_t RenderPages(const PageBatch& batch) {
  std::atomic<size_t> next{0};
  std::atomic<size_t> failed{0};
  std::mutex reporting;
  const auto work = [&] {
    PageMemory memory;
    for (size_t index = next++; index < batch.inputs.size(); index = next++) {
      std::string error;
      try {
        RenderPage(batch, index, memory);
      } catch (const std::bad_alloc&) {
        error = text::kCliNotEnoughMemory;
      } catch (const std::exception& e) {
        error = e.what();
      }
      if (!error.empty()) {
        ++failed;
        memory = PageMemory();  // nothing held over from a page that failed
      }
      if (batch.pageDone) {
        std::lock_guard<std::mutex> lock(reporting);
        batch.pageDone(index, error);
      }
    }
  };
  const size_t workers = std::min<size_t>(static_cast<size_t>(std::max(batch.workers, 1)), batch.inputs.size());
  std::vector<std::thread> helpers;
  for (size_t k = 1; k < workers; ++k) {
    try {
      helpers.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the pages are shared among those running
    }
  }
  work();
  for (std::thread& helper : helpers) helper.join();
  return failed;
}

void RenderToFolder(const RenderOptions& o) {
  std::vector<std::string> outputs;
  std::map<std::string, size_t> taken;
  for (size_t i = 0; i < o.inputs.size(); ++i) {
    outputs.push_back(PageOutputPath(o.outDir, o.inputs[i]));
    const auto [at, added] = taken.emplace(outputs.back(), i);
    if (!added)
      throw UsageError(text::Format(text::kCliSameOutput, {o.inputs[at->second], o.inputs[i], outputs.back()}));
  }
  CPresetData preset;
  LoadPresetFor(preset, o);
  PageMask mask;
  if (!o.mask.empty()) {
    std::string error;
    mask.bytes = ReadPngMaskOfAnySize(o.mask, mask.width, mask.height, error);
    if (mask.bytes.empty()) throw CommandError(o.mask + ": " + error);
  }
  if (!MakeDirectory(o.outDir)) throw CommandError(text::Format(text::kCliCannotMakeFolder, {o.outDir}));

  const int cores = UsableCores();
  PageBatch batch;
  batch.preset = &preset;
  batch.inputs = o.inputs;
  batch.outputs = outputs;
  batch.seed = o.seed.value_or(Random::ClockSeed());
  batch.mask = o.mask.empty() ? nullptr : &mask;
  batch.linesOnly = o.linesOnly;
  batch.workers = static_cast<int>(std::min<size_t>(o.jobs > 0 ? o.jobs : cores, o.inputs.size()));
  batch.threadsPerPage = std::max(1, cores / std::max(1, batch.workers));
  const bool showProgress = isatty(STDERR_FILENO);
  size_t done = 0, failed = 0;
  batch.pageDone = [&](size_t index, const std::string& error) {
    ++done;
    if (!error.empty()) {
      ++failed;
      std::fprintf(stderr, "%slumbra: %s: %s\n", showProgress ? "\r\033[K" : "", o.inputs[index].c_str(),
                   error.c_str());
    }
    if (showProgress) {
      std::string line = text::Format(text::kCliPagesDone, {std::to_string(done), std::to_string(o.inputs.size())});
      if (failed) line += text::Format(text::kCliPagesDoneFailed, {std::to_string(failed)});
      std::fprintf(stderr, "\r%s", line.c_str());
    }
  };
  RenderPages(batch);
  if (showProgress) std::fprintf(stderr, "\n");
  if (failed > 0)
    throw CommandError(text::Format(text::kCliPagesFailed, {std::to_string(failed), std::to_string(o.inputs.size())}));
}

}  // namespace lumbra::cli
