#include "plugin/PluginFixture.h"

#include <windows.h>

#include <filesystem>

#include "engine/Compose.h"
#include "engine/Render.h"
#include "host/model/PixelTransfer.h"
#include "platform/Encoding.h"

namespace lumbra::test {

using testhost::HostPicture;

std::wstring BuiltPluginPath(const wchar_t* name) {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return (std::filesystem::path(std::wstring(path, n)).parent_path() / name).wstring();
}

std::wstring CopyPluginInto(const std::string& folder, const wchar_t* name) {
  const std::filesystem::path target = PathFromUtf8(folder) / name;
  std::filesystem::copy_file(BuiltPluginPath(name), target, std::filesystem::copy_options::overwrite_existing);
  return target.wstring();
}

HostPicture PatternPicture(int width, int height, bool grayscale, bool transparency) {
  HostPicture picture(width, height, grayscale, transparency);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int p = 0; p < picture.PlaneCount(); ++p) picture.At(x, y, p) = static_cast<uint8_t>(x * 7 + y * 3 + p * 50);
  // The left quarter fully transparent, where drawn lines must become opaque.
  if (transparency)
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width / 4; ++x) picture.At(x, y, picture.PlaneCount() - 1) = 0;
  return picture;
}

CPresetData SteadyPreset() {
  CPresetData preset;
  preset.layout.SetDefaultCircle();
  preset.color = 0xFFC81E32;
  preset.antialias = 1;
  preset.drawSide = 0;
  preset.interval = 4;
  preset.jitter = 0;
  preset.overshoot = 0;
  preset.length = 40;
  preset.minLengthPercent = 100;
  preset.thickness = 5;
  preset.minThicknessPercent = 100;
  return preset;
}

void StorePreset(const std::string& name, CPresetData preset) {
  ASSERT_TRUE(preset.layout.Save(name, false));
  ASSERT_TRUE(preset.layout.Load(name));
  ASSERT_TRUE(preset.ruler.Save(name, false));
  ASSERT_TRUE(preset.ruler.Load(name));
  ASSERT_TRUE(preset.Save(name, false));
}

Bitmap LayerImageOf(const HostPicture& picture) {
  Bitmap image(picture.width, picture.height);
  const bool grey = picture.ColorPlanes() == 1;
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      const uint32_t r = picture.At(x, y, 0);
      const uint32_t g = grey ? r : picture.At(x, y, 1);
      const uint32_t b = grey ? r : picture.At(x, y, 2);
      const uint32_t a = picture.transparency ? picture.At(x, y, picture.TransparencyPlane()) : 255;
      image.SetPixel(x, y, a << 24 | r << 16 | g << 8 | b);
    }
  return image;
}

HostPicture ExpectedResult(const HostPicture& picture, const std::string& name) {
  CPresetData preset;
  preset.grayscale = picture.ColorPlanes() == 1;
  EXPECT_TRUE(preset.Load(name));
  Bitmap lines(picture.width, picture.height);
  RenderJob job;
  job.preset = &preset;
  job.target = &lines;
  RenderLines(job);

  HostPicture result = picture;
  const int colors = picture.ColorPlanes();
  if (picture.depth == 16) {
    // The host's samples as they lie: colour planes first, then the transparency.
    HostPlanes planes;
    planes.data = reinterpret_cast<uint8_t*>(result.planes.data());
    planes.rowBytes = picture.width * picture.PlaneCount() * 2;
    planes.columnBytes = picture.PlaneCount() * 2;
    planes.bytesPerSample = 2;
    planes.colorPlanes = colors;
    planes.transparencyOffset = picture.transparency ? picture.TransparencyPlane() : -1;
    for (int y = 0; y < picture.height; ++y) ComposeLinesRow16(lines, y, planes, planes);
    return result;
  }
  Bitmap composed = LayerImageOf(picture);
  ComposeOver(composed, lines);
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      const uint32_t e = composed.GetPixel(x, y);
      if (colors == 1) {
        result.At(x, y, 0) = static_cast<uint16_t>(e & 0xFF);
      } else {
        result.At(x, y, 0) = static_cast<uint16_t>(e >> 16 & 0xFF);
        result.At(x, y, 1) = static_cast<uint16_t>(e >> 8 & 0xFF);
        result.At(x, y, 2) = static_cast<uint16_t>(e & 0xFF);
      }
      if (picture.transparency) result.At(x, y, picture.TransparencyPlane()) = static_cast<uint16_t>(e >> 24);
    }
  return result;
}

void ExpectSamplesEqual(const HostPicture& actual, const HostPicture& expected, const std::string& what) {
  ASSERT_EQ(actual.planes.size(), expected.planes.size()) << what;
  int mismatches = 0;
  for (int y = 0; y < actual.height && mismatches < 5; ++y)
    for (int x = 0; x < actual.width && mismatches < 5; ++x)
      for (int p = 0; p < actual.PlaneCount(); ++p)
        if (actual.At(x, y, p) != expected.At(x, y, p)) {
          ADD_FAILURE() << what << ": pixel " << x << "," << y << " plane " << p << ": " << actual.At(x, y, p)
                        << " instead of " << expected.At(x, y, p);
          ++mismatches;
        }
}

void PluginTest::SetUp() {
  host = std::make_unique<testhost::TestHost>(CopyPluginInto(folder.Path()));
  ASSERT_TRUE(host->Loaded()) << host->LoadError();
}

void PluginTest::RecordPresetName(const std::string& name) {
  const std::string cp932 = Utf8ToCp932(name).value();
  host->descriptor = std::vector<testhost::DescriptorValue>{
      {host::keyPresetName, host::typeChar, std::vector<uint8_t>(cp932.begin(), cp932.end())}};
}

}  // namespace lumbra::test
