#include "plugin/PluginFixture.h"

#include <windows.h>

#include <filesystem>

#include "engine/Compose.h"
#include "engine/Render.h"
#include "platform/Encoding.h"

namespace lumbra::test {

using testhost::HostPicture;

std::wstring BuiltPluginPath() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return (std::filesystem::path(std::wstring(path, n)).parent_path() / L"Lumbra.8bf").wstring();
}

std::wstring CopyPluginInto(const std::string& folder) {
  const std::filesystem::path target = PathFromUtf8(folder) / L"Lumbra.8bf";
  std::filesystem::copy_file(BuiltPluginPath(), target, std::filesystem::copy_options::overwrite_existing);
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
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      uint32_t r, g, b;
      if (picture.grayscale) {
        r = g = b = picture.At(x, y, 0);
      } else {
        r = picture.At(x, y, 0);
        g = picture.At(x, y, 1);
        b = picture.At(x, y, 2);
      }
      const uint32_t a = picture.transparency ? picture.At(x, y, picture.PlaneCount() - 1) : 255;
      image.SetPixel(x, y, a << 24 | r << 16 | g << 8 | b);
    }
  return image;
}

Bitmap ExpectedScriptedResult(const HostPicture& picture, const std::string& name, bool grayscale) {
  CPresetData preset;
  preset.grayscale = grayscale;
  EXPECT_TRUE(preset.Load(name));
  Bitmap lines(picture.width, picture.height);
  RenderJob job;
  job.preset = &preset;
  job.target = &lines;
  RenderLines(job);
  Bitmap result = LayerImageOf(picture);
  ComposeOver(result, lines);
  return result;
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
