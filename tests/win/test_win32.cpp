// Windows-only behaviour of the platform services, run under wine64.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/Encoding.h"
#include "platform/FileSystem.h"
#include "platform/MessageServiceWin32.h"
#include "support/TestSupport.h"
#include "testhost/Automation.h"

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

TEST(Win32, MessageBoxesAreOwnedAndAnswered) {
  HWND window =
      CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  SetMessageOwner(window);
  Win32MessageService service;
  for (const auto& [button, expected] :
       {std::pair{WPARAM{IDOK}, MessageAnswer::Ok}, {WPARAM{IDCANCEL}, MessageAnswer::Cancel}}) {
    testhost::MessageBoxWatcher boxes(button);
    const MessageAnswer answer =
        service.Show("上書きしてもよろしいですか？", "確認", MessageIcon::Question, MessageButtons::OkCancel);
    const auto seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(answer, expected);
    EXPECT_EQ(seen[0].caption, L"確認");
    EXPECT_EQ(seen[0].owner, window);
    EXPECT_EQ(seen[0].text, L"上書きしてもよろしいですか？");
  }
  // Once the owner is gone the box has none, rather than a dangling one.
  DestroyWindow(window);
  testhost::MessageBoxWatcher boxes;
  EXPECT_EQ(service.Show("text", "お知らせ", MessageIcon::Warning, MessageButtons::Ok), MessageAnswer::Ok);
  ASSERT_EQ(boxes.Seen().size(), 1u);
  EXPECT_EQ(boxes.Seen()[0].owner, nullptr);
  SetMessageOwner(nullptr);
}

}  // namespace
}  // namespace lumbra
