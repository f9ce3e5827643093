// Our stand-in for the host program: loads a filter module, checks its PiPL, and drives its
// selectors over a picture held in memory exactly as the host does, answering every callback
// the plug-in may use (advanceState, progress and abort, handles, the scripting descriptor, the
// basic suite with the channel-ports suite, the document description, colour services).
//
// What the host offers can be switched off piece by piece, and its answers scripted, so tests
// can play the hosts that differ from the published interface.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/HostInterface.h"
#include "testhost/Resources.h"

namespace lumbra::testhost {

// The document as the host holds it: interleaved planes in the host's order (grey or R, G, B, then
// transparency, then a layer mask), 8-bit samples or 16-bit ones in the host's 0..32768.
struct HostPicture {
  int width = 0;
  int height = 0;
  bool grayscale = false;       // the document's mode: grey, else RGB
  bool transparency = false;
  bool layerMask = false;       // a layer mask plane follows the transparency
  bool onePlaneTarget = false;  // the target is one plane of the document (a layer mask, an alpha channel)
  int depth = 8;                // 8 or 16
  std::vector<uint16_t> planes;
  // The selection: one byte a pixel, 255 selected; empty for none.
  std::vector<uint8_t> mask;
  // All visible layers merged, as separate planes (one or three) of the picture's depth, and their
  // transparency; empty when the document offers none.
  std::vector<std::vector<uint16_t>> merged;
  std::vector<uint16_t> mergedTransparency;

  HostPicture() = default;
  HostPicture(int w, int h, bool grey, bool withTransparency);
  // Sizes the planes for the shape set in the fields (all samples 0).
  void Allocate();
  int ColorPlanes() const { return grayscale || onePlaneTarget ? 1 : 3; }
  int TransparencyPlane() const { return ColorPlanes(); }
  int PlaneCount() const { return ColorPlanes() + (transparency ? 1 : 0) + (layerMask ? 1 : 0); }
  uint16_t& At(int x, int y, int plane) {
    return planes[(static_cast<size_t>(y) * width + x) * PlaneCount() + plane];
  }
  uint16_t At(int x, int y, int plane) const {
    return planes[(static_cast<size_t>(y) * width + x) * PlaneCount() + plane];
  }
};

// `from` (8-bit) in another shape: a layer mask plane after its transparency (a pattern of its
// own), its first plane alone as the target in an RGB document, 16-bit samples (scaled to the
// host's range).
HostPicture Reshaped(const HostPicture& from, bool layerMask, bool onePlaneTarget, int depth);

struct HostSettings {
  bool basicSuite = true;
  bool channelPortsSuite = true;
  bool documentInfo = true;
  bool descriptorParameters = true;
  bool descriptorProcs = true;          // the read and write procedure tables
  bool nullDescriptorProcs = false;     // the tables are there, every procedure pointer null
  bool writeProcs = true;
  bool handleProcs = true;
  bool colorServices = true;
  bool advanceState = true;
  bool platformData = true;
  int rowPadding = 0;  // bytes after each delivered row
  // abortProc answers true from the given progress call on (counted within one selector).
  int16_t abortSelector = -1;
  int abortAtProgressCall = 0;
  // Ctrl held while the filter starts.
  bool ctrlDown = false;
  // When the progress bar's caption becomes this text, its button is pressed (or its window
  // closed).
  std::wstring pressButtonOnCaption;
  bool closeInsteadOfPress = false;
  // The colour picker's answer (R, G, B), or a cancel.
  int16_t pickedColor[3] = {0, 0, 0};
  bool pickerCancels = false;
  // getStringProc answers readErr.
  bool unreadableStrings = false;
  // How hosts differ in describing the picture: colour planes given as non-layer planes
  // (0 layer planes, as for a flat picture or background layer; a one-plane target is then an
  // alpha channel, else a layer mask); the column step left 0; no disposeProc among the handle
  // procedures.
  bool flatAsNonLayerPlanes = false;
  bool columnBytesZero = false;
  bool noDisposeProc = false;
  // The image mode reported instead of the picture's (CMYK, say); -1 for the picture's own.
  int16_t imageMode = -1;
};

// One value of the host's scripting descriptor.
struct DescriptorValue {
  uint32_t key = 0;
  uint32_t type = 0;
  std::vector<uint8_t> bytes;
};

struct RunResult {
  int16_t start = 0;
  int16_t continueResult = 0;
  int16_t finish = 0;
  bool finishCalled = false;
  int continueCalls = 0;
  bool committed = false;  // the output was taken into the picture
};

class TestHost {
 public:
  explicit TestHost(const std::wstring& pluginPath);
  ~TestHost();
  TestHost(const TestHost&) = delete;
  TestHost& operator=(const TestHost&) = delete;

  bool Loaded() const { return entry_ != nullptr; }
  const std::string& LoadError() const { return loadError_; }
  const Pipl& PiplInfo() const { return pipl_; }
  HWND Window() const { return window_; }
  HMODULE Module() const { return module_; }

  HostPicture picture;
  HostSettings settings;
  // The recorded parameters the host keeps for the filter (what Finish wrote, or a script's).
  std::optional<std::vector<DescriptorValue>> descriptor;

  int16_t About();
  // One call with the filter record as it stands.
  int16_t Call(int16_t selector);
  // One filter run: Parameters (with a dialog), Prepare, Start, Continue while a rectangle is
  // requested, Finish when Start succeeded; the output is committed (through the selection)
  // when Continue succeeds.
  RunResult Run(bool withParameters);

  // What the plug-in did, recorded by the callbacks.
  std::vector<std::pair<int32_t, int32_t>> progressCalls;
  std::vector<std::wstring> captions;  // every caption the progress bar showed
  std::vector<std::wstring> captionsWhileHidden;  // ... of those, the ones set while it was not on screen
  int channelReads = 0;
  int suitesAcquired = 0;
  int suitesReleased = 0;
  int colorPickerCalls = 0;
  int32_t pickerInfoSize = 0;
  int16_t pickerSourceSpace = -1;
  std::vector<std::string> faults;  // protocol errors seen by the host (bad handles, ...)
  int LiveHandles() const { return static_cast<int>(handles_.size()); }

  host::FilterRecord& Record() { return *record_; }

  // Handle services, also used by the callbacks.
  host::Handle NewHandle(const std::vector<uint8_t>& bytes);
  void DisposeHandle(host::Handle h);
  std::vector<uint8_t> HandleBytes(host::Handle h) const;

  // Callback bodies (the C entry points forward here).
  host::OSErr AdvanceState();
  host::Boolean TestAbort();
  void Progress(int32_t done, int32_t total);
  host::OSErr ChooseColor(host::ColorServicesInfo* info);
  host::SPErr AcquireSuite(const char* name, int32_t version, const void** suite);
  host::SPErr ReleaseSuite(const char* name, int32_t version);
  host::SPErr ReadPixels(host::PIChannelPort port, int32_t level, host::VRect* bounds,
                         const host::PixelMemoryDesc* destination);
  void NoteCaption(HWND window, const wchar_t* text);

 private:
  struct HandleBlock {
    std::vector<char> bytes;
    char* data = nullptr;
  };
  struct Port {
    const std::vector<uint16_t>* plane = nullptr;
  };

  void PrepareRecord();
  void BuildDocument();
  void DeliverOutput();
  void CommitOutput();
  std::vector<uint8_t> Interleave(const host::Rect& rect, int lo, int hi, int32_t& rowBytes) const;

  HMODULE module_ = nullptr;
  host::PluginMainProc entry_ = nullptr;
  std::string loadError_;
  Pipl pipl_;
  HWND window_ = nullptr;

  std::unique_ptr<host::FilterRecord> record_;
  intptr_t data_ = 0;
  int16_t currentSelector_ = -1;
  int progressInSelector_ = 0;
  host::PlatformData platformData_{};
  host::HandleProcs handleProcs_{};
  host::PIDescriptorParameters descriptorParameters_{};
  host::ReadDescriptorProcs readProcs_{};
  host::WriteDescriptorProcs writeProcs_{};
  host::SPBasicSuite basicSuite_{};
  host::PSChannelPortsSuite1 channelPorts_{};
  host::ReadImageDocumentDesc document_{};
  std::vector<std::unique_ptr<host::ReadChannelDesc>> channels_;
  std::vector<std::unique_ptr<Port>> ports_;
  std::map<host::Handle, std::unique_ptr<HandleBlock>> handles_;
  std::vector<uint8_t> inBuffer_, outBuffer_, maskBuffer_;
  host::Rect outRectDelivered_{};
  int outLo_ = 0, outHi_ = -1;
};

}  // namespace lumbra::testhost
