// The plug-in in the hands of hosts that hand over pictures their own way: plane layouts, one-plane
// targets, 16-bit samples, unset column steps, missing procedures; and a module that never takes
// its host down, whatever fails inside it.
#include <gtest/gtest.h>
#include <windows.h>

#include "plugin/PluginFixture.h"
#include "resources/resource.h"

namespace lumbra::test {
namespace {

using testhost::HostPicture;
using testhost::HostSettings;
using testhost::RunResult;

const std::wstring kDialogCaption = L"Korvane : Lumbra";

// A way a host may hand over the target.
struct HostCase {
  const char* what;
  bool grey = false;
  bool transparency = false;
  bool layerMask = false;
  bool onePlane = false;
  int depth = 8;
  bool flat = false;  // colour planes as non-layer planes
  bool columnBytesZero = false;
};

const HostCase kHostCases[] = {
    {"flat RGB as non-layer planes", false, false, false, false, 8, true},
    {"flat RGB as non-layer planes, column bytes 0", false, false, false, false, 8, true, true},
    {"RGB layer with transparency", false, true},
    {"RGB layer with transparency and a layer mask", false, true, true},
    {"flat grey as non-layer planes", true, false, false, false, 8, true},
    {"grey layer with transparency", true, true},
    {"grey layer with transparency and a layer mask", true, true, true},
    {"layer mask as the target of an RGB document", false, false, false, true},
    {"alpha channel as the target of an RGB document", false, false, false, true, 8, true},
    {"RGB48 flat as non-layer planes, column bytes 0", false, false, false, false, 16, true, true},
    {"RGB48 layer with transparency and a layer mask", false, true, true, false, 16},
    {"Gray16 layer with transparency", true, true, false, false, 16},
    {"Gray16 flat as non-layer planes", true, false, false, false, 16, true},
};

HostPicture PictureFor(const HostCase& c, int width, int height) {
  HostPicture picture = PatternPicture(width, height, c.grey, c.transparency);
  const size_t n = static_cast<size_t>(width) * height;
  for (int k = 0; k < (c.grey ? 1 : 3); ++k) picture.merged.emplace_back(n, static_cast<uint16_t>(40 + 60 * k));
  return testhost::Reshaped(picture, c.layerMask, c.onePlane, c.depth);
}

void ApplyHostCase(const HostCase& c, HostSettings& settings) {
  settings = {};
  settings.flatAsNonLayerPlanes = c.flat;
  settings.columnBytesZero = c.columnBytesZero;
}

// Pixels of the preview box showing `color` (0x00RRGGBB).
int PreviewPixelsOf(HWND dialog, uint32_t color) {
  HWND preview = GetDlgItem(dialog, IDC_PREVIEW);
  RECT r{};
  GetClientRect(preview, &r);
  HDC dc = GetDC(preview);
  const COLORREF want = RGB(color >> 16 & 0xFF, color >> 8 & 0xFF, color & 0xFF);
  int n = 0;
  for (int y = 0; y < r.bottom; ++y)
    for (int x = 0; x < r.right; ++x) n += GetPixel(dc, x, y) == want;
  ReleaseDC(preview, dc);
  return n;
}

int CountChangedSamples(const HostPicture& a, const HostPicture& b) {
  int n = 0;
  for (size_t i = 0; i < a.planes.size(); ++i) n += a.planes[i] != b.planes[i];
  return n;
}

TEST_F(PluginTest, EveryPlaneLayoutGetsTheReferencePixelsOnTheScriptedPath) {
  StorePreset("steady", SteadyPreset());
  for (const HostCase& c : kHostCases) {
    ApplyHostCase(c, host->settings);
    host->picture = PictureFor(c, 160, 120);
    const HostPicture before = host->picture;
    RecordPresetName("steady");
    const RunResult run = host->Run(false);
    EXPECT_EQ(run.start, 0) << c.what;
    EXPECT_TRUE(run.committed) << c.what;
    EXPECT_TRUE(host->faults.empty()) << c.what;
    EXPECT_GT(CountChangedSamples(before, host->picture), 100) << c.what;
    ExpectSamplesEqual(host->picture, ExpectedResult(before, "steady"), c.what);
  }
}

TEST_F(PluginTest, EveryPlaneLayoutGetsTheReferencePixelsThroughTheDialog) {
  StorePreset("steady", SteadyPreset());
  CPresetData preset;
  ASSERT_TRUE(preset.Load("steady"));
  ASSERT_TRUE(preset.Save(kLatestName, true));  // what the dialog opens with
  for (const HostCase& c : kHostCases) {
    ApplyHostCase(c, host->settings);
    host->picture = PictureFor(c, 160, 120);
    const HostPicture before = host->picture;
    host->descriptor.reset();
    // The merged planes are flat (40, 100, 160): the preview shows that colour wherever no line
    // is drawn once the merged picture is chosen, and not before.
    const uint32_t mergedColor = c.grey ? 0x282828 : 0x2864A0;
    int mergedBefore = -1, mergedShown = -1;
    testhost::WindowScript apply(kDialogCaption, [&](HWND dialog) {
      mergedBefore = PreviewPixelsOf(dialog, mergedColor);
      SendDlgItemMessageW(dialog, IDC_SHOW_MERGED, BM_SETCHECK, BST_CHECKED, 0);
      testhost::ClickButton(dialog, IDC_SHOW_MERGED);
      testhost::WaitUntil([&] { return (mergedShown = PreviewPixelsOf(dialog, mergedColor)) > 4000; }, 3000);
      testhost::ClickButton(dialog, IDC_APPLY);
    });
    const RunResult run = host->Run(true);
    EXPECT_TRUE(apply.Found()) << c.what;
    EXPECT_EQ(run.start, 0) << c.what;
    EXPECT_TRUE(run.committed) << c.what;
    // The merged channels were read at the picture's depth, in the document's mode. Before the
    // toggle, only the odd anti-aliased edge pixel of the lines can happen to have that colour.
    EXPECT_LT(mergedBefore, 1000) << c.what;
    EXPECT_GT(mergedShown, 4000) << c.what;
    ExpectSamplesEqual(host->picture, ExpectedResult(before, "latest"), c.what);
  }
}

TEST_F(PluginTest, SixteenBitRedLinesAreFullRangeRedAndTheRestIsBitIdentical) {
  CPresetData preset = SteadyPreset();
  preset.color = 0xFFFF0000;
  preset.antialias = 0;  // every drawn pixel fully covered
  StorePreset("red", preset);
  for (bool transparency : {false, true}) {
    host->settings = {};
    host->picture = testhost::Reshaped(PatternPicture(50, 40, false, transparency), false, false, 16);
    const HostPicture before = host->picture;
    RecordPresetName("red");
    ASSERT_EQ(host->Run(false).start, 0);
    int covered = 0;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 50; ++x) {
        bool same = true;
        for (int p = 0; p < before.PlaneCount(); ++p) same &= host->picture.At(x, y, p) == before.At(x, y, p);
        if (same) continue;
        ++covered;
        EXPECT_EQ(host->picture.At(x, y, 0), 32768);
        EXPECT_EQ(host->picture.At(x, y, 1), 0);
        EXPECT_EQ(host->picture.At(x, y, 2), 0);
        if (transparency) {
          EXPECT_EQ(host->picture.At(x, y, 3), 32768);
        }
      }
    EXPECT_GT(covered, 50) << transparency;
  }
}

TEST_F(PluginTest, ModesItDoesNotDrawAreRefusedAndLeftUntouched) {
  StorePreset("steady", SteadyPreset());
  host->picture = PatternPicture(20, 16, false, false);
  const HostPicture before = host->picture;
  for (int16_t mode : {int16_t{4} /* CMYK */, int16_t{5} /* HSL */, int16_t{9} /* Lab */}) {
    host->settings.imageMode = mode;
    RecordPresetName("steady");
    const RunResult run = host->Run(false);
    EXPECT_EQ(run.start, host::filterBadMode) << mode;
    EXPECT_FALSE(run.committed) << mode;
    EXPECT_EQ(host->picture.planes, before.planes) << mode;
  }
}

TEST_F(PluginTest, ADescriptorTheHostCannotHaveFreedStaysTheHosts) {
  StorePreset("steady", SteadyPreset());
  host->picture = PatternPicture(20, 16, false, false);
  const HostPicture before = host->picture;
  host->settings.noDisposeProc = true;
  RecordPresetName("steady");
  const RunResult run = host->Run(false);
  EXPECT_EQ(run.start, 0);
  EXPECT_EQ(run.finish, 0);
  ExpectSamplesEqual(host->picture, ExpectedResult(before, "steady"));
  // The host's own descriptor came back to it (and was freed by it): no handle lost.
  EXPECT_EQ(host->LiveHandles(), 0);
  EXPECT_TRUE(host->faults.empty());
  ASSERT_TRUE(host->descriptor.has_value());
  EXPECT_EQ((*host->descriptor)[0].bytes, (std::vector<uint8_t>{'s', 't', 'e', 'a', 'd', 'y'}));
}

// A copy of the plug-in built with an allocator whose next failure a test chooses.
class PluginFaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host = std::make_unique<testhost::TestHost>(CopyPluginInto(folder.Path(), L"LumbraFaults.8bf"));
    ASSERT_TRUE(host->Loaded()) << host->LoadError();
    failAfter = reinterpret_cast<void (*)(long, int)>(
        reinterpret_cast<void*>(GetProcAddress(host->Module(), "LumbraFailAllocationAfter")));
    count =
        reinterpret_cast<long (*)()>(reinterpret_cast<void*>(GetProcAddress(host->Module(), "LumbraAllocationCount")));
    live =
        reinterpret_cast<long (*)()>(reinterpret_cast<void*>(GetProcAddress(host->Module(), "LumbraLiveAllocations")));
    ASSERT_TRUE(failAfter && count && live);
  }
  void Record(const std::string& name) {
    host->descriptor = std::vector<testhost::DescriptorValue>{
        {host::keyPresetName, host::typeChar, std::vector<uint8_t>(name.begin(), name.end())}};
  }

  TempDataFolder folder;
  std::unique_ptr<testhost::TestHost> host;
  void (*failAfter)(long, int) = nullptr;
  long (*count)() = nullptr;
  long (*live)() = nullptr;
};

TEST_F(PluginFaultTest, AnAllocationFailingAnywhereInARunEndsItWithMemFullAndNothingKept) {
  StorePreset("steady", SteadyPreset());
  const HostPicture before = PatternPicture(40, 30, false, true);
  const HostPicture expected = ExpectedResult(before, "steady");

  // A clean run first: how many allocations a run makes, and what stays allocated (caches).
  host->picture = before;
  Record("steady");
  const long first = count();
  ASSERT_EQ(host->Run(false).start, 0);
  const long perRun = count() - first;
  const long baseline = live();
  ASSERT_GT(perRun, 10);

  int failedStarts = 0, failedContinues = 0;
  long firstFailingStart = -1;
  const long step = std::max(1L, perRun / 60);
  for (long n = 0; n < perRun; n += step) {
    host->picture = before;
    Record("steady");
    failAfter(n, 0);
    const RunResult run = host->Run(false);
    failAfter(-1, 0);
    const std::string what = "allocation " + std::to_string(n);
    if (run.start == host::memFullErr) {
      if (failedStarts++ == 0) firstFailingStart = n;
      EXPECT_FALSE(run.committed) << what;
      EXPECT_EQ(host->picture.planes, before.planes) << what;
    } else if (run.continueResult == host::memFullErr) {
      ++failedContinues;
      EXPECT_FALSE(run.committed) << what;
      EXPECT_EQ(host->picture.planes, before.planes) << what;
    } else {
      EXPECT_EQ(run.start, 0) << what;
      EXPECT_TRUE(run.finish == 0 || run.finish == host::memFullErr) << what;
      ExpectSamplesEqual(host->picture, expected, what);
    }
    EXPECT_EQ(host->LiveHandles(), 0) << what;
    EXPECT_TRUE(host->faults.empty()) << what;

    // The next run works, and nothing of the failed one is still allocated.
    host->picture = before;
    Record("steady");
    const RunResult again = host->Run(false);
    EXPECT_EQ(again.start, 0) << what;
    ExpectSamplesEqual(host->picture, expected, what + ", run after");
    EXPECT_EQ(live(), baseline) << what;
  }
  ASSERT_GT(failedStarts, 0);

  // Any other exception at the same place ends the run as a cancel.
  host->picture = before;
  Record("steady");
  failAfter(firstFailingStart, 1);
  const RunResult other = host->Run(false);
  failAfter(-1, 0);
  EXPECT_EQ(other.start, host::userCanceledErr);
  EXPECT_EQ(host->picture.planes, before.planes);
  EXPECT_EQ(host->LiveHandles(), 0);
}

TEST_F(PluginFaultTest, AnAllocationFailingInsideTheDialogEndsTheRunWithMemFull) {
  StorePreset("steady", SteadyPreset());
  CPresetData preset;
  ASSERT_TRUE(preset.Load("steady"));
  ASSERT_TRUE(preset.Save(kLatestName, true));
  const HostPicture before = PatternPicture(40, 30, false, false);
  host->picture = before;
  // Fail once the dialog is up, in whatever its windows or its render do next.
  testhost::WindowScript script(kDialogCaption, [&](HWND dialog) {
    failAfter(0, 0);
    SendDlgItemMessageW(dialog, IDC_ANTIALIAS, BM_SETCHECK, BST_UNCHECKED, 0);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_ANTIALIAS, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_ANTIALIAS)));
    // Should the failure not end it, the test fails below rather than hang here.
    if (!testhost::WaitUntil([&] { return !IsWindowVisible(dialog); }, 5000)) {
      failAfter(-1, 0);
      testhost::ClickButton(dialog, IDC_CANCEL);
    }
  });
  const RunResult run = host->Run(true);
  failAfter(-1, 0);
  EXPECT_TRUE(script.Found());
  EXPECT_EQ(run.start, host::memFullErr);
  EXPECT_FALSE(run.committed);
  EXPECT_EQ(host->picture.planes, before.planes);
  EXPECT_EQ(testhost::FindProcessWindow(kDialogCaption), nullptr);

  // The module is sound for the next run (the dialog again: Parameters was called in this module).
  testhost::WindowScript apply(kDialogCaption, [](HWND dialog) { testhost::ClickButton(dialog, IDC_APPLY); });
  EXPECT_EQ(host->Run(true).start, 0);
  EXPECT_TRUE(apply.Found());
  ExpectSamplesEqual(host->picture, ExpectedResult(before, "latest"));
}

}  // namespace
}  // namespace lumbra::test
