#include "testhost/WicPng.h"

#include <wincodec.h>

#include "host/model/PixelTransfer.h"

namespace lumbra::testhost {

namespace {

template <typename T>
struct ComPtr {
  T* p = nullptr;
  ~ComPtr() {
    if (p) p->Release();
  }
  T** operator&() { return &p; }
  T* operator->() const { return p; }
};

struct ComScope {
  HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ~ComScope() {
    if (SUCCEEDED(hr)) CoUninitialize();
  }
};

std::string Failed(const char* what, HRESULT hr) {
  char text[96];
  wsprintfA(text, "%s failed (0x%08lX)", what, static_cast<unsigned long>(hr));
  return text;
}

HRESULT CreateFactory(ComPtr<IWICImagingFactory>& factory) {
  return CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                          reinterpret_cast<void**>(&factory));
}

}  // namespace

bool LoadPng(const std::wstring& path, bool grayscale, HostPicture& picture, std::string& error) {
  ComScope com;
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICBitmapSource> converted;
  HRESULT hr = CreateFactory(factory);
  if (FAILED(hr)) return error = Failed("creating the imaging factory", hr), false;
  hr = factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand, &decoder);
  if (FAILED(hr)) return error = Failed("opening the picture", hr), false;
  if (FAILED(hr = decoder->GetFrame(0, &frame))) return error = Failed("reading the picture", hr), false;
  WICPixelFormatGUID format{};
  frame->GetPixelFormat(&format);
  const bool alpha = !grayscale && (format == GUID_WICPixelFormat32bppBGRA || format == GUID_WICPixelFormat32bppRGBA ||
                                    format == GUID_WICPixelFormat64bppRGBA);
  hr = WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.p, &converted);
  if (FAILED(hr)) return error = Failed("converting the picture", hr), false;
  UINT width = 0, height = 0;
  converted->GetSize(&width, &height);
  std::vector<uint8_t> bgra(static_cast<size_t>(width) * height * 4);
  hr = converted->CopyPixels(nullptr, width * 4, static_cast<UINT>(bgra.size()), bgra.data());
  if (FAILED(hr)) return error = Failed("reading the pixels", hr), false;

  picture = HostPicture(static_cast<int>(width), static_cast<int>(height), grayscale, alpha);
  for (UINT y = 0; y < height; ++y)
    for (UINT x = 0; x < width; ++x) {
      const uint8_t* s = &bgra[(static_cast<size_t>(y) * width + x) * 4];
      if (grayscale) {
        picture.At(x, y, 0) = static_cast<uint8_t>((s[2] * 299 + s[1] * 587 + s[0] * 114 + 500) / 1000);
      } else {
        picture.At(x, y, 0) = s[2];
        picture.At(x, y, 1) = s[1];
        picture.At(x, y, 2) = s[0];
        if (alpha) picture.At(x, y, 3) = s[3];
      }
    }
  return true;
}

bool SavePng(const std::wstring& path, const HostPicture& picture, std::string& error) {
  ComScope com;
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  HRESULT hr = CreateFactory(factory);
  if (FAILED(hr)) return error = Failed("creating the imaging factory", hr), false;
  if (FAILED(hr = factory->CreateStream(&stream))) return error = Failed("creating a stream", hr), false;
  if (FAILED(hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)))
    return error = Failed("creating the output file", hr), false;
  if (FAILED(hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)))
    return error = Failed("creating the PNG encoder", hr), false;
  encoder->Initialize(stream.p, WICBitmapEncoderNoCache);
  if (FAILED(hr = encoder->CreateNewFrame(&frame, nullptr))) return error = Failed("creating the frame", hr), false;
  frame->Initialize(nullptr);
  const UINT width = static_cast<UINT>(picture.width), height = static_cast<UINT>(picture.height);
  frame->SetSize(width, height);
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  frame->SetPixelFormat(&format);
  std::vector<uint8_t> bgra(static_cast<size_t>(width) * height * 4);
  for (UINT y = 0; y < height; ++y)
    for (UINT x = 0; x < width; ++x) {
      uint8_t* d = &bgra[(static_cast<size_t>(y) * width + x) * 4];
      // 16-bit samples are shown in 8 bits; a one-plane target as grey.
      auto sample = [&](int plane) {
        const uint16_t v = picture.At(x, y, plane);
        return picture.depth == 16 ? Host16To8(v) : static_cast<uint8_t>(v);
      };
      const bool grey = picture.ColorPlanes() == 1;
      d[0] = sample(grey ? 0 : 2);
      d[1] = sample(grey ? 0 : 1);
      d[2] = sample(0);
      d[3] = picture.transparency ? sample(picture.TransparencyPlane()) : 255;
    }
  hr = frame->WritePixels(height, width * 4, static_cast<UINT>(bgra.size()), bgra.data());
  if (FAILED(hr) || FAILED(hr = frame->Commit()) || FAILED(hr = encoder->Commit()))
    return error = Failed("writing the PNG", hr), false;
  return true;
}

}  // namespace lumbra::testhost
