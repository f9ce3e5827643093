#include "ui/settings/SettingDialog.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "core/Random.h"
#include "data/Record.h"
#include "engine/Compose.h"
#include "engine/Resample.h"
#include "resources/resource.h"
#include "text/Text.h"
#include "ui/editors/InputBox.h"
#include "ui/editors/LayoutDialog.h"
#include "ui/editors/RulerDialog.h"
#include "ui/framework/Dpi.h"
#include "ui/framework/Module.h"
#include "ui/settings/model/DataListMatch.h"
#include "ui/settings/model/PresetRanges.h"

namespace lumbra {

namespace {

constexpr UINT kSetZoom = WM_USER + 101;      // wParam: const float*
constexpr UINT kRenderFailed = WM_APP + 103;  // the render thread threw; the dialog throws it on
// The smallest client area, at 96 DPI (scaled with the screen's DPI).
constexpr int kMinClientWidth = 770;
constexpr int kMinClientHeight = 500;

CSettingDialog* g_current = nullptr;
std::atomic<int> g_presetWritesDuringRender{0};

uint32_t ColorrefOf(uint32_t argb) { return (argb >> 16 & 0xFF) | (argb & 0xFF00) | (argb & 0xFF) << 16; }
uint32_t OpaqueArgbOf(uint32_t colorref) {
  return 0xFF000000u | (colorref & 0xFF) << 16 | (colorref & 0xFF00) | (colorref >> 16 & 0xFF);
}

RECT ChildRect(HWND dialog, HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}
int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }
void MoveTo(HWND window, int x, int y, int w, int h) {
  SetWindowPos(window, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

std::wstring ListText(HWND list, int index) {
  const LRESULT n = SendMessageW(list, CB_GETLBTEXTLEN, index, 0);
  if (n < 0) return {};
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  SendMessageW(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(n));
  return text;
}
int ListCount(HWND list) { return static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0)); }
int ListSelection(HWND list) { return static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0)); }
void SelectInList(HWND list, int index) { SendMessageW(list, CB_SETCURSEL, index, 0); }

}  // namespace

CSettingDialog* CSettingDialog::Current() { return g_current; }

std::string CSettingDialog::JitterLabel(int jitter) {
  return jitter >= 0 && jitter < 5 ? Narrow(LoadResourceString(IDS_JITTER_0 + jitter)) : std::string();
}

CSettingDialog::CSettingDialog(const SettingDialogParams& params)
    : CDialog(IDD_SETTINGS, params.parentWindow),
      mergedImage_(params.mergedImage),
      layerImage_(params.layerImage),
      maskInfo_(params.maskInfo),
      grayscale_(params.grayscale),
      returnLines_(params.returnLines),
      seed_(params.seed),
      colorPicker_(params.colorPicker) {
  sheet_.AddPage(&layoutPage_);
  sheet_.AddPage(&rulerPage_);
  sheet_.AddPage(&stylePage_);
  g_current = this;
  JitterLabel(0);
}

CSettingDialog::~CSettingDialog() {
  StopRender();
  if (g_current == this) g_current = nullptr;
}

HWND CSettingDialog::ListOf(int kind) const {
  if (kind == 1) return GetDlgItem(layoutPage_.Handle(), IDC_LAYOUT_LIST);
  if (kind == 2) return GetDlgItem(rulerPage_.Handle(), IDC_RULER_LIST);
  return Item(IDC_PRESET_LIST);
}

BOOL CSettingDialog::OnInitDialog() {
  dpi_ = WindowDpi(Handle());
  // Shared: one handle for the life of the module, not a new one for every opening.
  if (auto icon =
          static_cast<HICON>(LoadImageW(PluginModule(), MAKEINTRESOURCEW(IDI_PLUGIN), IMAGE_ICON, 16, 16, LR_SHARED)))
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  suppressRender_ = 1;
  messageOwner_.emplace(Handle());
  progressBar_ = Item(IDC_RENDER_PROGRESS);
  preview_.AttachDlgItem(Handle(), IDC_PREVIEW);
  colorButton_.AttachDlgItem(Handle(), IDC_COLOR);

  sheet_.Create(Handle(), ChildRect(Handle(), Item(IDC_TAB_AREA)));
  sheet_.SetActivePage(2);
  sheet_.SetActivePage(1);
  sheet_.SetActivePage(0);

  // The smallest size the minimum-size rule allows, centred.
  SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOZORDER);
  RECT window, area;
  GetWindowRect(Handle(), &window);
  HWND over = Parent() && IsWindowVisible(Parent()) ? Parent() : GetDesktopWindow();
  GetWindowRect(over, &area);
  SetWindowPos(Handle(), nullptr, area.left + (Width(area) - Width(window)) / 2,
               area.top + (Height(area) - Height(window)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);

  if (!mergedImage_) EnableWindow(Item(IDC_SHOW_MERGED), FALSE);
  ShowLines(nullptr, 1.0, 0);  // the picture alone until the first lines are drawn
  for (int kind = 0; kind < 3; ++kind) FillDataList(kind);

  job_.preset = &preset_;
  job_.mask = maskInfo_;
  job_.seed = seed_;
  // The bar runs over the walk and, where the strokes are painted together after it (on more
  // than one core), over that painting too: half each.
  const bool paintsAfterTheWalk = std::thread::hardware_concurrency() > 1;
  const int walkShare = paintsAfterTheWalk ? kProgressRange / 2 : kProgressRange;
  job_.progress = [this, walkShare](int32_t position, int32_t total) {
    OnRenderProgress(total == 0 ? -1 : static_cast<int>(int64_t{position} * walkShare / total));
  };
  job_.paintProgress = [this, walkShare](int32_t done, int32_t total) {
    OnRenderProgress(walkShare + static_cast<int>(int64_t{done} * (kProgressRange - walkShare) / std::max(total, 1)));
  };

  ShowSettings();
  suppressRender_ = 0;
  SelectInList(ListOf(0), ListCount(ListOf(0)) - 2);
  OnPresetListChanged();
  return TRUE;
}

// --- the render ---

void CSettingDialog::StopRender() {
  if (renderThread_.joinable()) {
    job_.abort.store(1);
    renderThread_.join();
  }
}

int CSettingDialog::PresetWritesDuringRender() { return g_presetWritesDuringRender.load(); }

CPresetData& CSettingDialog::WritablePreset() {
  if (renderThread_.joinable()) {
    ++g_presetWritesDuringRender;
    StopRender();
  }
  return preset_;
}

void CSettingDialog::RestartRender() {
  StopRender();
  job_.abort.store(0);
  if (suppressRender_) return;
  WritablePreset().grayscale = grayscale_ != 0;
  zoomFactor_ = kZoomSteps[zoomIndex_];
  const int width = layerImage_->Width(), height = layerImage_->Height();
  target_.reset();
  target_ = FreeLayer(fullLayers_, width, height);
  job_.target = target_.get();
  // One seed for both drawings of a render: the first picture shows the very lines that follow.
  job_.seed = seed_ ? *seed_ : Random::ClockSeed();
  const double zoom = zoomFactor_;
  std::shared_ptr<Bitmap> quick;
  ViewRect part{0, 0, ZoomedSide(width, zoom), ZoomedSide(height, zoom)};
  if (zoom < 1.0) {
    // Only the part the box shows: the rest of the page waits for the full-size lines.
    const ViewRect shown = preview_.ShownPart(zoomFactor_);
    if (shown.width > 0 && shown.height > 0) part = shown;
    quick = FreeLayer(quickLayers_, part.width, part.height);
  } else {
    std::erase_if(quickLayers_, [](const std::shared_ptr<Bitmap>& layer) { return layer.use_count() == 1; });
  }
  latestQuick_ = quick;
  latestQuickPart_ = part;
  const int generation = ++renderCount_;
  // The quick picture is drawn beside the full-size render when there is a core for it beside the
  // render's walk (one thread) and the dialog's own thread; the strokes are painted on every core
  // after the walk. With two cores the quick picture comes sooner when drawn first (under wine,
  // about a third sooner for the focus scene), and the full-size lines still come in well under
  // the render's own time.
  const bool beside = quick && std::thread::hardware_concurrency() > 2;
  lastProgressStep_ = kNoProgressYet;
  lastProgressPost_ = {};
  rendering_ = true;
  renderThread_ = std::thread([this, quick, target = target_, zoom, part, generation, beside] {
    // An exception may not leave the thread: the dialog gets it and throws it on its own thread.
    try {
      std::exception_ptr quickError;
      const auto drawQuick = [&] {
        try {
          RenderJob first;
          first.preset = job_.preset;
          first.target = quick.get();
          first.mask = job_.mask;
          first.seed = job_.seed;
          first.threadCount = 1;
          first.scale = zoom;
          first.pictureWidth = target->Width();
          first.pictureHeight = target->Height();
          first.originX = part.x;
          first.originY = part.y;
          first.progress = [&](int32_t, int32_t) {
            if (job_.abort.load()) first.abort.store(1);
          };
          RenderLines(first);
          if (!job_.abort.load()) ShowLines(quick, zoom, generation, Point{part.x, part.y});
        } catch (...) {
          quickError = std::current_exception();
        }
      };
      std::thread quickThread;
      if (beside)
        quickThread = std::thread(drawQuick);
      else if (quick)
        drawQuick();
      struct Join {
        std::thread& thread;
        ~Join() {
          if (thread.joinable()) thread.join();
        }
      } join{quickThread};
      if (!job_.abort.load()) {
        RenderLines(job_);
        if (!job_.abort.load()) ShowLines(target, 1.0, generation);
      }
      if (quickThread.joinable()) quickThread.join();
      if (quickError) std::rethrow_exception(quickError);
    } catch (...) {
      renderError_ = std::current_exception();
      PostMessageW(Handle(), kRenderFailed, 0, 0);
    }
    rendering_ = false;
  });
}

std::shared_ptr<Bitmap> CSettingDialog::FreeLayer(std::vector<std::shared_ptr<Bitmap>>& pool, int width, int height) {
  // The pool's own reference is the only one: no picture, render or posted message holds it.
  const auto unused = [](const std::shared_ptr<Bitmap>& layer) { return layer.use_count() == 1; };
  for (const std::shared_ptr<Bitmap>& layer : pool)
    if (unused(layer) && layer->Width() == width && layer->Height() == height) return layer;
  std::erase_if(pool, unused);  // of another size (an earlier zoom)
  auto layer = std::make_shared<Bitmap>(width, height);
  if (!layer->Ok()) throw std::bad_alloc();
  pool.push_back(layer);
  return layer;
}

std::shared_ptr<const Bitmap> CSettingDialog::ShownBase() const {
  // The caller's pictures outlive the dialog: lent, not owned.
  return std::shared_ptr<const Bitmap>(std::shared_ptr<const Bitmap>(),
                                       showMerged_ && mergedImage_ ? mergedImage_ : layerImage_);
}

void CSettingDialog::ShowLines(std::shared_ptr<const Bitmap> lines, double scale, int generation, Point origin) {
  HWND preview = preview_.Handle();
  if (!preview) return;
  // Under the lock, pictures reach the preview in the order of their renders, and the merged
  // toggle takes the lines last handed over, never older ones.
  std::lock_guard lock(shownMutex_);
  if (generation < shownGeneration_) return;
  // The quick picture may finish after the full-size lines of its own render: they stay.
  if (generation == shownGeneration_ && scale < shownScale_ && shownLines_) return;
  shownLines_ = std::move(lines);
  shownScale_ = scale;
  shownOrigin_ = origin;
  shownGeneration_ = generation;
  auto picture = std::make_unique<PreviewPicture>(PreviewPicture{ShownBase(), shownLines_, scale, generation, origin});
  if (PostMessageW(preview, CPictureBoxEx::kSetPictureMessage, reinterpret_cast<WPARAM>(picture.get()), 0)) {
    picture.release();  // the preview owns it now
    ++imagesPosted_;
  }
}

void CSettingDialog::OnRenderProgress(int position) {
  // The bar's handle was looked up on the dialog's thread: asking the window system from the
  // render thread at every step costs a round trip each under some systems (wine's server).
  HWND bar = progressBar_;
  if (!bar) return;
  // A render reports every step (thousands on a big picture), and every move of the bar is a
  // repaint that the window system does beside the render: the bar moves at most every 40 ms,
  // by at least a 256th of its length; the end (-1: empty again) is always shown.
  const auto now = std::chrono::steady_clock::now();
  const int step = position < 0 ? -1 : position * 256 / kProgressRange;
  if (position >= 0 && (step == lastProgressStep_ || now - lastProgressPost_ < std::chrono::milliseconds(40))) return;
  if (lastProgressStep_ == kNoProgressYet) PostMessageW(bar, PBM_SETRANGE32, 0, kProgressRange);
  lastProgressStep_ = step;
  lastProgressPost_ = now;
  PostMessageW(bar, PBM_SETPOS, std::max(position, 0), 0);
}

// --- settings and lists ---

void CSettingDialog::CollectSettings() {
  StopRender();
  const HWND d = Handle(), l = layoutPage_.Handle(), r = rulerPage_.Handle();
  CPresetData& preset = WritablePreset();
  preset.color = OpaqueArgbOf(colorButton_.GetColor());
  preset.antialias = IsChecked(d, IDC_ANTIALIAS);
  preset.lengthFromMask = IsChecked(d, IDC_LENGTH_FROM_MASK);
  preset.drawSide = static_cast<uint8_t>(CheckedRadioOf(l, IDC_SIDE_RIGHT, 4));
  preset.angle = IsChecked(l, IDC_ANGLE_PATH) ? CPresetData::kAngleFollowsPath
                                              : static_cast<int16_t>(SpinPosition(l, IDC_ANGLE_SPIN));
  preset.interval = SliderPosition(l, IDC_INTERVAL_SLIDER);
  preset.jitter = static_cast<uint8_t>(SliderPosition(l, IDC_JITTER_SLIDER));
  preset.overshoot = SliderPosition(l, IDC_OVERSHOOT_SLIDER);
  preset.pathPosition = static_cast<uint8_t>(CheckedRadioOf(l, IDC_POSITION_FRAME, 4));
  preset.penTip = static_cast<uint8_t>(CheckedRadioOf(r, IDC_PEN_G, 2));
  preset.height = SliderPosition(r, IDC_ROW_SLIDER);
  preset.length = SliderPosition(r, IDC_ROW_SLIDER + 3);
  preset.minLengthPercent = static_cast<uint8_t>(SliderPosition(r, IDC_ROW_SLIDER + 6));
  preset.thickness = SliderPosition(r, IDC_ROW_SLIDER + 9);
  preset.minThicknessPercent = static_cast<uint8_t>(SliderPosition(r, IDC_ROW_SLIDER + 12));
  preset.taperStart = static_cast<uint8_t>(SliderPosition(r, IDC_ROW_SLIDER + 15));
  preset.fixedTaper = IsChecked(r, IDC_FIXED_TAPER);
  const HWND s = stylePage_.Handle();
  preset.edgeWidth = SliderPosition(s, IDC_EDGE_WIDTH_SLIDER);
  preset.edgeColor = OpaqueArgbOf(stylePage_.EdgeColorButton().GetColor());
  preset.edgeMode = static_cast<uint8_t>(CheckedRadioOf(s, IDC_EDGE_SEPARATE, 2));
  preset.bundleLines = SliderPosition(s, IDC_BUNDLE_LINES_SLIDER);
  preset.bundleGap = SliderPosition(s, IDC_BUNDLE_GAP_SLIDER);
  preset.bundleVariation = static_cast<uint8_t>(SliderPosition(s, IDC_BUNDLE_VARIATION_SLIDER));
  RestartRender();
}

void CSettingDialog::ShowSettings() {
  const HWND d = Handle(), l = layoutPage_.Handle(), r = rulerPage_.Handle();
  auto showRow = [](HWND page, int slider, int value) {
    SetSpinPosition(page, slider + 2, value);
    SetSliderPosition(page, slider, value);
  };
  colorButton_.SetColor(ColorrefOf(preset_.color));
  SetChecked(d, IDC_ANTIALIAS, preset_.antialias != 0);
  SetChecked(d, IDC_LENGTH_FROM_MASK, preset_.lengthFromMask != 0);
  CheckRadioOf(l, IDC_SIDE_RIGHT, 4, preset_.drawSide);
  if (preset_.angle == CPresetData::kAngleFollowsPath) {
    CheckRadioOf(l, IDC_ANGLE_PATH, 2, 0);
  } else {
    CheckRadioOf(l, IDC_ANGLE_PATH, 2, 1);
    SetSpinPosition(l, IDC_ANGLE_SPIN, preset_.angle);
  }
  showRow(l, IDC_INTERVAL_SLIDER, preset_.interval);
  SetSliderPosition(l, IDC_JITTER_SLIDER, preset_.jitter);
  SetDlgItemTextW(l, IDC_JITTER_LABEL, Widen(JitterLabel(preset_.jitter)).c_str());
  showRow(l, IDC_OVERSHOOT_SLIDER, preset_.overshoot);
  CheckRadioOf(l, IDC_POSITION_FRAME, 4, preset_.pathPosition);
  CheckRadioOf(r, IDC_PEN_G, 2, preset_.penTip);
  const int rows[] = {
      preset_.height,    preset_.length, preset_.minLengthPercent, preset_.thickness, preset_.minThicknessPercent,
      preset_.taperStart};
  for (int i = 0; i < 6; ++i) showRow(r, IDC_ROW_SLIDER + 3 * i, rows[i]);
  SetChecked(r, IDC_FIXED_TAPER, preset_.fixedTaper != 0);
  const HWND s = stylePage_.Handle();
  showRow(s, IDC_EDGE_WIDTH_SLIDER, preset_.edgeWidth);
  stylePage_.EdgeColorButton().SetColor(ColorrefOf(preset_.edgeColor));
  CheckRadioOf(s, IDC_EDGE_SEPARATE, 2, preset_.edgeMode);
  showRow(s, IDC_BUNDLE_LINES_SLIDER, preset_.bundleLines);
  showRow(s, IDC_BUNDLE_GAP_SLIDER, preset_.bundleGap);
  showRow(s, IDC_BUNDLE_VARIATION_SLIDER, preset_.bundleVariation);
  // The canvases once the controls show this preset: the ruler's is drawn with the page's pen.
  RefreshPagePreview(1);
  RefreshPagePreview(2);

  // The layout and ruler lists follow the preset's names: the entry of that very name, else
  // (and always for "latest") "<最新の設定>".
  for (int kind = 1; kind <= 2; ++kind) {
    HWND list = ListOf(kind);
    std::vector<std::string> stored;
    for (int i = 0; i < ListCount(list) - 2; ++i) stored.push_back(Narrow(ListText(list, i)));
    const int match = MatchingEntry(stored, kind == 1 ? preset_.layout.GetName() : preset_.ruler.GetName());
    const int index = match >= 0 ? match : ListCount(list) - 2;
    if (index != ListSelection(list)) {
      SelectInList(list, index);
      OnDataListChanged(kind);
      RefreshPagePreview(kind);
    }
  }
  RestartRender();
}

void CSettingDialog::FillDataList(int kind) {
  HWND list = ListOf(kind);
  SendMessageW(list, CB_RESETCONTENT, 0, 0);
  for (const std::string& name : ListRecordNames(static_cast<RecordKind>(kind)))
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(name).c_str()));
  SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LoadResourceString(IDS_LATEST_ENTRY).c_str()));
  SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LoadResourceString(IDS_NEW_ENTRY).c_str()));
  remembered_[kind] = ListCount(list) - 2;
  SelectInList(list, -1);
}

void CSettingDialog::OnDataListChanged(int kind) {
  HWND list = ListOf(kind);
  const int count = ListCount(list);
  const int selected = ListSelection(list);
  if (selected == count - 1) {
    if (!RunEditor(kind)) {
      SelectInList(list, remembered_[kind]);  // cancelled: the previous choice, no render
      return;
    }
  } else {
    const std::string name = selected == count - 2 ? std::string(kLatestName) : Narrow(ListText(list, selected));
    StopRender();
    CPresetData& preset = WritablePreset();
    const bool loaded = kind == 1 ? preset.layout.Load(name) : preset.ruler.Load(name);
    if (!loaded) SelectInList(list, count - 2);
  }
  remembered_[kind] = ListSelection(list);
  RefreshPagePreview(kind);
  CollectSettings();
}

bool CSettingDialog::RunEditor(int kind) {
  // The editor is modal to this dialog: nothing here changes while it is open.
  INT_PTR result = IDCANCEL;
  if (kind == 1) {
    CLayoutDialog editor(Handle());
    result = editor.DoModal();
    if (result == IDOK) {
      StopRender();
      editor.Layout().CopyTo(WritablePreset().layout);
    }
  } else {
    CRulerDialog editor(Handle());
    result = editor.DoModal();
    if (result == IDOK) {
      StopRender();
      editor.Ruler().CopyTo(WritablePreset().ruler);
    }
  }
  // The editor may have stored records under names of their own, however it ended.
  HWND list = ListOf(kind);
  const std::wstring previous = ListText(list, remembered_[kind]);
  const bool previousWasLatest = remembered_[kind] == ListCount(list) - 2;
  FillDataList(kind);
  if (result == IDCANCEL) {
    // Back to the previous choice, found again by its name.
    const int found = static_cast<int>(
        SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(previous.c_str())));
    remembered_[kind] = previousWasLatest || found < 0 || found >= ListCount(list) - 2 ? ListCount(list) - 2 : found;
    return false;
  }
  if (result == IDOK) SelectInList(ListOf(0), ListCount(ListOf(0)) - 2);
  SelectInList(ListOf(kind), ListCount(ListOf(kind)) - 2);
  return true;
}

void CSettingDialog::RefreshPagePreview(int kind) {
  if (kind == 1) {
    layoutPage_.Canvas().SetData(true, false, &preset_.layout);
    layoutPage_.Canvas().Redraw();
    return;
  }
  // A copy with the page's pen as it stands and the preset's taper; the preset's own ruler
  // stays as it is.
  CRulerData& shown = rulerPage_.ShownRuler();
  preset_.ruler.CopyTo(shown);
  shown.SetMillPen(!IsChecked(rulerPage_.Handle(), IDC_PEN_G));
  shown.SetTaperStart(preset_.taperStart);
  shown.SetLengthPercent(100.0f);
  rulerPage_.Canvas().SetData(false, false, &shown);
  rulerPage_.Canvas().Redraw();
}

void CSettingDialog::OnPresetListChanged() {
  HWND list = ListOf(0);
  const int count = ListCount(list);
  const int selected = ListSelection(list);
  if (selected == count - 1) {
    SavePresetAs(nullptr);
    return;
  }
  const std::string name = selected == count - 2 ? std::string(kLatestName) : Narrow(ListText(list, selected));
  StopRender();
  if (!WritablePreset().Load(name)) SelectInList(list, count - 2);
  // What is drawn is what the controls can say (the file itself stays as it is).
  ClampToControls(WritablePreset());
  remembered_[0] = ListSelection(list);
  ShowSettings();
}

bool CSettingDialog::SavePresetAs(const MSG* message) {
  if (message && !(message->message == WM_KEYDOWN && message->wParam == 0x53 && GetKeyState(VK_CONTROL) < 0))
    return false;
  HWND list = ListOf(0);
  const int count = ListCount(list);
  const int selected = ListSelection(list);
  const std::string proposed = selected >= 0 && selected < count - 2 ? Narrow(ListText(list, selected)) : "";
  const std::string name = AskName(Narrow(LoadResourceString(IDS_SAVE_PRESET_MESSAGE)),
                                   Narrow(LoadResourceString(IDS_SAVE_PRESET_CAPTION)), proposed);
  if (!name.empty() && preset_.Save(name, false)) {
    FillDataList(0);
    SelectInList(list, ListCount(list) - 2);
  } else {
    SelectInList(list, remembered_[0]);
  }
  return true;
}

bool CSettingDialog::PreTranslateMessage(MSG& message) {
  if (SavePresetAs(&message)) return true;
  return layoutPage_.PreTranslateMessage(message) || rulerPage_.PreTranslateMessage(message);
}

// --- commands ---

bool CSettingDialog::OnCommand(int id, int code, HWND control) {
  switch (id) {
    case IDC_ZOOM_IN:
    case IDC_ZOOM_OUT:
      if (code == BN_CLICKED) Zoom(id == IDC_ZOOM_IN ? 1 : -1);
      return true;
    case IDC_SHOW_MERGED:
      if (code == BN_CLICKED) ShowMergedChanged();
      return true;
    case IDC_COLOR:
      if (code == BN_CLICKED) PickColor(colorButton_);
      return true;
    case IDC_ANTIALIAS:
    case IDC_LENGTH_FROM_MASK:
      if (code == BN_CLICKED) CollectSettings();
      return true;
    case IDC_PREVIEW:
      if (code == STN_CLICKED) OnPreviewClick();
      return true;
    case IDC_PRESET_LIST:
      if (code == CBN_SELCHANGE) OnPresetListChanged();
      return true;
    case IDC_APPLY:
      if (code == BN_CLICKED) Apply();
      return true;
    case IDC_CANCEL:
      if (code == BN_CLICKED) OnCancel();
      return true;
  }
  return CDialog::OnCommand(id, code, control);
}

void CSettingDialog::Zoom(int step) {
  zoomIndex_ += step;
  if (step > 0) {
    if (zoomIndex_ > 8) {
      zoomIndex_ = 9;
      EnableWindow(Item(IDC_ZOOM_IN), FALSE);
    }
    EnableWindow(Item(IDC_ZOOM_OUT), TRUE);
  } else {
    if (zoomIndex_ <= 0) {
      zoomIndex_ = 0;
      EnableWindow(Item(IDC_ZOOM_OUT), FALSE);
    }
    EnableWindow(Item(IDC_ZOOM_IN), TRUE);
  }
  zoomFactor_ = kZoomSteps[zoomIndex_];
  wchar_t label[16];
  wsprintfW(label, L"%d%%", static_cast<int>(zoomFactor_ * 100.0f));
  SetDlgItemTextW(Handle(), IDC_ZOOM_LABEL, label);
  PostMessageW(preview_.Handle(), kSetZoom, reinterpret_cast<WPARAM>(&zoomFactor_), 0);
}

void CSettingDialog::ShowMergedChanged() {
  std::shared_ptr<const Bitmap> lines;
  double scale = 1.0;
  int generation = 0;
  Point origin;
  {
    std::lock_guard lock(shownMutex_);
    showMerged_ = IsChecked(Handle(), IDC_SHOW_MERGED);
    lines = shownLines_;
    scale = shownScale_;
    generation = shownGeneration_;
    origin = shownOrigin_;
  }
  ShowLines(std::move(lines), scale, generation, origin);
}

void CSettingDialog::PickColor(CColorButton& button) {
  const uint32_t current = button.GetColor();
  uint32_t chosen = current;
  if (colorPicker_) {
    chosen = static_cast<uint32_t>(colorPicker_(static_cast<int32_t>(current)));
  } else {
    static COLORREF custom[16] = {};
    CHOOSECOLORW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = Handle();
    dialog.rgbResult = current;
    dialog.lpCustColors = custom;
    dialog.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (ChooseColorW(&dialog)) chosen = dialog.rgbResult;
  }
  if (chosen != current) {
    button.SetColor(chosen);
    CollectSettings();
  }
}

void CSettingDialog::OnPreviewClick() {
  if (GetKeyState(VK_CONTROL) >= 0) return;
  POINT p{};
  preview_.ClientToImage(p);
  const int x = p.x * 100 / layerImage_->Width();
  const int y = p.y * 100 / layerImage_->Height();
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  if (preset_.layout.GetPoints().empty()) return;
  const bool circle = preset_.layout.GetMode() == CLayoutData::kCircle;
  if (shift && circle && preset_.layout.GetPoints().size() < 2) return;
  StopRender();
  std::vector<Point>& points = WritablePreset().layout.GetPoints();
  if (!shift) {
    points.front() = Point{x, y};
  } else if (circle) {
    points[1] = Point{std::max(std::abs(x - points[0].x), 5), std::max(std::abs(y - points[0].y), 5)};
  } else {
    points.back() = Point{x, y};
  }
  WritablePreset().pathPosition = 0;
  ShowSettings();
}

void CSettingDialog::Apply() {
  ShowSettings();
  HWND list = ListOf(0);
  resultName_ = ListSelection(list) == ListCount(list) - 2 ? std::string(kLatestName)
                                                           : Narrow(ListText(list, ListSelection(list)));
  preset_.Save(kLatestName, true);
  SetWindowTextW(Handle(), Widen(text::kWaitForApply).c_str());
  suppressRender_ = 1;
  if (renderThread_.joinable()) renderThread_.join();
  ThrowRenderError();
  // The full-size lines of the render just finished, always: never the preview's quick picture.
  if (target_) {
    auto result = std::make_unique<Bitmap>(returnLines_ ? target_->Clone() : layerImage_->Clone());
    if (!result->Ok()) throw std::bad_alloc();
    if (!returnLines_) ComposeOver(*result, *target_);
    lineLayer_ = std::move(result);
  }
  suppressRender_ = 0;
  EndDialog(lineLayer_ ? IDOK : IDCANCEL);
}

void CSettingDialog::OnCancel() {
  suppressRender_ = 1;
  StopRender();
  job_.target = nullptr;
  target_.reset();
  lineLayer_.reset();
  resultName_.clear();
  EndDialog(IDCANCEL);
}

// --- window messages ---

void CSettingDialog::ThrowRenderError() {
  if (!renderError_) return;
  if (renderThread_.joinable()) renderThread_.join();
  std::exception_ptr error = renderError_;
  renderError_ = nullptr;
  std::rethrow_exception(error);
}

INT_PTR CSettingDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  switch (message) {
    case kRenderFailed:
      handled = true;
      ThrowRenderError();
      return 0;
    case WM_GETMINMAXINFO: {
      RECT client, window;
      GetClientRect(Handle(), &client);
      if (IsRectEmpty(&client)) return 0;
      GetWindowRect(Handle(), &window);
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      // The controls are sized by the dialog's font, which does not grow exactly with the DPI:
      // the drawing group and the tab area side by side must fit, whatever the scale (with the
      // margins LayoutControls leaves, the group then stays two pixels clear of the tab area).
      const int sideBySide =
          Width(ChildRect(Handle(), Item(IDC_DRAWING_GROUP))) + Width(ChildRect(Handle(), Item(IDC_TAB_AREA))) + Px(19);
      info->ptMinTrackSize.x = Width(window) - Width(client) + std::max(Px(kMinClientWidth), sideBySide);
      info->ptMinTrackSize.y = Height(window) - Height(client) + Px(kMinClientHeight);
      handled = true;
      return 0;
    }
    case WM_SIZE: LayoutControls(); return 0;
    case WM_DRAWITEM:
      if (wParam == IDC_COLOR) {
        colorButton_.DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        handled = true;
        return TRUE;
      }
      return 0;
    case WM_DESTROY: {
      StopRender();
      messageOwner_.reset();
      // Pictures posted to the preview and not yet taken would be lost with the window.
      CPictureBoxEx::DiscardPosted(preview_.Handle());
      return 0;
    }
  }
  return 0;
}

void CSettingDialog::LayoutControls() {
  const HWND d = Handle();
  if (!Item(IDC_TAB_AREA) || !sheet_.Handle()) return;
  RECT client;
  GetClientRect(d, &client);
  const int W = client.right, H = client.bottom;
  auto rect = [&](int id) { return ChildRect(d, Item(id)); };

  const RECT cancel0 = rect(IDC_CANCEL);
  const int cancelX = W - Px(10) - Width(cancel0), buttonY = H - Px(10) - Height(cancel0);
  MoveTo(Item(IDC_CANCEL), cancelX, buttonY, Width(cancel0), Height(cancel0));
  const RECT apply0 = rect(IDC_APPLY);
  const int applyX = cancelX - Px(5) - Width(apply0), applyY = H - Px(10) - Height(apply0);
  MoveTo(Item(IDC_APPLY), applyX, applyY, Width(apply0), Height(apply0));
  const RECT bar0 = rect(IDC_RENDER_PROGRESS);
  const int barY = H - Px(10) - Height(bar0);
  MoveTo(Item(IDC_RENDER_PROGRESS), Px(10), barY, applyX - Px(10) - Px(10), Height(bar0));

  const RECT tab0 = rect(IDC_TAB_AREA);
  const RECT tab{W - Px(5) - Width(tab0), 0, W - Px(5), applyY - Px(5)};
  MoveTo(Item(IDC_TAB_AREA), tab.left, tab.top, Width(tab), Height(tab));
  sheet_.Move(tab);

  const RECT group0 = rect(IDC_DRAWING_GROUP);
  const int groupX = (tab.left - Width(group0)) / 2 + Px(5), groupY = barY - Px(10) - Height(group0);
  MoveTo(Item(IDC_DRAWING_GROUP), groupX, groupY, Width(group0), Height(group0));
  const RECT color0 = rect(IDC_COLOR);
  const int colorY = groupY + (Height(group0) - Height(color0)) / 2 + Px(4);
  MoveTo(Item(IDC_COLOR), groupX + Px(7), colorY, Width(color0), Height(color0));
  const RECT aa0 = rect(IDC_ANTIALIAS);
  const int aaX = groupX + Px(7) + Width(color0) + Px(8);
  MoveTo(Item(IDC_ANTIALIAS), aaX, colorY, Width(aa0), Height(aa0));
  const RECT mask0 = rect(IDC_LENGTH_FROM_MASK);
  MoveTo(Item(IDC_LENGTH_FROM_MASK), aaX + Width(aa0) + Px(5), colorY, Width(mask0), Height(mask0));

  const RECT preview0 = rect(IDC_PREVIEW);
  const RECT preview{preview0.left, preview0.top, tab.left - Px(5), groupY - Px(22)};
  const RECT list0 = rect(IDC_PRESET_LIST);
  MoveTo(Item(IDC_PRESET_LIST), preview.left + (Width(preview) - Width(list0)) / 2, list0.top, Width(list0),
         Height(list0));

  const RECT minus = rect(IDC_ZOOM_OUT), label = rect(IDC_ZOOM_LABEL), plus = rect(IDC_ZOOM_IN),
             merged = rect(IDC_SHOW_MERGED);
  const int rowWidth = Width(minus) + Width(label) + Width(plus) + Width(merged) + Px(20);
  int x = preview.left + (Width(preview) - rowWidth) / 2;
  const int y = preview.bottom;
  MoveTo(Item(IDC_ZOOM_OUT), x, y, Width(minus), Height(minus));
  x += Width(minus) + Px(1);
  MoveTo(Item(IDC_ZOOM_LABEL), x, y, Width(label), Height(label));
  x += Width(label) + Px(1);
  MoveTo(Item(IDC_ZOOM_IN), x, y, Width(plus), Height(plus));
  x += Width(plus) + Px(21);
  MoveTo(Item(IDC_SHOW_MERGED), x, y, Width(merged), Height(merged));

  SetWindowPos(Item(IDC_PREVIEW), nullptr, preview.left, preview.top, Width(preview), Height(preview),
               SWP_NOZORDER | SWP_NOACTIVATE);
  // Everything moved: the whole dialog and every control is painted again, not a part of it.
  RedrawWindow(d, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace lumbra
