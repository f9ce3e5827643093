// The filter entry and the state the module keeps between the calls of one filter run.
#include "host/PluginMain.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <new>

#include "LumbraVersion.h"
#include "data/PresetData.h"
#include "engine/Compose.h"
#include "engine/Render.h"
#include "host/ProgressDialog.h"
#include "host/RecordPlanes.h"
#include "host/Scripting.h"
#include "host/model/PixelTransfer.h"
#include "platform/MessageService.h"
#include "platform/MessageServiceWin32.h"
#include "text/Text.h"
#include "ui/framework/Dpi.h"
#include "ui/settings/SettingDialog.h"

using namespace lumbra;
using namespace lumbra::host;

namespace {

// Module-wide state: written on the host's thread only.
struct FilterState {
  FilterRecord* record = nullptr;
  int16_t* result = nullptr;
  int32_t showDialog = 0;        // set by Parameters, never cleared while the module is loaded
  std::string presetName;        // UTF-8
  // The finished picture; for 16-bit samples the line layer alone, composed over the host's own
  // samples when they are written back.
  std::unique_ptr<Bitmap> resultImage;
  bool deep = false;       // this run's samples are 16-bit
  bool greyTarget = false;  // the target has one colour plane: lines in the colour's grey
  MaskInfo maskInfo;
  HWND parentWindow = nullptr;
  RenderJob* renderJob = nullptr;  // the scripted render while it runs
};

FilterState g_state;

HWND HostWindow(void* platformData) {
  return platformData ? reinterpret_cast<HWND>(static_cast<PlatformData*>(platformData)->hwnd) : nullptr;
}

int FilterWidth(const FilterRecord& r) { return r.filterRect.right - r.filterRect.left; }
int FilterHeight(const FilterRecord& r) { return r.filterRect.bottom - r.filterRect.top; }

void DoAbout(AboutRecord* about) {
  SetMessageOwner(about ? HostWindow(about->platformData) : nullptr);
  ShowMessage(text::Format(text::kAboutText, {LUMBRA_VERSION_STRING}), text::kAboutCaption, MessageIcon::Information);
}

// The host's pixels of the whole filter rectangle as the layer image and (unless Ctrl is held)
// the merged image; the selection mask as maskInfo.
struct AcquiredImages {
  std::unique_ptr<Bitmap> layer;
  std::unique_ptr<Bitmap> merged;
};

AcquiredImages AcquireImages(FilterRecord& r) {
  r.maskRect = r.filterRect;
  r.inRect = r.filterRect;
  r.inLoPlane = 0;
  r.outLoPlane = 0;
  // Every plane of a pixel, in the host's order: the target's, its transparency, layer masks,
  // inverted layer masks and the non-layer planes.
  r.inHiPlane = r.outHiPlane = static_cast<int16_t>(std::max(InputCounts(r).Total(), 1) - 1);
  if (!r.advanceState || r.advanceState() != noErr) return {};
  g_state.greyTarget = InputPlanes(r).Grey();
  g_state.maskInfo = MaskInfo{static_cast<const uint8_t*>(r.maskData), r.maskRect.right - r.maskRect.left,
                              r.maskRect.bottom - r.maskRect.top, r.maskRowBytes};

  const ScopedSystemDpiAwareness dpi;
  CProgressDialog dialog(HostWindow(r.platformData));
  dialog.m_pFilter = &r;
  dialog.m_nWidth = FilterWidth(r);
  dialog.m_nHeight = FilterHeight(r);
  dialog.DoModal();
  return {std::move(dialog.m_pLayerImage), std::move(dialog.m_pMergedImage)};
}

// Renders the recorded preset on the host's thread, with the host's progress bar and abort test,
// and composes the lines over the layer image (for 16-bit samples: returns the lines alone). Null
// when the preset cannot be loaded, the user aborts, or memory runs out.
std::unique_ptr<Bitmap> RenderScripted(const Bitmap& layerImage) {
  auto preset = std::make_unique<CPresetData>();
  preset->grayscale = g_state.greyTarget;
  if (!preset->Load(g_state.presetName)) return nullptr;
  Bitmap lineLayer(layerImage.Width(), layerImage.Height());
  if (!lineLayer.Ok()) return nullptr;

  RenderJob job;
  job.preset = preset.get();
  job.target = &lineLayer;
  job.mask = &g_state.maskInfo;
  job.progress = [](int32_t position, int32_t total) { HostRenderProgress(position, total); };
  g_state.renderJob = &job;
  RenderLines(job);
  g_state.renderJob = nullptr;
  if (job.abort.load() != 0) return nullptr;
  if (g_state.deep) return std::make_unique<Bitmap>(std::move(lineLayer));

  auto result = std::make_unique<Bitmap>(layerImage.Clone());
  if (!result->Ok()) return nullptr;
  ComposeOver(*result, lineLayer);
  return result;
}

// Runs the settings dialog; what its handlers throw comes out of here.
std::unique_ptr<Bitmap> RunSettingDialog(SettingDialogParams params, std::string* presetName) {
  const ScopedSystemDpiAwareness dpi;
  params.parentWindow = g_state.parentWindow;
  auto dialog = std::make_unique<CSettingDialog>(params);
  dialog->DoModal();
  if (presetName) *presetName = dialog->ResultName();
  return dialog->TakeResult();
}

void DoStart(FilterRecord& r) {
  if (!IsSupportedMode(r)) {
    *g_state.result = filterBadMode;
    return;
  }
  g_state.deep = SampleDepth(r) == 16;
  AcquiredImages images = AcquireImages(r);
  if (!images.layer) {
    *g_state.result = userCanceledErr;
    return;
  }
  g_state.presetName = ReadPresetName(r);
  g_state.parentWindow = HostWindow(r.platformData);
  SetMessageOwner(g_state.parentWindow);

  if (g_state.presetName.empty() || g_state.showDialog == 1) {
    SettingDialogParams params;
    params.layerImage = images.layer.get();
    params.mergedImage = images.merged.get();
    params.maskInfo = &g_state.maskInfo;
    params.colorPicker = r.colorServices ? &HostColorPicker : nullptr;
    params.grayscale = g_state.greyTarget ? 1 : 0;
    params.returnLines = g_state.deep;
    g_state.resultImage = RunSettingDialog(params, &g_state.presetName);
  } else {
    g_state.resultImage = RenderScripted(*images.layer);
  }
  if (!g_state.resultImage) {
    *g_state.result = userCanceledErr;
  } else {
    r.outRect = r.filterRect;
  }
}

// Copies the finished picture into the host's output buffer, row by row, with progress and the
// user's abort; then empties the rectangles, which ends the host's loop. 16-bit samples get the
// line layer composed over the host's own samples (the input, or the output, which the host
// filled with the source as the filter-case information asks).
void DoContinue(FilterRecord& r) {
  const Bitmap* image = g_state.resultImage.get();
  if (!image || !r.outData) {
    *g_state.result = userCanceledErr;
    return;
  }
  const HostPlanes out = OutputPlanes(r);
  const HostPlanes in = r.inData ? InputPlanes(r) : out;
  for (int y = 0; y < image->Height(); ++y) {
    if (r.abortProc && r.abortProc()) {
      *g_state.result = userCanceledErr;
      return;
    }
    if (r.progressProc) r.progressProc(y, image->Height());
    if (g_state.deep) {
      ComposeLinesRow16(*image, y, in, out);
    } else {
      WriteResultRow(*image, y, out);
    }
  }
  r.inRect = Rect{};
  r.outRect = Rect{};
  r.maskRect = Rect{};
}

}  // namespace

namespace lumbra {

int32_t HostColorPicker(int32_t colorref) {
  const FilterRecord* r = g_state.record;
  if (!r || !r->colorServices) return colorref;
  ColorServicesInfo info{};
  info.infoSize = sizeof(ColorServicesInfo);
  info.selector = plugIncolorServicesChooseColor;
  info.sourceSpace = IsGreyMode(*r) ? plugIncolorServicesGraySpace : plugIncolorServicesRGBSpace;
  info.resultSpace = plugIncolorServicesRGBSpace;
  info.colorComponents[0] = static_cast<int16_t>(colorref & 0xFF);
  if (!IsGreyMode(*r)) {
    info.colorComponents[1] = static_cast<int16_t>((colorref >> 8) & 0xFF);
    info.colorComponents[2] = static_cast<int16_t>((colorref >> 16) & 0xFF);
  }
  if (r->colorServices(&info) != noErr) return colorref;
  return (info.colorComponents[0] & 0xFF) | (info.colorComponents[1] & 0xFF) << 8 |
         (info.colorComponents[2] & 0xFF) << 16;
}

uint8_t HostRenderProgress(int32_t position, int32_t total) {
  const FilterRecord* r = g_state.record;
  if (!r) return 0;
  if (r->progressProc) r->progressProc(position, total);
  const bool abort = r->abortProc && r->abortProc();
  if (abort && g_state.renderJob) g_state.renderJob->abort.store(1);
  return abort ? 1 : 0;
}

}  // namespace lumbra

namespace {

void Dispatch(int16_t selector, void* record) {
  if (selector < filterSelectorAbout || selector > filterSelectorFinish) {
    *g_state.result = filterBadParameters;
    return;
  }
  if (selector == filterSelectorAbout) {
    DoAbout(static_cast<AboutRecord*>(record));
    return;
  }
  g_state.record = static_cast<FilterRecord*>(record);
  if (!g_state.record) {
    *g_state.result = filterBadParameters;
    return;
  }
  FilterRecord& r = *g_state.record;
  switch (selector) {
    case filterSelectorParameters:
      g_state.showDialog = 1;
      break;
    case filterSelectorPrepare:
      break;
    case filterSelectorStart:
      DoStart(r);
      break;
    case filterSelectorContinue:
      DoContinue(r);
      break;
    case filterSelectorFinish:
      WritePresetName(r, g_state.presetName);
      break;
  }
}

}  // namespace

// Nothing may leave the module towards the host but a result code: every exception ends the run
// with the host's code for it, and the run's pictures are released.
extern "C" void PluginMain(int16_t selector, void* record, intptr_t* /*data*/, int16_t* result) {
  int16_t ignored = 0;
  g_state.result = result ? result : &ignored;
  *g_state.result = noErr;
  try {
    Dispatch(selector, record);
  } catch (const std::bad_alloc&) {
    *g_state.result = memFullErr;
  } catch (...) {
    *g_state.result = userCanceledErr;
  }
  g_state.renderJob = nullptr;
  const bool failed = *g_state.result == userCanceledErr || *g_state.result == memFullErr;
  if (failed || selector == filterSelectorFinish) g_state.resultImage.reset();
}

extern "C" Bitmap* ShowSettingDialog(const Bitmap* layerImage, const Bitmap* mergedImage, const MaskInfo* maskInfo,
                                      ColorPicker colorPicker, uint8_t grayscale, std::string* presetName) {
  try {
    if (!layerImage || !layerImage->Ok()) {
      if (presetName) presetName->clear();
      return nullptr;
    }
    SettingDialogParams params;
    params.layerImage = layerImage;
    params.mergedImage = mergedImage && mergedImage->Ok() ? mergedImage : nullptr;
    params.maskInfo = maskInfo;
    params.colorPicker = colorPicker;
    params.grayscale = grayscale;
    // The caller owns the picture.
    return RunSettingDialog(params, presetName).release();
  } catch (...) {
    if (presetName) presetName->clear();
    return nullptr;
  }
}
