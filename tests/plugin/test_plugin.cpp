// The built Lumbra.8bf, loaded by our test host under wine and driven selector by selector as
// the host does.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <filesystem>

#include "LumbraVersion.h"
#include "engine/Render.h"
#include "plugin/PluginFixture.h"
#include "data/Record.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"
#include "resources/resource.h"

namespace lumbra::test {
namespace {

using host::FourCC;
using testhost::HostPicture;
using testhost::MessageBoxWatcher;
using testhost::RunResult;

const std::wstring kLayerCaption = L"レイヤーイメージを作成しています...";
const std::wstring kReadingMergedCaption = L"結合イメージを取得しています...";
const std::wstring kMergedCaption = L"結合イメージを作成しています...";
const std::wstring kDialogCaption = L"Korvane : Lumbra";

int CountChangedBytes(const HostPicture& a, const HostPicture& b) {
  int n = 0;
  for (size_t i = 0; i < a.planes.size(); ++i) n += a.planes[i] != b.planes[i];
  return n;
}

TEST(PluginResources, PiplAndTerminologyHoldEveryProperty) {
  HMODULE module = LoadLibraryExW(BuiltPluginPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  const testhost::Pipl pipl = testhost::ParsePipl(testhost::ResourceBytes(module, L"PIPL", IDR_HOST_RESOURCES));
  const testhost::Aete aete = testhost::ParseAete(testhost::ResourceBytes(module, L"AETE", IDR_HOST_RESOURCES));
  FreeLibrary(module);

  ASSERT_EQ(pipl.error, "");
  for (const auto& p : pipl.properties) {
    EXPECT_EQ(p.vendor, FourCC("8BIM"));
    EXPECT_EQ(p.data.size() % 4, 0u);
  }
  auto data = [&](const char(&key)[5]) {
    const auto* p = pipl.Find(FourCC(key));
    return p ? p->data : std::vector<uint8_t>{};
  };
  EXPECT_EQ(data("kind"), (std::vector<uint8_t>{0x4D, 0x46, 0x42, 0x38}));
  EXPECT_EQ(pipl.PascalString(FourCC("name")), "Lumbra");
  EXPECT_EQ(pipl.PascalString(FourCC("catg")), "Korvane");
  EXPECT_EQ(data("vers"), (std::vector<uint8_t>{0x00, 0x00, 0x01, 0x00}));
  EXPECT_EQ(pipl.CString(FourCC("8664")), "PluginMain");
  EXPECT_EQ(pipl.Find(FourCC("wx86")), nullptr);  // this build names its own architecture only
  // Greyscale, RGB, Gray16 and RGB48, and the menu item enabled in exactly those modes.
  EXPECT_EQ(data("mode"), (std::vector<uint8_t>{0x50, 0x30, 0x00, 0x00}));
  const std::string enable = pipl.CString(FourCC("enbl"));
  EXPECT_EQ(enable, "in (PSHOP_ImageMode, GrayScaleMode, RGBMode, Gray16Mode, RGB48Mode)");
  const std::pair<const char*, int> modeNames[] = {{"GrayScaleMode", 1}, {"RGBMode", 3},   {"CMYKMode", 4},
                                                   {"HSLMode", 5},       {"HSBMode", 6},   {"LabMode", 9},
                                                   {"Gray16Mode", 10},   {"RGB48Mode", 11}, {"CMYK64Mode", 13}};
  const std::vector<uint8_t> modeBits = data("mode");
  for (const auto& [name, mode] : modeNames) {
    const bool inMode = modeBits.size() > size_t(mode / 8) && (modeBits[mode / 8] & (0x80 >> (mode % 8))) != 0;
    const bool enabled = enable.find(std::string(" ") + name + ",") != std::string::npos ||
                         enable.find(std::string(" ") + name + ")") != std::string::npos;
    EXPECT_EQ(enabled, inMode) << name;
  }
  std::vector<uint8_t> fici;
  for (int i = 0; i < 7; ++i) fici.insert(fici.end(), {1, 1, 6, 0});
  EXPECT_EQ(data("fici"), fici);
  const std::vector<uint8_t> hstm = data("hstm");
  ASSERT_GE(hstm.size(), 16u);
  EXPECT_EQ(std::vector<uint8_t>(hstm.begin(), hstm.begin() + 14),
            (std::vector<uint8_t>{0, 0, 0, 0, 'p', 'f', 'm', 'q', 'p', 'f', 'm', 'q', 0x80, 0x3E}));
  EXPECT_GT(strnlen(reinterpret_cast<const char*>(hstm.data() + 14), hstm.size() - 14), 0u);  // a scope string
  EXPECT_EQ(hstm.back(), 0);

  ASSERT_EQ(aete.error, "");
  EXPECT_EQ(aete.suiteName, "Korvane");
  EXPECT_EQ(aete.suiteDescription, "Ostrel Software plug-ins");
  EXPECT_EQ(aete.suiteId, FourCC("qmfp"));
  EXPECT_EQ(aete.suiteLevel, 1);
  EXPECT_EQ(aete.suiteVersion, 1);
  EXPECT_EQ(aete.eventName, "Lumbra");
  EXPECT_EQ(aete.eventDescription, "Korvane Lumbra filter plug-in");
  EXPECT_EQ(aete.eventClass, FourCC("qmfp"));
  EXPECT_EQ(aete.eventId, FourCC("qmfp"));
  EXPECT_EQ(aete.replyType, FourCC("null"));
  EXPECT_EQ(aete.directType, FourCC("#ImR"));
  EXPECT_EQ(aete.directFlags, 0xB000);
  ASSERT_EQ(aete.parameters.size(), 1u);
  EXPECT_EQ(aete.parameters[0].name, "Preset");
  EXPECT_EQ(aete.parameters[0].key, FourCC("prst"));
  EXPECT_EQ(aete.parameters[0].type, FourCC("TEXT"));
  EXPECT_EQ(aete.parameters[0].description, "Preset Filename");
  EXPECT_EQ(aete.parameters[0].flags, 0);
  EXPECT_EQ(aete.classCount, 0);
  EXPECT_EQ(aete.comparisonCount, 0);
  EXPECT_EQ(aete.enumerationCount, 0);
}

TEST(PluginResources, ProgressDialogAndStringsComeFromTheModule) {
  HMODULE module = LoadLibraryExW(BuiltPluginPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(IDD_PROGRESS), MAKEINTRESOURCEW(5) /* RT_DIALOG */), nullptr);
  auto text = [&](int id) {
    const wchar_t* s = nullptr;
    const int n = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&s), 0);
    return n > 0 ? std::wstring(s, n) : std::wstring();
  };
  EXPECT_EQ(text(IDS_MAKING_LAYER_IMAGE), kLayerCaption);
  EXPECT_EQ(text(IDS_READING_MERGED_IMAGE), kReadingMergedCaption);
  EXPECT_EQ(text(IDS_MAKING_MERGED_IMAGE), kMergedCaption);
  EXPECT_EQ(text(IDS_SKIP), L"スキップ");
  FreeLibrary(module);
}

TEST_F(PluginTest, SelectorsOutOfRangeAreRefusedAndChangeNothing) {
  StorePreset("steady", SteadyPreset());
  host->picture = PatternPicture(16, 12, false, false);
  EXPECT_EQ(host->Call(6), host::filterBadParameters);
  EXPECT_EQ(host->Call(-1), host::filterBadParameters);
  EXPECT_EQ(host->Call(32767), host::filterBadParameters);
  // Still the scripted path: the refused calls did not count as Parameters.
  RecordPresetName("steady");
  const RunResult run = host->Run(false);
  EXPECT_EQ(run.start, 0);
  EXPECT_TRUE(run.committed);
}

TEST_F(PluginTest, AboutShowsAnInformationBoxOwnedByTheHostWindow) {
  MessageBoxWatcher boxes;
  EXPECT_EQ(host->About(), 0);
  const auto seen = boxes.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].caption, L"About this Plug-in");
  EXPECT_NE(seen[0].text.find(L"Lumbra " LUMBRA_VERSION_STRING), std::wstring::npos);
  EXPECT_NE(seen[0].text.find(L"効果線"), std::wstring::npos);
  EXPECT_EQ(seen[0].owner, host->Window());

  // A module loaded while LUMBRA_LANG says English speaks English; the caption stays as it is.
  host.reset();
  SetEnvironmentVariableW(L"LUMBRA_LANG", L"en");
  std::filesystem::create_directory(PathFromUtf8(folder.File("english")));
  host = std::make_unique<testhost::TestHost>(CopyPluginInto(folder.File("english") + PathSeparator()));
  EXPECT_EQ(host->About(), 0);
  SetEnvironmentVariableW(L"LUMBRA_LANG", L"ja");
  const auto english = boxes.Seen();
  ASSERT_EQ(english.size(), 2u);
  EXPECT_EQ(english[1].caption, L"About this Plug-in");
  EXPECT_NE(english[1].text.find(L"Lumbra " LUMBRA_VERSION_STRING "\n\nDraws comic effect lines"), std::wstring::npos);
}

TEST_F(PluginTest, ScriptedRunComposesThePresetOverTheLayerAndRecordsItsName) {
  StorePreset("steady", SteadyPreset());
  host->picture = PatternPicture(64, 48, false, true);
  host->settings.rowPadding = 3;
  const HostPicture before = host->picture;
  RecordPresetName("steady");

  RunResult run = host->Run(false);
  EXPECT_EQ(run.start, 0);
  EXPECT_EQ(run.continueCalls, 1);
  EXPECT_EQ(run.continueResult, 0);
  EXPECT_TRUE(run.finishCalled);
  EXPECT_EQ(run.finish, 0);
  EXPECT_TRUE(host->faults.empty()) << host->faults.front();
  EXPECT_FALSE(host->progressCalls.empty());
  EXPECT_GT(CountChangedBytes(before, host->picture), 100);
  ExpectSamplesEqual(host->picture, ExpectedResult(before, "steady"));
  // Lines over the transparent quarter made it opaque there.
  int opaque = 0;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 16; ++x) opaque += host->picture.At(x, y, 3) == 255;
  EXPECT_GT(opaque, 0);

  // Finish recorded the name as the host's string: a length byte, then the characters.
  ASSERT_TRUE(host->descriptor.has_value());
  ASSERT_EQ(host->descriptor->size(), 1u);
  EXPECT_EQ((*host->descriptor)[0].key, FourCC("prst"));
  EXPECT_EQ((*host->descriptor)[0].type, FourCC("TEXT"));
  EXPECT_EQ((*host->descriptor)[0].bytes, (std::vector<uint8_t>{'s', 't', 'e', 'a', 'd', 'y'}));
  EXPECT_EQ(host->LiveHandles(), 0);

  // Replaying the recording renders the same preset again, without a dialog.
  host->picture = before;
  run = host->Run(false);
  EXPECT_EQ(run.start, 0);
  EXPECT_TRUE(run.committed);
  ExpectSamplesEqual(host->picture, ExpectedResult(before, "steady"));
}

TEST_F(PluginTest, ScriptedRunOnGreyBackgroundLayerWritesGreyColourPlanesOnly) {
  CPresetData preset = SteadyPreset();
  preset.color = 0xFF2080E0;
  StorePreset("grey", preset);
  host->picture = PatternPicture(40, 30, true, false);
  host->settings.rowPadding = 5;  // the host checks that the padding stays untouched
  const HostPicture before = host->picture;
  RecordPresetName("grey");
  const RunResult run = host->Run(false);
  ASSERT_EQ(run.start, 0);
  EXPECT_TRUE(run.committed);
  EXPECT_TRUE(host->faults.empty()) << host->faults.front();
  EXPECT_EQ(host->Record().outHiPlane, 0);
  ExpectSamplesEqual(host->picture, ExpectedResult(before, "grey"));
  // The colour became its grey.
  CPresetData loaded;
  loaded.grayscale = true;
  ASSERT_TRUE(loaded.Load("grey"));
  bool sawLineGrey = false;
  const uint8_t grey = static_cast<uint8_t>(StrokeColor(loaded) & 0xFF);
  for (int i = 0; i < 40 * 30; ++i) sawLineGrey |= host->picture.planes[i] == grey && before.planes[i] != grey;
  EXPECT_TRUE(sawLineGrey);
}

TEST_F(PluginTest, OnlySelectedPixelsChangeAndTinyPicturesWork) {
  StorePreset("steady", SteadyPreset());
  host->picture = PatternPicture(50, 40, false, false);
  host->picture.mask.assign(50 * 40, 0);
  for (int y = 0; y < 40; ++y)
    for (int x = 25; x < 50; ++x) host->picture.mask[y * 50 + x] = 255;
  const HostPicture before = host->picture;
  RecordPresetName("steady");
  ASSERT_EQ(host->Run(false).start, 0);
  int changedLeft = 0, changedRight = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 50; ++x)
      for (int p = 0; p < 3; ++p) (x < 25 ? changedLeft : changedRight) += host->picture.At(x, y, p) != before.At(x, y, p);
  EXPECT_EQ(changedLeft, 0);
  EXPECT_GT(changedRight, 0);

  host->picture = PatternPicture(1, 1, false, true);
  const RunResult run = host->Run(false);
  EXPECT_EQ(run.start, 0);
  EXPECT_TRUE(run.committed);
}

TEST_F(PluginTest, WithoutARecordedNameOrAfterParametersTheDialogPathRuns) {
  StorePreset("steady", SteadyPreset());
  host->picture = PatternPicture(20, 20, false, false);
  const HostPicture before = host->picture;
  MessageBoxWatcher boxes;

  // No descriptor at all, a descriptor without 'prst', an unreadable value, procedure tables
  // whose pointers are all null, no descriptor parameters: each opens the settings dialog, here
  // cancelled.
  auto expectDialogPath = [&](const char* what) {
    testhost::WindowScript cancel(kDialogCaption, [](HWND dialog) { testhost::ClickButton(dialog, IDC_CANCEL); });
    const RunResult run = host->Run(false);
    EXPECT_TRUE(cancel.Found()) << what;
    EXPECT_EQ(run.start, host::userCanceledErr) << what;
    EXPECT_FALSE(run.finishCalled) << what;
    EXPECT_TRUE(host->progressCalls.empty()) << what;  // no scripted render ran
    EXPECT_EQ(host->picture.planes, before.planes) << what;
  };
  host->descriptor.reset();
  expectDialogPath("no descriptor");
  host->descriptor = std::vector<testhost::DescriptorValue>{{FourCC("othr"), FourCC("long"), {1, 0, 0, 0}}};
  expectDialogPath("no prst");
  RecordPresetName("steady");
  host->settings.unreadableStrings = true;
  expectDialogPath("unreadable value");
  host->settings.unreadableStrings = false;
  RecordPresetName("steady");
  host->settings.nullDescriptorProcs = true;
  expectDialogPath("null procedures");
  host->settings.nullDescriptorProcs = false;
  host->settings.descriptorParameters = false;
  RecordPresetName("steady");
  expectDialogPath("no descriptor parameters");
  host->settings.descriptorParameters = true;
  EXPECT_TRUE(boxes.Seen().empty());

  // Parameters makes every later Start of this loaded module show the dialog, even with a name.
  RecordPresetName("steady");
  RunResult run;
  {
    testhost::WindowScript cancel(kDialogCaption, [](HWND dialog) { testhost::ClickButton(dialog, IDC_CANCEL); });
    run = host->Run(true);
    EXPECT_TRUE(cancel.Found());
  }
  EXPECT_EQ(run.start, host::userCanceledErr);
  RecordPresetName("steady");
  {
    testhost::WindowScript cancel(kDialogCaption, [](HWND dialog) { testhost::ClickButton(dialog, IDC_CANCEL); });
    run = host->Run(false);
    EXPECT_TRUE(cancel.Found());
  }
  EXPECT_EQ(run.start, host::userCanceledErr);
  EXPECT_TRUE(host->progressCalls.empty());
  EXPECT_EQ(host->LiveHandles(), 0);
  EXPECT_TRUE(host->faults.empty());
}

TEST_F(PluginTest, UnknownAndOverlongPresetNamesFailWithTheReadErrorMessage) {
  host->picture = PatternPicture(10, 10, false, false);
  for (const std::string& name : {std::string("no-such-preset"), std::string(300, 'x')}) {
    MessageBoxWatcher boxes;
    RecordPresetName(name);
    const RunResult run = host->Run(false);
    EXPECT_EQ(run.start, host::userCanceledErr);
    EXPECT_FALSE(run.finishCalled);
    const auto seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, L"ファイル読み込みエラー");
    EXPECT_EQ(seen[0].owner, host->Window());
  }
}

TEST_F(PluginTest, NamesRecordedByEarlierVersionsStillReplay) {
  // Earlier versions stored the name as a C string from the first byte, which the host took
  // as a length byte: "steady" came back as 115 ('s') bytes "teady\0...".
  StorePreset("steady", SteadyPreset());
  host->picture = PatternPicture(20, 20, false, false);
  std::vector<uint8_t> stored(115, 0);
  std::memcpy(stored.data(), "teady", 5);
  host->descriptor = std::vector<testhost::DescriptorValue>{{FourCC("prst"), FourCC("TEXT"), stored}};
  const RunResult run = host->Run(false);
  EXPECT_EQ(run.start, 0);
  EXPECT_TRUE(run.committed);
  ASSERT_TRUE(host->descriptor.has_value());
  EXPECT_EQ((*host->descriptor)[0].bytes, (std::vector<uint8_t>{'s', 't', 'e', 'a', 'd', 'y'}));
}

TEST_F(PluginTest, JapanesePresetNamesRoundTripInCodePage932) {
  StorePreset("集中線", SteadyPreset());
  host->picture = PatternPicture(20, 20, false, false);
  RecordPresetName("集中線");
  const RunResult run = host->Run(false);
  EXPECT_EQ(run.start, 0);
  ASSERT_TRUE(host->descriptor.has_value());
  const std::string cp932 = Utf8ToCp932("集中線").value();
  EXPECT_EQ((*host->descriptor)[0].bytes, std::vector<uint8_t>(cp932.begin(), cp932.end()));
}

TEST_F(PluginTest, HostsWithoutOptionalServicesStillWork) {
  StorePreset("steady", SteadyPreset());
  host->picture = PatternPicture(20, 16, false, true);
  host->picture.merged = {std::vector<uint16_t>(320, 10), std::vector<uint16_t>(320, 20), std::vector<uint16_t>(320, 30)};
  const HostPicture before = host->picture;
  const HostPicture expected = ExpectedResult(before, "steady");
  struct Case {
    const char* what;
    void (*apply)(testhost::HostSettings&);
  } cases[] = {
      {"no document information", [](testhost::HostSettings& s) { s.documentInfo = false; }},
      {"no basic suite", [](testhost::HostSettings& s) { s.basicSuite = false; }},
      {"no channel-ports suite", [](testhost::HostSettings& s) { s.channelPortsSuite = false; }},
      {"no colour services", [](testhost::HostSettings& s) { s.colorServices = false; }},
      {"no platform data", [](testhost::HostSettings& s) { s.platformData = false; }},
  };
  for (const Case& c : cases) {
    host->settings = {};
    c.apply(host->settings);
    host->picture = before;
    RecordPresetName("steady");
    const RunResult run = host->Run(false);
    EXPECT_EQ(run.start, 0) << c.what;
    EXPECT_TRUE(run.committed) << c.what;
    ExpectSamplesEqual(host->picture, expected, c.what);
  }

  // No write procedures: nothing is recorded, Finish still succeeds.
  host->settings = {};
  host->settings.writeProcs = false;
  host->picture = before;
  RecordPresetName("steady");
  RunResult run = host->Run(false);
  EXPECT_EQ(run.finish, 0);
  EXPECT_FALSE(host->descriptor.has_value());

  // No handle procedures: the descriptor cannot be freed, so the plug-in leaves it with the host.
  host->settings = {};
  host->settings.handleProcs = false;
  RecordPresetName("steady");
  run = host->Run(false);
  EXPECT_EQ(run.start, 0);
  EXPECT_EQ(run.finish, 0);

  // No advanceState: no pixels can be had, the run stops.
  host->settings = {};
  host->settings.advanceState = false;
  RecordPresetName("steady");
  EXPECT_EQ(host->Run(false).start, host::userCanceledErr);
  EXPECT_TRUE(host->faults.empty());
}

TEST_F(PluginTest, AbortsLeaveThePictureUntouched) {
  StorePreset("steady", SteadyPreset());
  host->picture = PatternPicture(30, 30, false, true);
  const HostPicture before = host->picture;

  // During the scripted render (the third progress call of Start).
  host->settings.abortSelector = host::filterSelectorStart;
  host->settings.abortAtProgressCall = 3;
  RecordPresetName("steady");
  RunResult run = host->Run(false);
  EXPECT_EQ(run.start, host::userCanceledErr);
  EXPECT_EQ(run.continueCalls, 0);
  EXPECT_FALSE(run.finishCalled);
  EXPECT_EQ(host->progressCalls.size(), 3u);
  EXPECT_EQ(host->picture.planes, before.planes);

  // At the first row of the write-back.
  host->settings.abortSelector = host::filterSelectorContinue;
  host->settings.abortAtProgressCall = 0;
  RecordPresetName("steady");
  host->progressCalls.clear();
  run = host->Run(false);
  EXPECT_EQ(run.start, 0);
  EXPECT_EQ(run.continueResult, host::userCanceledErr);
  EXPECT_FALSE(run.committed);
  EXPECT_TRUE(run.finishCalled);
  EXPECT_EQ(host->picture.planes, before.planes);
  EXPECT_EQ(host->LiveHandles(), 0);
}

TEST_F(PluginTest, MergedImageIsReadUnlessCtrlIsHeldOrSkipped) {
  StorePreset("steady", SteadyPreset());
  host->picture = PatternPicture(24, 18, false, true);
  const size_t n = 24 * 18;
  host->picture.merged = {std::vector<uint16_t>(n, 1), std::vector<uint16_t>(n, 2), std::vector<uint16_t>(n, 3)};
  host->picture.mergedTransparency.assign(n, 200);

  RecordPresetName("steady");
  RunResult run = host->Run(false);
  EXPECT_EQ(run.start, 0);
  EXPECT_EQ(host->channelReads, 4);  // three colour planes and the transparency
  EXPECT_EQ(host->suitesAcquired, host->suitesReleased);
  EXPECT_EQ(host->captions, (std::vector<std::wstring>{kLayerCaption, kReadingMergedCaption, kMergedCaption}));
  EXPECT_TRUE(host->captionsWhileHidden.empty());  // the bar is on screen while it works

  // Ctrl held when the filter starts: no merged image is read.
  host->channelReads = 0;
  host->settings.ctrlDown = true;
  RecordPresetName("steady");
  run = host->Run(false);
  EXPECT_EQ(run.start, 0);
  EXPECT_EQ(host->channelReads, 0);
  EXPECT_EQ(host->captions, std::vector<std::wstring>{kLayerCaption});
  host->settings.ctrlDown = false;

  // "スキップ" while the merged image is made: the run goes on.
  host->settings.pressButtonOnCaption = kMergedCaption;
  RecordPresetName("steady");
  run = host->Run(false);
  EXPECT_EQ(run.start, 0);
  EXPECT_TRUE(run.committed);

  // A merged list shorter than the image mode needs gives no merged image, and no overrun.
  host->settings = {};
  host->channelReads = 0;
  host->picture.merged.resize(2);
  RecordPresetName("steady");
  run = host->Run(false);
  EXPECT_EQ(run.start, 0);
  EXPECT_EQ(host->channelReads, 0);
}

TEST_F(PluginTest, CancellingTheLayerImageStopsTheRun) {
  StorePreset("steady", SteadyPreset());
  host->picture = PatternPicture(30, 20, false, false);
  host->picture.merged = {std::vector<uint16_t>(600, 1), std::vector<uint16_t>(600, 2), std::vector<uint16_t>(600, 3)};
  const HostPicture before = host->picture;
  for (bool close : {false, true}) {
    host->settings.pressButtonOnCaption = kLayerCaption;
    host->settings.closeInsteadOfPress = close;
    host->channelReads = 0;
    RecordPresetName("steady");
    const RunResult run = host->Run(false);
    EXPECT_EQ(run.start, host::userCanceledErr) << (close ? "closed" : "cancelled");
    EXPECT_FALSE(run.finishCalled);
    EXPECT_EQ(host->channelReads, 0);
    EXPECT_EQ(host->picture.planes, before.planes);
  }
}

TEST_F(PluginTest, InteractiveApplyWritesTheDialogsPictureAndRecordsLatest) {
  StorePreset("steady", SteadyPreset());
  CPresetData preset;
  ASSERT_TRUE(preset.Load("steady"));
  ASSERT_TRUE(preset.Save(kLatestName, true));  // what the dialog opens with
  host->picture = PatternPicture(60, 40, false, true);
  const HostPicture before = host->picture;
  host->descriptor.reset();
  testhost::WindowScript apply(kDialogCaption, [](HWND dialog) { testhost::ClickButton(dialog, IDC_APPLY); });
  const RunResult run = host->Run(true);
  EXPECT_TRUE(apply.Found());
  EXPECT_EQ(run.start, 0);
  EXPECT_TRUE(run.committed);
  ExpectSamplesEqual(host->picture, ExpectedResult(before, "latest"));
  ASSERT_TRUE(host->descriptor.has_value());
  EXPECT_EQ((*host->descriptor)[0].bytes, (std::vector<uint8_t>{'l', 'a', 't', 'e', 's', 't'}));
}

// Plug-in folders where users cannot write (Program Files) keep the data in
// %APPDATA%\Korvane\Lumbra\ instead, created when missing. ctest prepares such a folder.
TEST(PluginDataFolder, ReadOnlyPluginFolderKeepsTheDataInTheUsersApplicationData) {
  wchar_t dir[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"LUMBRA_READONLY_PLUGIN_DIR", dir, MAX_PATH))
    GTEST_SKIP() << "run through ctest, which prepares the read-only plug-in folder";
  const std::filesystem::path pluginDir(dir);
  if (std::filesystem::exists(pluginDir / L"unprotected"))
    GTEST_SKIP() << "this machine cannot make a folder read-only for this user";
  const std::wstring plugin = (pluginDir / L"Lumbra.8bf").wstring();

  TempDataFolder appData;
  SetEnvironmentVariableW(L"APPDATA", PathFromUtf8(appData.Path()).wstring().c_str());
  const std::string userFolder = appData.Path() + "Korvane\\Lumbra\\";
  {
    // The folder does not exist yet: the plug-in makes it, and looks for presets there.
    testhost::TestHost host(plugin);
    ASSERT_TRUE(host.Loaded()) << host.LoadError();
    host.picture = PatternPicture(12, 12, false, false);
    host.descriptor = std::vector<testhost::DescriptorValue>{{host::keyPresetName, host::typeChar, {'s', 't'}}};
    MessageBoxWatcher boxes;
    EXPECT_EQ(host.Run(false).start, host::userCanceledErr);
    ASSERT_EQ(boxes.Seen().size(), 1u);
    const std::string text = PathToUtf8(std::filesystem::path(boxes.Seen()[0].text));
    EXPECT_EQ(text.rfind(userFolder + "preset\\st.qmfpreset", 0), 0u) << text;
    EXPECT_TRUE(std::filesystem::is_directory(PathFromUtf8(userFolder)));
  }
  // A preset stored there renders.
  SetDataFolder(userFolder);
  StorePreset("steady", SteadyPreset());
  testhost::TestHost host(plugin);
  ASSERT_TRUE(host.Loaded()) << host.LoadError();
  host.picture = PatternPicture(12, 12, false, false);
  const HostPicture before = host.picture;
  host.descriptor =
      std::vector<testhost::DescriptorValue>{{host::keyPresetName, host::typeChar, {'s', 't', 'e', 'a', 'd', 'y'}}};
  const RunResult run = host.Run(false);
  EXPECT_EQ(run.start, 0);
  EXPECT_TRUE(run.committed);
  ExpectSamplesEqual(host.picture, ExpectedResult(before, "steady"));
  SetEnvironmentVariableW(L"APPDATA", nullptr);
}

}  // namespace
}  // namespace lumbra::test
