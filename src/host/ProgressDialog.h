// The small progress bar that Start shows while it turns the host's pixels into the layer image
// and the merged image. Its button cancels the run while the layer image is made and skips the
// merged image while that is made; holding Ctrl when the filter starts skips the merged image.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/Bitmap.h"
#include "host/HostInterface.h"
#include "ui/framework/Dialog.h"

namespace lumbra {

class CProgressDialog : public CDialog {
 public:
  explicit CProgressDialog(HWND parent);

  host::FilterRecord* m_pFilter = nullptr;
  int m_nWidth = 0;
  int m_nHeight = 0;
  // Handed to Start after the dialog ran; never released by the dialog on its own.
  std::unique_ptr<Bitmap> m_pLayerImage;
  std::unique_ptr<Bitmap> m_pMergedImage;
  uint8_t m_bStop = 0;

  bool MakeLayerImage();
  void MakeMergedImage();
  // Reads one 8-bit channel of the filter rectangle into `destination` (width x height bytes).
  bool ReadChannel(const host::ReadChannelDesc* channel, uint8_t* destination);

 protected:
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnCancel() override { m_bStop = 1; }

 private:
  void RunWork();
  // Takes and dispatches one pending message, so the button answers between rows.
  void PumpOneMessage();
  void SetProgress(int position);
  void SetCaption(int stringId);

  bool working_ = false;
};

}  // namespace lumbra
