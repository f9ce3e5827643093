// Every window as a person sees it at the dialogs' smallest size: no label cut or wrapped, no
// control touching another or reaching past its window's edge.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "InputBoxIds.h"
#include "data/Record.h"
#include "resources/resource.h"
#include "support/TestSupport.h"
#include "testhost/Automation.h"
#include "testhost/DialogDriver.h"
#include "ui/TestPictures.h"
#include "ui/editors/GeneratorDialogs.h"
#include "ui/editors/InputBox.h"
#include "ui/editors/LayoutDialog.h"
#include "ui/editors/RulerDialog.h"
#include "ui/framework/Module.h"
#include "ui/settings/SettingDialog.h"

namespace lumbra {
namespace {

using namespace test;
using testhost::AwaitWindow;
using testhost::ClickButton;
using testhost::WindowScript;

std::wstring Joined(const std::vector<std::wstring>& faults) {
  std::wstring all;
  for (const std::wstring& f : faults) all += f + L"\n";
  return all;
}

// `run` opens a window captioned `caption`; its layout faults, after `prepare`, then it is closed.
std::vector<std::wstring> FaultsOf(const std::wstring& caption, const std::function<void()>& run,
                                   const std::function<void(HWND)>& prepare = nullptr) {
  std::vector<std::wstring> faults;
  WindowScript script(caption, [&](HWND window) {
    if (prepare) prepare(window);
    faults = LayoutFaults(window);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_CANCEL, BN_CLICKED), 0);
  });
  run();
  EXPECT_TRUE(script.Found()) << Narrow(caption);
  return faults;
}

class LayoutFaultsTest : public ::testing::Test {
 protected:
  TempDataFolder folder;
  Bitmap layer = Pattern(320, 240, 20);
};

TEST_F(LayoutFaultsTest, BothTabsOfTheSettingsDialog) {
  SettingDialogParams params;
  params.layerImage = &layer;
  for (int tab : {0, 1}) {
    CSettingDialog dialog(params);
    const auto faults = FaultsOf(
        L"Korvane : Lumbra", [&] { dialog.DoModal(); }, [&](HWND d) { ShowTab(d, tab); });
    EXPECT_TRUE(faults.empty()) << "tab " << tab << ":\n" << Narrow(Joined(faults));
  }
}

TEST_F(LayoutFaultsTest, EveryEditorGeneratorAndTheNameEntry) {
  struct Case {
    const char* what;
    std::wstring caption;
    std::function<void()> run;
    std::function<void(HWND)> prepare;
  };
  CLayoutData layout;
  const Case cases[] = {
      {"layout editor", L"線の配置設定", [] { CLayoutDialog(nullptr).DoModal(); }, nullptr},
      {"circle panel", L"線の配置設定", [] { CLayoutDialog(nullptr).DoModal(); },
       [](HWND e) { ClickButton(e, IDC_MODE_CIRCLE); }},
      {"ruler editor", L"定規", [] { CRulerDialog(nullptr).DoModal(); }, nullptr},
      {"line generator", L"線の配置", [&] { CLinePosDialog(layout, nullptr).DoModal(); }, nullptr},
      {"polygon generator", L"多角形", [&] { CPolyPosDialog(layout, nullptr).DoModal(); }, nullptr},
      {"name entry", L"データの登録", [] { AskName("　登録する名称を指定してください。", "データの登録", ""); },
       nullptr},
  };
  for (const Case& c : cases) {
    const auto faults = FaultsOf(c.caption, c.run, c.prepare);
    EXPECT_TRUE(faults.empty()) << c.what << ":\n" << Narrow(Joined(faults));
  }
}

}  // namespace
}  // namespace lumbra
