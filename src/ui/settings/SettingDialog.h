// The settings dialog: a live, zoomable preview of the effect over the picture, re-rendered on a
// worker thread after every change, the two setting pages, the drawing settings, the preset list,
// and "イメージに適用" (apply), which returns the picture with the lines composed over it.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "data/PresetData.h"
#include "engine/Bitmap.h"
#include "engine/Render.h"
#include "platform/MessageServiceWin32.h"
#include "ui/framework/Dialog.h"
#include "ui/framework/Dpi.h"
#include "ui/framework/PropertySheet.h"
#include "ui/settings/ColorButton.h"
#include "ui/settings/PictureBoxEx.h"
#include "ui/settings/PropPages.h"

namespace lumbra {

// Asks the host for a colour; COLORREF (0x00BBGGRR) in and out.
using ColorPicker = int32_t (*)(int32_t colorref);

struct SettingDialogParams {
  const Bitmap* layerImage = nullptr;   // never null
  const Bitmap* mergedImage = nullptr;  // may be null: the host had no composite
  const MaskInfo* maskInfo = nullptr;
  ColorPicker colorPicker = nullptr;  // null: the standard colour dialog
  uint8_t grayscale = 0;
  HWND parentWindow = nullptr;
  std::optional<uint32_t> seed;  // the renders' random seed; without one, the time (as the host runs it)
  // Apply hands back the line layer itself, for a caller that composes it over deeper samples.
  bool returnLines = false;
};

class CSettingDialog : public CDialog {
 public:
  static constexpr float kZoomSteps[10] = {0.1f, 0.25f, 0.5f, 0.75f, 1.0f, 2.0f, 3.0f, 4.0f, 8.0f, 16.0f};

  explicit CSettingDialog(const SettingDialogParams& params);
  ~CSettingDialog() override;

  // The one open settings dialog, through which its pages reach it.
  static CSettingDialog* Current();
  // "なし", "弱い", "弱め", "強め", "強い" for jitter 0..4 (UTF-8).
  static std::string JitterLabel(int jitter);

  // After DoModal: the composed picture, or the line layer when asked for (null after cancel),
  // and the preset's name ("latest" or the chosen preset's; empty after cancel).
  std::unique_ptr<Bitmap> TakeResult() { return std::move(lineLayer_); }
  const std::string& ResultName() const { return resultName_; }

  // Stops a running render and, unless rendering is suppressed, starts a new one.
  void RestartRender();
  // Lets the user choose the colour of `button` (the lines' or the rims'); a new colour is shown
  // on it and collected.
  void PickColor(CColorButton& button);
  void CollectSettings();
  void ShowSettings();
  void OnDataListChanged(int kind);
  // Redraws the read-only canvas of the placement page (kind 1) or the shape page (kind 2).
  void RefreshPagePreview(int kind);
  // Ctrl+S (or, without a message, the preset list's "<新規作成>"): save the settings under a
  // name asked for. True when the message was handled.
  bool SavePresetAs(const MSG* message);
  bool PreTranslateMessage(MSG& message) override;

  const CPresetData& Preset() const { return preset_; }
  // Writes into the preset found a render thread still running (it was stopped then). Each
  // write path stops the render first, so this stays 0; the tests check it after every test.
  static int PresetWritesDuringRender();
  // Renders started so far, and whether one is drawing now (from any thread; for the tests and
  // the timing tool); whether a render thread is still held (user-interface thread only).
  int RenderCount() const { return renderCount_.load(); }
  bool RenderRunning() const { return rendering_.load(); }
  bool RenderThreadHeld() const { return renderThread_.joinable(); }
  // The picture the preview box shows now (read it once the dialog has ended). The box has taken
  // every picture posted to it when the two counts agree.
  const PreviewPicture& ShownPicture() const { return preview_.Picture(); }
  int PreviewImagesPosted() const { return imagesPosted_.load(); }
  int PreviewImagesShown() const { return preview_.ImagesShown(); }
  // From any thread: the render that the shown lines come from (renders count from 1), and their
  // scale (the zoom for the quick first picture, 1 at full size, 0 before any lines).
  int ShownGeneration() const { return preview_.ShownGeneration(); }
  double ShownLinesScale() const { return preview_.ShownLinesScale(); }
  int ZoomIndex() const { return zoomIndex_; }
  // The latest render's quick picture, while its layer is not drawn into again, and the part of
  // the zoomed picture it holds (user-interface thread; null when there is none).
  std::shared_ptr<const Bitmap> LatestQuickPicture(ViewRect& part) const {
    part = latestQuickPart_;
    return latestQuick_.lock();
  }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
  void OnOK() override {}  // Enter never ends the dialog without the apply steps
  void OnCancel() override;

 private:
  void StopRender();
  // The preset for writing: a render thread must not be reading it meanwhile.
  CPresetData& WritablePreset();
  // Hands the preview the picture with these lines (null: none yet) from render `generation`.
  // `origin`: where lines drawn at a display's scale start in the picture at that scale.
  void ShowLines(std::shared_ptr<const Bitmap> lines, double scale, int generation, Point origin = {0, 0});
  // A layer of the size that neither the preview nor a posted picture holds, cleared by the render.
  std::shared_ptr<Bitmap> FreeLayer(std::vector<std::shared_ptr<Bitmap>>& pool, int width, int height);
  std::shared_ptr<const Bitmap> ShownBase() const;
  // The bar at `position` of kProgressRange; -1 when the render has ended.
  void OnRenderProgress(int position);
  static constexpr int kProgressRange = 1000;
  void Zoom(int step);
  void ShowMergedChanged();
  void OnPreviewClick();
  void Apply();
  void OnPresetListChanged();
  void FillDataList(int kind);
  void LayoutControls();
  HWND ListOf(int kind) const;
  // "<新規作成>" in the layout (1) or ruler (2) list: the editor; false when it was cancelled.
  bool RunEditor(int kind);
  // Throws what the render thread threw, once it has ended.
  void ThrowRenderError();
  // A length given for 96 DPI, at the dialog's DPI.
  int Px(int pixelsAt96) const { return ScaleForDpi(pixelsAt96, dpi_); }

  CPropertySheet sheet_;
  CPropLayout layoutPage_;
  CPropRuler rulerPage_;
  CPropStyle stylePage_;
  const Bitmap* mergedImage_;
  const Bitmap* layerImage_;
  const MaskInfo* maskInfo_;
  std::unique_ptr<Bitmap> lineLayer_;  // the result, once applied
  uint8_t grayscale_;
  bool returnLines_;
  int dpi_ = 96;
  std::optional<uint32_t> seed_;
  int zoomIndex_ = 4;
  CPresetData preset_;
  ColorPicker colorPicker_;
  uint8_t suppressRender_ = 0;
  std::string resultName_;
  CPictureBoxEx preview_;
  CColorButton colorButton_;
  int remembered_[3] = {-1, -1, -1};                // preset, layout and ruler list
  std::optional<ScopedMessageOwner> messageOwner_;  // while the dialog is open

  // The render: one worker thread at a time. It draws into a layer that the preview does not
  // show; a zoomed-out preview first gets the same lines drawn at its zoom.
  std::thread renderThread_;
  RenderJob job_;
  std::vector<std::shared_ptr<Bitmap>> fullLayers_, quickLayers_;
  std::shared_ptr<Bitmap> target_;            // the full-size layer of the latest render
  std::mutex shownMutex_;                     // orders the pictures handed to the preview
  std::shared_ptr<const Bitmap> shownLines_;  // the lines last handed over, and their render
  double shownScale_ = 1.0;
  Point shownOrigin_;
  std::weak_ptr<const Bitmap> latestQuick_;
  ViewRect latestQuickPart_;
  int shownGeneration_ = 0;
  bool showMerged_ = false;
  float zoomFactor_ = 1.0f;
  std::atomic<int> renderCount_{0};
  HWND progressBar_ = nullptr;
  static constexpr int kNoProgressYet = -2;
  int lastProgressStep_ = kNoProgressYet;  // the render thread's own, as is the time of its last move
  std::chrono::steady_clock::time_point lastProgressPost_;
  std::atomic<bool> rendering_{false};
  std::atomic<int> imagesPosted_{0};
  std::exception_ptr renderError_;  // written by the render thread before it posts kRenderFailed
};

}  // namespace lumbra
