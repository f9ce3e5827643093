// A fresh copy of the built Lumbra.8bf in its own temporary folder (which is then its data
// folder), loaded by our test host.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "data/PresetData.h"
#include "engine/Bitmap.h"
#include "testhost/Automation.h"
#include "testhost/TestHost.h"
#include "support/TestSupport.h"

namespace lumbra::test {

// The built module beside this test program (`name`: Lumbra.8bf, or the fault-injecting
// LumbraFaults.8bf).
std::wstring BuiltPluginPath(const wchar_t* name = L"Lumbra.8bf");
// Copies the built module into `folder` (UTF-8, ending with a separator); the copy's wide path.
std::wstring CopyPluginInto(const std::string& folder, const wchar_t* name = L"Lumbra.8bf");

// A picture whose every plane varies, so a misplaced byte shows.
testhost::HostPicture PatternPicture(int width, int height, bool grayscale, bool transparency);

// A preset whose random values change nothing (no jitter, no overshoot, full length and
// thickness every time), so the plug-in's render can be repeated here pixel for pixel.
CPresetData SteadyPreset();

// Stores the preset under `name` in the current data folder, with its layout and ruler stored
// under that name too.
void StorePreset(const std::string& name, CPresetData preset);

// The layer image of an 8-bit host picture, built here independently of the plug-in.
Bitmap LayerImageOf(const testhost::HostPicture& picture);

// What the filter must leave in `picture` with the stored preset `name`: the project's own render
// of the preset (in the colour's grey for a one-colour-plane target) composed over the picture's
// samples; 16-bit samples in the host's range; planes other than the target's untouched.
testhost::HostPicture ExpectedResult(const testhost::HostPicture& picture, const std::string& name);

// Every sample of `actual` equals `expected`'s (the first few differences are reported).
void ExpectSamplesEqual(const testhost::HostPicture& actual, const testhost::HostPicture& expected,
                        const std::string& what = "");

class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override;
  // Records `name` as the host's 'prst' parameter (code page 932 bytes).
  void RecordPresetName(const std::string& name);

  TempDataFolder folder;
  std::unique_ptr<testhost::TestHost> host;
};

}  // namespace lumbra::test
