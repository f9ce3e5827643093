#include "testhost/TestHost.h"

#include <algorithm>
#include <cstring>

namespace lumbra::testhost {

using namespace host;

namespace {

TestHost* g_host = nullptr;  // the host whose run is in progress
HHOOK g_captionHook = nullptr;

// --- descriptor contents: [key][type][length][bytes]... in a handle ---
std::vector<uint8_t> Serialize(const std::vector<DescriptorValue>& values) {
  std::vector<uint8_t> out;
  auto put = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
  };
  for (const DescriptorValue& v : values) {
    put(v.key);
    put(v.type);
    put(static_cast<uint32_t>(v.bytes.size()));
    out.insert(out.end(), v.bytes.begin(), v.bytes.end());
  }
  return out;
}

std::vector<DescriptorValue> Deserialize(const std::vector<uint8_t>& in) {
  std::vector<DescriptorValue> values;
  size_t p = 0;
  auto get = [&](uint32_t& v) {
    if (in.size() - p < 4) return false;
    v = uint32_t(in[p]) | uint32_t(in[p + 1]) << 8 | uint32_t(in[p + 2]) << 16 | uint32_t(in[p + 3]) << 24;
    p += 4;
    return true;
  };
  DescriptorValue v;
  uint32_t length = 0;
  while (get(v.key) && get(v.type) && get(length) && in.size() - p >= length) {
    v.bytes.assign(in.begin() + p, in.begin() + p + length);
    p += length;
    values.push_back(v);
  }
  return values;
}

struct ReadToken {
  std::vector<DescriptorValue> values;
  size_t next = 0;
  const DescriptorValue* current = nullptr;
  DescriptorKeyID* expected = nullptr;
};
struct WriteToken {
  std::vector<DescriptorValue> values;
};

// --- the C entry points the plug-in calls ---
Handle NewProc(int32_t size) {
  return size < 0 ? nullptr : g_host->NewHandle(std::vector<uint8_t>(static_cast<size_t>(size)));
}
void DisposeProc(Handle h) { g_host->DisposeHandle(h); }
int32_t GetSizeProc(Handle h) { return static_cast<int32_t>(g_host->HandleBytes(h).size()); }
Ptr LockProc(Handle h, Boolean) { return h ? *h : nullptr; }
void UnlockProc(Handle) {}

PIReadDescriptor OpenRead(PIDescriptorHandle descriptor, DescriptorKeyID* expected) {
  if (!descriptor) return nullptr;
  auto* token = new ReadToken;
  token->values = Deserialize(g_host->HandleBytes(descriptor));
  token->expected = expected;
  return reinterpret_cast<PIReadDescriptor>(token);
}
OSErr CloseRead(PIReadDescriptor descriptor) {
  auto* token = reinterpret_cast<ReadToken*>(descriptor);
  OSErr result = noErr;
  for (DescriptorKeyID* k = token->expected; k && *k; ++k)
    if (*k != FourCC("null")) result = errMissingParameter;
  delete token;
  return result;
}
Boolean GetKey(PIReadDescriptor descriptor, DescriptorKeyID* key, DescriptorTypeID* type, int32_t* flags) {
  auto* token = reinterpret_cast<ReadToken*>(descriptor);
  if (token->next >= token->values.size()) return 0;
  token->current = &token->values[token->next++];
  *key = token->current->key;
  *type = token->current->type;
  *flags = 0;
  for (DescriptorKeyID* k = token->expected; k && *k; ++k)
    if (*k == *key) *k = FourCC("null");
  return 1;
}
OSErr GetString(PIReadDescriptor descriptor, Str255* dest) {
  auto* token = reinterpret_cast<ReadToken*>(descriptor);
  if (g_host->settings.unreadableStrings) return readErr;
  if (!token->current || token->current->type != typeChar) return paramErr;
  const size_t n = std::min<size_t>(token->current->bytes.size(), 255);
  (*dest)[0] = static_cast<unsigned char>(n);
  std::memcpy(*dest + 1, token->current->bytes.data(), n);
  return noErr;
}
PIWriteDescriptor OpenWrite() { return reinterpret_cast<PIWriteDescriptor>(new WriteToken); }
OSErr CloseWrite(PIWriteDescriptor descriptor, PIDescriptorHandle* out) {
  auto* token = reinterpret_cast<WriteToken*>(descriptor);
  *out = g_host->NewHandle(Serialize(token->values));
  delete token;
  return noErr;
}
OSErr PutString(PIWriteDescriptor descriptor, DescriptorKeyID key, const unsigned char* value) {
  auto* token = reinterpret_cast<WriteToken*>(descriptor);
  token->values.push_back({key, typeChar, std::vector<uint8_t>(value + 1, value + 1 + value[0])});
  return noErr;
}

OSErr AdvanceStateProc() { return g_host->AdvanceState(); }
Boolean AbortProc() { return g_host->TestAbort(); }
void ProgressProcEntry(int32_t done, int32_t total) { g_host->Progress(done, total); }
OSErr ColorServicesEntry(ColorServicesInfo* info) { return g_host->ChooseColor(info); }
SPErr AcquireSuiteEntry(const char* name, int32_t version, const void** suite) {
  return g_host->AcquireSuite(name, version, suite);
}
SPErr ReleaseSuiteEntry(const char* name, int32_t version) { return g_host->ReleaseSuite(name, version); }
SPErr CanReadEntry(PIChannelPort port, Boolean* canRead) {
  *canRead = port ? 1 : 0;
  return 0;
}
SPErr ReadPixelsEntry(PIChannelPort port, int32_t level, VRect* bounds, const PixelMemoryDesc* destination) {
  return g_host->ReadPixels(port, level, bounds, destination);
}

LRESULT CALLBACK CaptionHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && g_host) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (message->message == WM_SETTEXT && message->lParam)
      g_host->NoteCaption(message->hwnd, reinterpret_cast<const wchar_t*>(message->lParam));
  }
  return CallNextHookEx(g_captionHook, code, wParam, lParam);
}

bool IsEmpty(const Rect& r) { return r.right == 0 || r.right <= r.left || r.bottom <= r.top; }

int16_t ImageMode(const HostPicture& picture) {
  if (picture.depth == 16) return picture.grayscale ? plugInModeGray16 : plugInModeRGB48;
  return picture.grayscale ? plugInModeGrayScale : plugInModeRGBColor;
}

}  // namespace

HostPicture::HostPicture(int w, int h, bool grey, bool withTransparency)
    : width(w), height(h), grayscale(grey), transparency(withTransparency) {
  Allocate();
}

void HostPicture::Allocate() { planes.assign(static_cast<size_t>(width) * height * PlaneCount(), 0); }

HostPicture Reshaped(const HostPicture& from, bool layerMask, bool onePlaneTarget, int depth) {
  HostPicture to;
  to.width = from.width;
  to.height = from.height;
  to.grayscale = from.grayscale && !onePlaneTarget;
  to.transparency = from.transparency && !onePlaneTarget;
  to.layerMask = layerMask;
  to.onePlaneTarget = onePlaneTarget;
  to.depth = depth;
  to.mask = from.mask;
  to.Allocate();
  auto scale = [&](uint16_t v) { return depth == 16 ? static_cast<uint16_t>((v * 32768u + 127) / 255) : v; };
  for (int y = 0; y < to.height; ++y)
    for (int x = 0; x < to.width; ++x) {
      for (int p = 0; p < to.ColorPlanes(); ++p) to.At(x, y, p) = scale(from.At(x, y, p));
      if (to.transparency) to.At(x, y, to.TransparencyPlane()) = scale(from.At(x, y, from.TransparencyPlane()));
      if (layerMask) to.At(x, y, to.PlaneCount() - 1) = scale(static_cast<uint8_t>(x * 5 + y * 11 + 9));
    }
  for (const auto& plane : from.merged) {
    to.merged.push_back(plane);
    for (uint16_t& v : to.merged.back()) v = scale(v);
  }
  to.mergedTransparency = from.mergedTransparency;
  for (uint16_t& v : to.mergedTransparency) v = scale(v);
  return to;
}

TestHost::TestHost(const std::wstring& pluginPath) {
  module_ = LoadLibraryW(pluginPath.c_str());
  if (!module_) {
    loadError_ = "LoadLibrary failed with error " + std::to_string(GetLastError());
    return;
  }
  pipl_ = ParsePipl(ResourceBytes(module_, L"PIPL", 16000));
  if (!pipl_.error.empty()) {
    loadError_ = "PiPL: " + pipl_.error;
    return;
  }
  const std::string entryName = pipl_.CString(sizeof(void*) == 8 ? FourCC("8664") : FourCC("wx86"));
  entry_ = reinterpret_cast<PluginMainProc>(reinterpret_cast<void*>(GetProcAddress(module_, entryName.c_str())));
  if (!entry_) loadError_ = "no entry point named \"" + entryName + "\"";
  window_ = CreateWindowExW(0, L"STATIC", L"Test host", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr,
                            nullptr, nullptr);
}

TestHost::~TestHost() {
  if (descriptorParameters_.descriptor) DisposeHandle(descriptorParameters_.descriptor);
  if (window_) DestroyWindow(window_);
  if (module_) FreeLibrary(module_);
}

Handle TestHost::NewHandle(const std::vector<uint8_t>& bytes) {
  auto block = std::make_unique<HandleBlock>();
  block->bytes.assign(bytes.begin(), bytes.end());
  block->bytes.push_back(0);  // never a zero-length allocation
  block->data = block->bytes.data();
  Handle h = &block->data;
  handles_[h] = std::move(block);
  return h;
}

void TestHost::DisposeHandle(Handle h) {
  if (!h) return;
  if (handles_.erase(h) == 0) faults.push_back("disposeProc on a handle the host does not own");
}

std::vector<uint8_t> TestHost::HandleBytes(Handle h) const {
  auto it = handles_.find(h);
  if (it == handles_.end()) return {};
  return std::vector<uint8_t>(it->second->bytes.begin(), it->second->bytes.end() - 1);
}

void TestHost::BuildDocument() {
  channels_.clear();
  ports_.clear();
  document_ = ReadImageDocumentDesc{};
  document_.maxVersion = 6;
  document_.imageMode = settings.imageMode >= 0 ? settings.imageMode : ImageMode(picture);
  document_.depth = picture.depth;
  document_.bounds = VRect{0, 0, picture.height, picture.width};
  auto chain = [&](const std::vector<const std::vector<uint16_t>*>& planes) -> ReadChannelDesc* {
    ReadChannelDesc* head = nullptr;
    for (auto it = planes.rbegin(); it != planes.rend(); ++it) {
      auto port = std::make_unique<Port>();
      port->plane = *it;
      auto channel = std::make_unique<ReadChannelDesc>();
      channel->maxVersion = 5;
      channel->next = head;
      channel->port = reinterpret_cast<PIChannelPort>(port.get());
      channel->bounds = document_.bounds;
      channel->depth = picture.depth;
      head = channel.get();
      ports_.push_back(std::move(port));
      channels_.push_back(std::move(channel));
    }
    return head;
  };
  // The target list only needs its length; its ports read the merged planes too.
  std::vector<const std::vector<uint16_t>*> target(picture.grayscale ? 1 : 3, nullptr);
  std::vector<const std::vector<uint16_t>*> merged;
  for (const auto& plane : picture.merged) merged.push_back(&plane);
  for (auto& p : target) p = merged.empty() ? nullptr : merged.front();
  document_.targetCompositeChannels = chain(target);
  document_.mergedCompositeChannels = chain(merged);
  if (!picture.mergedTransparency.empty()) document_.mergedTransparency = chain({&picture.mergedTransparency});
}

void TestHost::PrepareRecord() {
  record_ = std::make_unique<FilterRecord>();
  std::memset(record_.get(), 0, sizeof(FilterRecord));
  FilterRecord& r = *record_;
  r.hostSig = kPhotoshopSignature;
  r.imageMode = settings.imageMode >= 0 ? settings.imageMode : ImageMode(picture);
  r.depth = picture.depth;
  r.imageSize = Point{int16_t(picture.height), int16_t(picture.width)};
  r.wholeSize = r.imageSize;
  r.filterRect = Rect{0, 0, int16_t(picture.height), int16_t(picture.width)};
  r.planes = int16_t(picture.PlaneCount());
  // The target's planes as this host counts them.
  const int16_t color = int16_t(picture.ColorPlanes());
  if (picture.onePlaneTarget) {
    (settings.flatAsNonLayerPlanes ? r.inNonLayerPlanes : r.inLayerMasks) = 1;
  } else {
    (settings.flatAsNonLayerPlanes ? r.inNonLayerPlanes : r.inLayerPlanes) = color;
  }
  r.inTransparencyMask = picture.transparency ? 1 : 0;
  r.inLayerMasks = int16_t(r.inLayerMasks + (picture.layerMask ? 1 : 0));
  r.outLayerPlanes = r.inLayerPlanes;
  r.outTransparencyMask = r.inTransparencyMask;
  r.outLayerMasks = r.inLayerMasks;
  r.outNonLayerPlanes = r.inNonLayerPlanes;
  r.haveMask = picture.mask.empty() ? 0 : 1;
  r.maxSpace = 1 << 30;
  r.maxSpace64 = int64_t{1} << 34;
  r.abortProc = &AbortProc;
  r.progressProc = &ProgressProcEntry;
  r.advanceState = settings.advanceState ? &AdvanceStateProc : nullptr;
  r.colorServices = settings.colorServices ? &ColorServicesEntry : nullptr;
  platformData_.hwnd = reinterpret_cast<intptr_t>(window_);
  r.platformData = settings.platformData ? &platformData_ : nullptr;

  handleProcs_ = HandleProcs{1, 8, &NewProc, &DisposeProc, &GetSizeProc, nullptr, &LockProc, &UnlockProc, nullptr,
                             &DisposeProc};
  if (settings.noDisposeProc) handleProcs_.disposeProc = nullptr;
  r.handleProcs = settings.handleProcs ? &handleProcs_ : nullptr;

  readProcs_ = ReadDescriptorProcs{};
  writeProcs_ = WriteDescriptorProcs{};
  readProcs_.numReadDescriptorProcs = 18;
  writeProcs_.numWriteDescriptorProcs = 16;
  if (!settings.nullDescriptorProcs) {
    readProcs_.openReadDescriptorProc = &OpenRead;
    readProcs_.closeReadDescriptorProc = &CloseRead;
    readProcs_.getKeyProc = &GetKey;
    readProcs_.getStringProc = &GetString;
    writeProcs_.openWriteDescriptorProc = &OpenWrite;
    writeProcs_.closeWriteDescriptorProc = &CloseWrite;
    writeProcs_.putStringProc = &PutString;
  }
  if (descriptorParameters_.descriptor) DisposeHandle(descriptorParameters_.descriptor);
  descriptorParameters_ = PIDescriptorParameters{};
  descriptorParameters_.descriptor = descriptor ? NewHandle(Serialize(*descriptor)) : nullptr;
  descriptorParameters_.readDescriptorProcs = settings.descriptorProcs ? &readProcs_ : nullptr;
  descriptorParameters_.writeDescriptorProcs = settings.descriptorProcs && settings.writeProcs ? &writeProcs_ : nullptr;
  r.descriptorParameters = settings.descriptorParameters ? &descriptorParameters_ : nullptr;

  basicSuite_ = SPBasicSuite{};
  basicSuite_.AcquireSuite = &AcquireSuiteEntry;
  basicSuite_.ReleaseSuite = &ReleaseSuiteEntry;
  r.sSPBasic = settings.basicSuite ? &basicSuite_ : nullptr;
  channelPorts_ = PSChannelPortsSuite1{};
  channelPorts_.CanRead = &CanReadEntry;
  channelPorts_.ReadPixelsFromLevel = &ReadPixelsEntry;
  BuildDocument();
  r.documentInfo = settings.documentInfo ? &document_ : nullptr;
}

int16_t TestHost::About() {
  if (!entry_) return filterBadParameters;
  AboutRecord about{};
  platformData_.hwnd = reinterpret_cast<intptr_t>(window_);
  about.platformData = &platformData_;
  about.sSPBasic = &basicSuite_;
  int16_t result = 12345;
  g_host = this;
  entry_(filterSelectorAbout, &about, &data_, &result);
  g_host = nullptr;
  return result;
}

int16_t TestHost::Call(int16_t selector) {
  if (!entry_) return filterBadParameters;
  if (!record_) PrepareRecord();
  g_host = this;
  currentSelector_ = selector;
  progressInSelector_ = 0;
  int16_t result = 12345;  // the plug-in must set it
  entry_(selector, record_.get(), &data_, &result);
  currentSelector_ = -1;
  g_host = nullptr;
  return result;
}

RunResult TestHost::Run(bool withParameters) {
  RunResult run;
  PrepareRecord();
  progressCalls.clear();
  captions.clear();
  captionsWhileHidden.clear();

  BYTE keys[256] = {};
  GetKeyboardState(keys);
  const BYTE savedCtrl = keys[VK_CONTROL];
  if (settings.ctrlDown) {
    keys[VK_CONTROL] |= 0x80;
    SetKeyboardState(keys);
  }
  g_host = this;
  g_captionHook = SetWindowsHookExW(WH_CALLWNDPROC, &CaptionHook, nullptr, GetCurrentThreadId());

  if (withParameters) Call(filterSelectorParameters);
  Call(filterSelectorPrepare);
  run.start = Call(filterSelectorStart);
  if (run.start == noErr) {
    const FilterRecord& r = *record_;
    while (!(IsEmpty(r.inRect) && IsEmpty(r.outRect) && IsEmpty(r.maskRect)) && run.continueCalls < 8) {
      DeliverOutput();
      run.continueResult = Call(filterSelectorContinue);
      ++run.continueCalls;
      if (run.continueResult != noErr) break;
      CommitOutput();
      run.committed = true;
    }
    if (run.continueCalls == 8) faults.push_back("the plug-in never emptied its rectangles");
    run.finish = Call(filterSelectorFinish);
    run.finishCalled = true;
  }
  // The host keeps what the plug-in recorded.
  if (PIDescriptorHandle written = descriptorParameters_.descriptor) {
    descriptor = Deserialize(HandleBytes(written));
    DisposeHandle(written);
    descriptorParameters_.descriptor = nullptr;
  } else {
    descriptor.reset();
  }

  UnhookWindowsHookEx(g_captionHook);
  g_captionHook = nullptr;
  g_host = nullptr;
  if (settings.ctrlDown) {
    keys[VK_CONTROL] = savedCtrl;
    SetKeyboardState(keys);
  }
  return run;
}

std::vector<uint8_t> TestHost::Interleave(const Rect& rect, int lo, int hi, int32_t& rowBytes) const {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  const int planes = hi - lo + 1;
  const int bytes = picture.depth / 8;
  rowBytes = width * planes * bytes + settings.rowPadding;
  std::vector<uint8_t> buffer(static_cast<size_t>(rowBytes) * height + 1, 0xCD);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int p = 0; p < planes; ++p) {
        const int plane = lo + p;
        const uint16_t v = plane < picture.PlaneCount() ? picture.At(rect.left + x, rect.top + y, plane) : 0;
        uint8_t* d = &buffer[static_cast<size_t>(y) * rowBytes + (x * planes + p) * bytes];
        d[0] = uint8_t(v);
        if (bytes == 2) d[1] = uint8_t(v >> 8);
      }
  return buffer;
}

OSErr TestHost::AdvanceState() {
  FilterRecord& r = *record_;
  if (IsEmpty(r.inRect)) {
    r.inData = nullptr;
  } else {
    inBuffer_ = Interleave(r.inRect, r.inLoPlane, r.inHiPlane, r.inRowBytes);
    r.inData = inBuffer_.data();
    r.inColumnBytes = settings.columnBytesZero ? 0 : (r.inHiPlane - r.inLoPlane + 1) * picture.depth / 8;
  }
  if (!IsEmpty(r.maskRect) && !picture.mask.empty()) {
    const int width = r.maskRect.right - r.maskRect.left;
    r.maskRowBytes = width + settings.rowPadding;
    maskBuffer_.assign(static_cast<size_t>(r.maskRowBytes) * (r.maskRect.bottom - r.maskRect.top), 0);
    for (int y = r.maskRect.top; y < r.maskRect.bottom; ++y)
      for (int x = r.maskRect.left; x < r.maskRect.right; ++x)
        maskBuffer_[static_cast<size_t>(y - r.maskRect.top) * r.maskRowBytes + (x - r.maskRect.left)] =
            picture.mask[static_cast<size_t>(y) * picture.width + x];
    r.maskData = maskBuffer_.data();
  } else {
    r.maskData = nullptr;
  }
  return noErr;
}

void TestHost::DeliverOutput() {
  FilterRecord& r = *record_;
  AdvanceState();
  outRectDelivered_ = r.outRect;
  outLo_ = r.outLoPlane;
  outHi_ = r.outHiPlane;
  if (IsEmpty(r.outRect)) {
    r.outData = nullptr;
    return;
  }
  // The source is copied to the destination before the filter runs.
  outBuffer_ = Interleave(r.outRect, outLo_, outHi_, r.outRowBytes);
  r.outData = outBuffer_.data();
  r.outColumnBytes = settings.columnBytesZero ? 0 : (outHi_ - outLo_ + 1) * picture.depth / 8;
}

void TestHost::CommitOutput() {
  const Rect& rect = outRectDelivered_;
  if (IsEmpty(rect)) return;
  const FilterRecord& r = *record_;
  const int planes = outHi_ - outLo_ + 1;
  const int bytes = picture.depth / 8;
  for (int y = rect.top; y < rect.bottom; ++y)
    for (int x = rect.left; x < rect.right; ++x) {
      // The host applies the selection: unselected pixels keep their value.
      const int m = picture.mask.empty() ? 255 : picture.mask[static_cast<size_t>(y) * picture.width + x];
      for (int p = 0; p < planes && outLo_ + p < picture.PlaneCount(); ++p) {
        const uint8_t* s =
            &outBuffer_[static_cast<size_t>(y - rect.top) * r.outRowBytes + ((x - rect.left) * planes + p) * bytes];
        const int out = bytes == 2 ? s[0] | s[1] << 8 : s[0];
        uint16_t& target = picture.At(x, y, outLo_ + p);
        target = static_cast<uint16_t>(target + ((out - target) * m + (out >= target ? 127 : -127)) / 255);
      }
    }
}

Boolean TestHost::TestAbort() {
  return settings.abortSelector == currentSelector_ && progressInSelector_ >= settings.abortAtProgressCall ? 1 : 0;
}

void TestHost::Progress(int32_t done, int32_t total) {
  progressCalls.emplace_back(done, total);
  ++progressInSelector_;
}

OSErr TestHost::ChooseColor(ColorServicesInfo* info) {
  ++colorPickerCalls;
  pickerInfoSize = info->infoSize;
  pickerSourceSpace = info->sourceSpace;
  if (info->reservedSourceSpaceInfo || info->reservedResultSpaceInfo || info->reserved) return paramErr;
  if (settings.pickerCancels) return userCanceledErr;
  for (int i = 0; i < 3; ++i) info->colorComponents[i] = settings.pickedColor[i];
  return noErr;
}

SPErr TestHost::AcquireSuite(const char* name, int32_t version, const void** suite) {
  if (!settings.channelPortsSuite || std::strcmp(name, kPSChannelPortsSuite) != 0 || version < 2 || version > 3) {
    *suite = nullptr;
    return static_cast<SPErr>(FourCC("S!Fd"));
  }
  ++suitesAcquired;
  *suite = &channelPorts_;
  return 0;
}

SPErr TestHost::ReleaseSuite(const char*, int32_t) {
  ++suitesReleased;
  return 0;
}

SPErr TestHost::ReadPixels(PIChannelPort port, int32_t level, VRect* bounds, const PixelMemoryDesc* destination) {
  ++channelReads;
  const auto* source = reinterpret_cast<const Port*>(port);
  if (level != 0 || !source || !source->plane || source->plane->empty()) return -30910;
  // The channel's own depth only (this host converts nothing), samples side by side.
  const int depth = picture.depth;
  if (destination->depth != depth || destination->colBits != depth || destination->bitOffset != 0) return -30914;
  const VRect b = *bounds;
  if (b.left < 0 || b.top < 0 || b.right > picture.width || b.bottom > picture.height) return paramErr;
  const int bytes = depth / 8;
  const int rowBytes = destination->rowBits / 8;
  if (rowBytes < (b.right - b.left) * bytes) return -30911;
  auto* out = static_cast<uint8_t*>(destination->data);
  for (int y = b.top; y < b.bottom; ++y)
    for (int x = b.left; x < b.right; ++x) {
      const uint16_t v = (*source->plane)[static_cast<size_t>(y) * picture.width + x];
      uint8_t* d = out + static_cast<size_t>(y - b.top) * rowBytes + static_cast<size_t>(x - b.left) * bytes;
      d[0] = uint8_t(v);
      if (bytes == 2) d[1] = uint8_t(v >> 8);
    }
  return 0;
}

void TestHost::NoteCaption(HWND window, const wchar_t* text) {
  wchar_t className[32] = {};
  GetClassNameW(window, className, 32);
  if (std::wstring(className) != L"#32770" || !GetDlgItem(window, 1089)) return;
  captions.emplace_back(text);
  if (!IsWindowVisible(window)) captionsWhileHidden.emplace_back(text);
  if (!settings.pressButtonOnCaption.empty() && settings.pressButtonOnCaption == text) {
    if (settings.closeInsteadOfPress) {
      PostMessageW(window, WM_CLOSE, 0, 0);
    } else {
      PostMessageW(window, WM_COMMAND, MAKEWPARAM(1089, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, 1089)));
    }
  }
}

}  // namespace lumbra::testhost
