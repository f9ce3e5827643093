// The name-entry dialog run for real: while AskName runs its modal loop, a timer of the same
// thread finds the dialog by its caption and drives it with window messages.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>

#include "InputBoxIds.h"
#include "testhost/Automation.h"
#include "ui/editors/InputBox.h"
#include "ui/framework/Module.h"

namespace lumbra {
namespace {

using testhost::WindowText;

// The script for the dialog now being asked; the timer runs it once the dialog is on screen,
// and closes the dialog (marking the answer) if the script left it open.
struct {
  std::function<void(HWND dialog, HWND field)> script;
  bool ran = false;
  int ticksSince = 0;
  bool leftOpen = false;
} driver;

void CALLBACK Drive(HWND, UINT, UINT_PTR, DWORD) {
  HWND dialog = FindWindowW(L"#32770", L"データの登録");
  if (!dialog || !IsWindowVisible(dialog)) return;
  if (!driver.ran) {
    driver.ran = true;
    driver.script(dialog, GetDlgItem(dialog, IDC_INPUT_BOX_TEXT));
  } else if (++driver.ticksSince == 250) {
    driver.leftOpen = true;
    PostMessageW(dialog, WM_CLOSE, 0, 0);
  }
}

std::string AskWhile(std::string initialText, std::function<void(HWND dialog, HWND field)> script) {
  driver = {std::move(script)};
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, Drive);
  std::string answer = AskName("　登録する名称を指定してください。", "データの登録", std::move(initialText));
  KillTimer(nullptr, timer);
  return driver.leftOpen ? "(left open)" : answer;
}

void Type(HWND field, std::wstring_view text) {
  for (wchar_t c : text) SendMessageW(field, WM_CHAR, c, 1);
}
void Press(HWND field, WPARAM key) { PostMessageW(field, WM_KEYDOWN, key, 1); }
void Click(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

TEST(AskName, ShowsTheCallersTexts) {
  std::wstring caption, message, field;
  AskWhile("集中線プリセット", [&](HWND dialog, HWND edit) {
    caption = WindowText(dialog);
    message = WindowText(GetDlgItem(dialog, IDC_INPUT_BOX_MESSAGE));
    field = WindowText(edit);
    Click(dialog, IDCANCEL);
  });
  EXPECT_EQ(caption, L"データの登録");
  EXPECT_EQ(message, L"　登録する名称を指定してください。");
  EXPECT_EQ(field, L"集中線プリセット");
}

enum class Close { Ok, Enter, CancelButton, CloseBox, Escape };

TEST(AskName, ReturnsTheFieldOnOkAndTheEmptyStringOnCancel) {
  const struct {
    const char* initial;
    bool clear;
    const wchar_t* typed;
    Close close;
    const char* answer;
  } cases[] = {
      {"集中線", false, L"", Close::Ok, "集中線"},    {"集中線", true, L"", Close::Ok, ""},
      {"", false, L"latest", Close::Enter, "latest"}, {"集中線", false, L"2", Close::CancelButton, ""},
      {"集中線", false, L"2", Close::CloseBox, ""},   {"集中線", false, L"2", Close::Escape, ""},
  };
  for (const auto& c : cases) {
    const std::string answer = AskWhile(c.initial, [&](HWND dialog, HWND field) {
      if (c.clear) SetWindowTextW(field, L"");
      Type(field, c.typed);
      if (c.close == Close::Ok) Click(dialog, IDOK);
      if (c.close == Close::Enter) Press(field, VK_RETURN);
      if (c.close == Close::CancelButton) Click(dialog, IDCANCEL);
      if (c.close == Close::CloseBox) PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
      if (c.close == Close::Escape) Press(field, VK_ESCAPE);
    });
    EXPECT_EQ(answer, c.answer) << "case " << &c - cases;
  }
}

TEST(InputBox, SixteenKanjiTypedOneByOneStopAtFifteen) {
  const std::wstring sixteen = L"一二三四五六七八九十壱弐参肆伍陸";
  const std::string answer = AskWhile("", [&](HWND dialog, HWND field) {
    Type(field, sixteen + L"x");
    Click(dialog, IDOK);
  });
  EXPECT_EQ(answer, Narrow(sixteen.substr(0, 15)));
}

TEST(InputBox, APasteInTheMiddleKeepsWhatFitsAndTheCaretFollowsIt) {
  DWORD caret = 0;
  const std::string answer = AskWhile("集中線集中線集中線集中線", [&](HWND dialog, HWND field) {  // 24 units
    SendMessageW(field, EM_SETSEL, 3, 3);
    SendMessageW(field, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"ABCDEFGH"));
    SendMessageW(field, EM_GETSEL, reinterpret_cast<WPARAM>(&caret), 0);
    Click(dialog, IDOK);
  });
  EXPECT_EQ(answer, "集中線ABCDEF集中線集中線集中線");
  EXPECT_EQ(caret, 9u);
}

}  // namespace
}  // namespace lumbra
