// Windows-only behaviour of the platform services, run under wine64.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/Encoding.h"
#include "platform/FileSystem.h"
#include "platform/MessageServiceWin32.h"
#include "support/TestSupport.h"

namespace lumbra {
namespace {

TEST(Win32, DataFolderIsTheModulesOwnFolder) {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring exe(path, n);
  const std::string expected = PathToUtf8(std::filesystem::path(exe.substr(0, exe.find_last_of(L'\\') + 1)));
  EXPECT_EQ(LocateDataFolder(), expected);
  EXPECT_EQ(LocateDataFolder().back(), '\\');
}

TEST(Win32, FilesWithJapaneseNamesAreReplacedInOneStep) {
  test::TempDataFolder folder;
  const std::string target = folder.File("定規.qmfruler");
  const std::string source = folder.File("定規.qmfruler.saving");
  test::WriteBytes(target, {1});
  test::WriteBytes(source, {2, 2});
  std::string error;
  ASSERT_TRUE(MoveReplacing(source, target, error)) << error;
  EXPECT_EQ(test::ReadBytes(target), (std::vector<unsigned char>{2, 2}));
  EXPECT_FALSE(FileExists(source));
  // A failure gives the system's text.
  EXPECT_FALSE(MoveReplacing(folder.File("missing"), target, error));
  EXPECT_FALSE(error.empty());
  // The wide path really names the file the C library opened.
  EXPECT_NE(GetFileAttributesW(PathFromUtf8(target).wstring().c_str()), INVALID_FILE_ATTRIBUTES);
}

// Finds the message box with this caption, notes its owner and text, and presses a button.
struct BoxAnswerer {
  BoxAnswerer(std::wstring c, WPARAM b) : caption(std::move(c)), button(b) {}
  std::wstring caption;
  WPARAM button;
  HWND owner = nullptr;
  std::wstring text;
  bool found = false;

  void Run() {
    for (int i = 0; i < 500 && !found; ++i) {
      if (HWND box = FindWindowW(L"#32770", caption.c_str())) {
        found = true;
        owner = GetWindow(box, GW_OWNER);
        wchar_t buffer[512] = {};
        GetDlgItemTextW(box, 0xFFFF, buffer, 512);  // the static text of a message box
        text = buffer;
        PostMessageW(box, WM_COMMAND, button, 0);
      } else {
        Sleep(20);
      }
    }
  }
};

DWORD WINAPI RunAnswerer(void* answerer) {
  static_cast<BoxAnswerer*>(answerer)->Run();
  return 0;
}

TEST(Win32, MessageBoxesAreOwnedAndAnswered) {
  HWND window =
      CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  SetMessageOwner(window);
  Win32MessageService service;
  for (const auto& [button, expected] :
       {std::pair{WPARAM{IDOK}, MessageAnswer::Ok}, {WPARAM{IDCANCEL}, MessageAnswer::Cancel}}) {
    BoxAnswerer answerer(L"確認", button);
    HANDLE thread = CreateThread(nullptr, 0, RunAnswerer, &answerer, 0, nullptr);
    const MessageAnswer answer =
        service.Show("上書きしてもよろしいですか？", "確認", MessageIcon::Question, MessageButtons::OkCancel);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    ASSERT_TRUE(answerer.found);
    EXPECT_EQ(answer, expected);
    EXPECT_EQ(answerer.owner, window);
    EXPECT_EQ(answerer.text, L"上書きしてもよろしいですか？");
  }
  // Once the owner is gone the box has none, rather than a dangling one.
  DestroyWindow(window);
  BoxAnswerer answerer(L"お知らせ", IDOK);
  HANDLE thread = CreateThread(nullptr, 0, RunAnswerer, &answerer, 0, nullptr);
  EXPECT_EQ(service.Show("text", "お知らせ", MessageIcon::Warning, MessageButtons::Ok), MessageAnswer::Ok);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  EXPECT_TRUE(answerer.found);
  EXPECT_EQ(answerer.owner, nullptr);
  SetMessageOwner(nullptr);
}

}  // namespace
}  // namespace lumbra
