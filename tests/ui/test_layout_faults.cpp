// Every window as a person sees it at the dialogs' smallest size, in Japanese and in English: no
// label cut or wrapped, no control touching another or reaching past its window's edge; and every
// text shown is the catalogue's, in the language in use.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "InputBoxIds.h"
#include "data/Record.h"
#include "resources/resource.h"
#include "support/TestSupport.h"
#include "testhost/Automation.h"
#include "testhost/DialogDriver.h"
#include "text/Text.h"
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

std::wstring Caption(const char* japanese) { return Widen(text::Localized(japanese)); }

// What a person reads in `window`: its caption, then in order each descendant's text, a tab
// control's titles and a combo box's entries.
std::vector<std::wstring> TextsOf(HWND window) {
  std::vector<std::wstring> texts{testhost::WindowText(window)};
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const auto inner = TextsOf(child);
    texts.insert(texts.end(), inner.begin(), inner.end());
    wchar_t cls[64] = {};
    GetClassNameW(child, cls, 64);
    if (std::wstring(cls) == WC_TABCONTROLW) {
      for (int i = 0; i < TabCtrl_GetItemCount(child); ++i) {
        wchar_t title[128] = {};
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = title;
        item.cchTextMax = 128;
        TabCtrl_GetItem(child, i, &item);
        texts.push_back(title);
      }
    }
    if (std::wstring(cls) == L"ComboBox") {
      const auto entries = Entries(window, GetDlgCtrlID(child));
      texts.insert(texts.end(), entries.begin(), entries.end());
    }
  }
  return texts;
}

struct Look {
  std::vector<std::wstring> faults;
  std::vector<std::wstring> texts;
};

// `run` opens a window captioned `caption`; its layout faults and texts, after `prepare`, then it
// is closed.
Look LookAt(const std::wstring& caption, const std::function<void()>& run,
            const std::function<void(HWND)>& prepare = nullptr) {
  Look look;
  WindowScript script(caption, [&](HWND window) {
    if (prepare) prepare(window);
    look.faults = LayoutFaults(window);
    look.texts = TextsOf(window);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_CANCEL, BN_CLICKED), 0);
  });
  run();
  EXPECT_TRUE(script.Found()) << Narrow(caption);
  return look;
}

// The same window seen in Japanese and in English: the same controls, each English text the
// catalogue's English for the Japanese one, and no Japanese left in English.
void ExpectTranslated(const char* what, const Look& japanese, const Look& english) {
  ASSERT_EQ(japanese.texts.size(), english.texts.size()) << what;
  for (size_t i = 0; i < english.texts.size(); ++i) {
    const std::string ja = Narrow(japanese.texts[i]), en = Narrow(english.texts[i]);
    const std::string_view catalogue = text::EnglishOf(ja);
    EXPECT_EQ(en, catalogue.empty() ? ja : std::string(catalogue)) << what << ": " << ja;
    EXPECT_TRUE(std::all_of(en.begin(), en.end(), [](char c) { return static_cast<signed char>(c) >= 0; }))
        << what << ": not translated: " << en;
  }
}

class LayoutFaultsTest : public ::testing::Test {
 protected:
  TempDataFolder folder;
  Bitmap layer = Pattern(320, 240, 20);
  static constexpr text::Language kLanguages[] = {text::Language::Japanese, text::Language::English};
};

TEST_F(LayoutFaultsTest, EveryTabOfTheSettingsDialog) {
  SettingDialogParams params;
  params.layerImage = &layer;
  for (int tab : {0, 1, 2}) {
    Look looks[2];
    for (int l = 0; l < 2; ++l) {
      LanguageScope language(kLanguages[l]);
      CSettingDialog dialog(params);
      looks[l] = LookAt(
          L"Korvane : Lumbra", [&] { dialog.DoModal(); }, [&](HWND d) { ShowTab(d, tab); });
      EXPECT_TRUE(looks[l].faults.empty()) << "tab " << tab << ", language " << l << ":\n"
                                           << Narrow(Joined(looks[l].faults));
    }
    ExpectTranslated(("settings, tab " + std::to_string(tab)).c_str(), looks[0], looks[1]);
  }
}

TEST_F(LayoutFaultsTest, EveryEditorGeneratorAndTheNameEntry) {
  struct Case {
    const char* what;
    const char* caption;
    std::function<void()> run;
    std::function<void(HWND)> prepare;
  };
  CLayoutData layout;
  const Case cases[] = {
      {"layout editor", "線の配置設定", [] { CLayoutDialog(nullptr).DoModal(); }, nullptr},
      {"circle panel", "線の配置設定", [] { CLayoutDialog(nullptr).DoModal(); },
       [](HWND e) { ClickButton(e, IDC_MODE_CIRCLE); }},
      {"ruler editor", "定規", [] { CRulerDialog(nullptr).DoModal(); }, nullptr},
      {"line generator", "線の配置", [&] { CLinePosDialog(layout, nullptr).DoModal(); }, nullptr},
      {"polygon generator", "多角形", [&] { CPolyPosDialog(layout, nullptr).DoModal(); }, nullptr},
      {"name entry", "データの登録",
       [] { AskName(text::kStoreInListMessage.Get(), text::kStoreInListCaption.Get(), ""); }, nullptr},
  };
  for (const Case& c : cases) {
    Look looks[2];
    for (int l = 0; l < 2; ++l) {
      LanguageScope language(kLanguages[l]);
      looks[l] = LookAt(Caption(c.caption), c.run, c.prepare);
      EXPECT_TRUE(looks[l].faults.empty()) << c.what << ", language " << l << ":\n" << Narrow(Joined(looks[l].faults));
    }
    ExpectTranslated(c.what, looks[0], looks[1]);
  }
}

}  // namespace
}  // namespace lumbra
