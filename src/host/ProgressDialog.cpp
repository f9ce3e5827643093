#include "host/ProgressDialog.h"

#include <commctrl.h>

#include <vector>

#include "host/RecordPlanes.h"
#include "host/model/PixelTransfer.h"
#include "platform/MessageService.h"
#include "platform/MessageServiceWin32.h"
#include "resources/resource.h"
#include "ui/framework/Module.h"

namespace lumbra {

using namespace host;

namespace {

bool CtrlIsDown() { return (GetKeyState(VK_CONTROL) & 0x8000) != 0; }

int CountChannels(const ReadChannelDesc* channel) {
  int n = 0;
  for (; channel; channel = channel->next) ++n;
  return n;
}

}  // namespace

CProgressDialog::CProgressDialog(HWND parent) : CDialog(IDD_PROGRESS, parent) {}

namespace {
constexpr UINT kStartWork = WM_APP + 1;
}

INT_PTR CProgressDialog::OnMessage(UINT message, WPARAM wParam, LPARAM, bool& handled) {
  // WM_SHOWWINDOW comes before the window is on screen: the work starts once it is, so the
  // bar and its button are seen while the pixels are converted.
  if (message == WM_SHOWWINDOW && wParam && !working_) {
    working_ = true;
    PostMessageW(Handle(), kStartWork, 0, 0);
  } else if (message == kStartWork) {
    handled = true;
    UpdateWindow(Handle());
    RunWork();
  }
  return 0;
}

bool CProgressDialog::OnCommand(int id, int code, HWND control) {
  if (id == IDC_PROGRESS_BUTTON && code == BN_CLICKED) {
    m_bStop = 1;
    return true;
  }
  return CDialog::OnCommand(id, code, control);
}

void CProgressDialog::RunWork() {
  const bool ctrlAtStart = CtrlIsDown();
  if (MakeLayerImage()) {
    const bool ctrlNow = CtrlIsDown();
    if (m_pFilter->documentInfo && !ctrlAtStart && !ctrlNow) MakeMergedImage();
    EndDialog(IDOK);
  } else {
    m_pLayerImage.reset();
    EndDialog(IDCANCEL);
  }
}

void CProgressDialog::PumpOneMessage() {
  MSG message;
  if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return;
  if (message.message == WM_QUIT) {
    PostQuitMessage(static_cast<int>(message.wParam));
    m_bStop = 1;
    return;
  }
  if (IsDialogMessageW(Handle(), &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

void CProgressDialog::SetProgress(int position) { SendDlgItemMessageW(Handle(), IDC_PROGRESS_BAR, PBM_SETPOS, position, 0); }

void CProgressDialog::SetCaption(int stringId) { SetWindowTextW(Handle(), LoadResourceString(stringId).c_str()); }

bool CProgressDialog::MakeLayerImage() {
  SetCaption(IDS_MAKING_LAYER_IMAGE);
  m_bStop = 0;
  SendDlgItemMessageW(Handle(), IDC_PROGRESS_BAR, PBM_SETRANGE32, 0, m_nHeight);

  m_pLayerImage = std::make_unique<Bitmap>(m_nWidth, m_nHeight);
  if (!m_pLayerImage->Ok()) {
    const ScopedMessageOwner owner(Handle());
    ShowMessage("Too small to create the base image.", "Memory leak error", MessageIcon::Error);
    return false;
  }
  const FilterRecord& r = *m_pFilter;
  const HostPlanes in = InputPlanes(r);
  if (!in.data) return false;
  for (int y = 0; y < m_nHeight; ++y) {
    PumpOneMessage();
    if (m_bStop) return false;
    SetProgress(y);
    ReadLayerRow(in, y, *m_pLayerImage);
  }
  return true;
}

void CProgressDialog::MakeMergedImage() {
  SetCaption(IDS_READING_MERGED_IMAGE);
  const ReadImageDocumentDesc& document = *m_pFilter->documentInfo;
  const int colorPlanes = IsGreyMode(*m_pFilter) ? 1 : 3;
  const ReadChannelDesc* channel = document.mergedCompositeChannels ? document.mergedCompositeChannels
                                                                    : document.alphaChannels;
  // Only the planes the image mode needs are read, into a buffer of exactly that many; a list
  // with fewer gives no merged image.
  if (CountChannels(channel) < colorPlanes) return;
  const size_t planeSize = static_cast<size_t>(m_nWidth) * static_cast<size_t>(m_nHeight);
  std::vector<uint8_t> planes;
  try {
    planes.resize(planeSize * static_cast<size_t>(colorPlanes));
  } catch (const std::bad_alloc&) {
    return;
  }
  const uint8_t* planePointers[3] = {};
  for (int k = 0; k < colorPlanes; ++k, channel = channel->next) {
    uint8_t* plane = planes.data() + planeSize * static_cast<size_t>(k);
    if (!ReadChannel(channel, plane)) return;
    planePointers[k] = plane;
  }
  // A transparency that cannot be read counts as opaque.
  std::vector<uint8_t> transparency;
  if (document.mergedTransparency) {
    try {
      transparency.resize(planeSize);
      if (!ReadChannel(document.mergedTransparency, transparency.data())) transparency.clear();
    } catch (const std::bad_alloc&) {
      transparency.clear();
    }
  }

  SetCaption(IDS_MAKING_MERGED_IMAGE);
  SetDlgItemTextW(Handle(), IDC_PROGRESS_BUTTON, LoadResourceString(IDS_SKIP).c_str());
  m_pMergedImage = std::make_unique<Bitmap>(m_nWidth, m_nHeight);
  if (!m_pMergedImage->Ok()) {
    m_pMergedImage.reset();
    return;
  }
  for (int y = 0; y < m_nHeight; ++y) {
    PumpOneMessage();
    if (m_bStop) {
      m_pMergedImage.reset();
      return;
    }
    SetProgress(y);
    ReadMergedRow(planePointers, colorPlanes, transparency.empty() ? nullptr : transparency.data(), y,
                  *m_pMergedImage);
  }
}

bool CProgressDialog::ReadChannel(const ReadChannelDesc* channel, uint8_t* destination) {
  const FilterRecord& r = *m_pFilter;
  if (!r.sSPBasic || !r.sSPBasic->AcquireSuite || !channel || !channel->port || !destination) return false;
  // 16-bit channels are read whole and scaled to the byte a pixel our pictures hold.
  if (channel->depth != 8 && channel->depth != 16) return false;
  std::vector<uint16_t> deep;
  try {
    if (channel->depth == 16) deep.resize(static_cast<size_t>(m_nWidth) * static_cast<size_t>(m_nHeight));
  } catch (const std::bad_alloc&) {
    return false;  // no merged image; the run goes on
  }
  void* target = deep.empty() ? static_cast<void*>(destination) : static_cast<void*>(deep.data());
  const void* suitePointer = nullptr;
  if (r.sSPBasic->AcquireSuite(kPSChannelPortsSuite, kPSChannelPortsSuiteVersion3, &suitePointer) != 0 ||
      !suitePointer)
    return false;
  const auto* suite = static_cast<const PSChannelPortsSuite1*>(suitePointer);
  bool ok = false;
  Boolean canRead = 0;
  if (suite->CanRead && suite->ReadPixelsFromLevel && suite->CanRead(channel->port, &canRead) == 0 && canRead) {
    VRect bounds{r.filterRect.top, r.filterRect.left, r.filterRect.bottom, r.filterRect.right};
    PixelMemoryDesc memory{target, m_nWidth * channel->depth, channel->depth, 0, channel->depth};
    ok = suite->ReadPixelsFromLevel(channel->port, 0, &bounds, &memory) == 0;
  }
  if (r.sSPBasic->ReleaseSuite) r.sSPBasic->ReleaseSuite(kPSChannelPortsSuite, kPSChannelPortsSuiteVersion3);
  for (size_t i = 0; ok && i < deep.size(); ++i) destination[i] = Host16To8(deep[i]);
  return ok;
}

}  // namespace lumbra
