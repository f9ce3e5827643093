#include <gtest/gtest.h>

#include "data/Record.h"
#include "data/RecordFile.h"
#include "data/RulerData.h"
#include "platform/FileSystem.h"
#include "support/TestSupport.h"

namespace lumbra {
namespace {

using test::ReadBytes;
using test::RecordingMessageService;
using test::TempDataFolder;
using test::WriteBytes;

class RecordNames : public ::testing::Test {
 protected:
  TempDataFolder data;
  RecordingMessageService messages;
  std::string RulerPath(const std::string& name) {
    return data.Path() + "ruler" + PathSeparator() + name + ".qmfruler";
  }
};

TEST_F(RecordNames, TrimsReservedCharactersFromBothEndsOnly) {
  std::string name = "?abc/";
  ASSERT_TRUE(PrepareRecordPath(2, false, name));
  EXPECT_EQ(name, RulerPath("abc"));
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(RecordNames, NamesThatCouldLeaveTheFolderAreRefusedEverywhere) {
  // Saving: a separator, a colon or a control character inside, or a name of dots, is refused with
  // the message that names it.
  for (const std::string& bad : std::vector<std::string>{"a/b", "../../escape", "a\\b", "c:d", std::string("nul\0x", 5), "new\nline", "..", "."}) {
    std::string name = bad;
    messages.messages.clear();
    EXPECT_FALSE(PrepareRecordPath(2, false, name)) << bad;
    ASSERT_EQ(messages.messages.size(), 1u) << bad;
    EXPECT_NE(messages.messages[0].text.find("登録名に使えない文字"), std::string::npos) << bad;
  }
  EXPECT_FALSE(IsRecordName(""));
  EXPECT_TRUE(IsRecordName("集中線 2"));
  EXPECT_TRUE(IsRecordName("a.b"));
  // Loading: such a name counts as a missing record; the working record is loaded instead.
  CRulerData ruler;
  ruler.GetPoints() = {{0, 0}, {50, 40}, {100, 0}};
  ASSERT_TRUE(ruler.Save("", true));
  WriteBytes(data.Path() + "outside.qmfruler", ReadBytes(RulerPath("latest")));
  messages.messages.clear();
  CRulerData loaded;
  EXPECT_FALSE(loaded.Load("../outside"));
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_EQ(messages.messages[0].caption, "ファイル読み込みエラー");
  EXPECT_NE(messages.messages[0].text.find("[../outside]"), std::string::npos);
  EXPECT_EQ(loaded.GetPoints(), ruler.GetPoints());  // "latest", not the file outside
}

TEST_F(RecordNames, NeverSplitsADoubleByteCharacter) {
  // The second byte of these characters is a backslash in code page 932.
  EXPECT_EQ(TrimReservedCp932("\\\x83\x5C\\"), "\x83\x5C");
  EXPECT_EQ(TrimReservedCp932("\x95\x5C"), "\x95\x5C");
  EXPECT_EQ(TrimReservedCp932("|:*"), "");
  std::string name = "表ソ";
  ASSERT_TRUE(PrepareRecordPath(2, false, name));
  EXPECT_EQ(name, RulerPath("表ソ"));
}

TEST_F(RecordNames, RefusesTheReservedNameExactly) {
  std::string name = "/latest";
  EXPECT_FALSE(PrepareRecordPath(2, false, name));
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_EQ(messages.messages[0].text,
            "[latest]という登録名はプラグインが管理用に用いるため、お使いになることができません。");
  EXPECT_EQ(messages.messages[0].caption, "お知らせ");
  EXPECT_EQ(messages.messages[0].icon, MessageIcon::Warning);
  EXPECT_EQ(messages.messages[0].buttons, MessageButtons::Ok);
  name = "Latest";
  EXPECT_TRUE(PrepareRecordPath(2, false, name));
}

TEST_F(RecordNames, RefusesNamesCodePage932CannotHold) {
  std::string name = "한글";
  EXPECT_FALSE(PrepareRecordPath(2, false, name));
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_NE(messages.messages[0].text.find("한글"), std::string::npos);
}

TEST_F(RecordNames, AsksBeforeOverwritingWithTheFullPath) {
  EnsureRecordFolder(RecordKind::Ruler);
  WriteBytes(RulerPath("abc"), {1, 2, 3});
  std::string name = "abc";
  EXPECT_FALSE(PrepareRecordPath(2, false, name));  // closing the box counts as Cancel
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_EQ(messages.messages[0].text,
            RulerPath("abc") + "という名前を持つファイルはすでに存在しています。上書きしてもよろしいですか？");
  EXPECT_EQ(messages.messages[0].caption, "確認");
  EXPECT_EQ(messages.messages[0].buttons, MessageButtons::OkCancel);
  EXPECT_EQ(messages.messages[0].icon, MessageIcon::Question);
  messages.QueueAnswer(MessageAnswer::Ok);
  name = "abc";
  EXPECT_TRUE(PrepareRecordPath(2, false, name));
  // As "latest" it never asks and never refuses.
  WriteBytes(RulerPath("latest"), {1});
  name = "whatever";
  EXPECT_TRUE(PrepareRecordPath(2, true, name));
  EXPECT_EQ(name, RulerPath("latest"));
  EXPECT_EQ(messages.messages.size(), 2u);
}

TEST_F(RecordNames, UnknownKindFailsSilently) {
  std::string name = "abc";
  EXPECT_FALSE(PrepareRecordPath(3, false, name));
  EXPECT_FALSE(PrepareRecordPath(-1, true, name));
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(RecordNames, ListsStoredNamesSortedWithoutLatestOrOtherFiles) {
  EnsureRecordFolder(RecordKind::Ruler);
  for (const char* file :
       {"b.qmfruler", "a.qmfruler", "latest.qmfruler", "c.qmflayout", ".qmfruler", "x.qmfruler.saving",
        "two\nlines.qmfruler"})
    WriteBytes(data.Path() + "ruler" + PathSeparator() + file, {0});
  MakeDirectory(data.Path() + "ruler" + PathSeparator() + "dir.qmfruler");
  EXPECT_EQ(ListRecordNames(RecordKind::Ruler), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(ListRecordNames(RecordKind::Preset).empty());
}

TEST_F(RecordNames, RecordStringsAreLengthPrefixed) {
  const std::string path = data.File("strings.bin");
  {
    RecordWriter writer(path);
    WriteRecordString(writer, "");
    WriteRecordString(writer, std::string("ab\0cd", 5));  // up to the first zero
    writer.Commit();
  }
  EXPECT_EQ(ReadBytes(path), (std::vector<unsigned char>{0, 0, 2, 0, 'a', 'b'}));
  RecordReader reader(path);
  EXPECT_EQ(ReadRecordString(reader), "");
  EXPECT_EQ(ReadRecordString(reader), "ab");
  EXPECT_THROW(ReadRecordString(reader), FileError);
}

TEST_F(RecordNames, AWriterThatIsNotCommittedLeavesTheOldFile) {
  const std::string path = data.File("record.bin");
  WriteBytes(path, {9, 9});
  {
    RecordWriter writer(path);
    writer.WriteInt32(1);
  }
  EXPECT_EQ(ReadBytes(path), (std::vector<unsigned char>{9, 9}));
  EXPECT_FALSE(FileExists(path + ".saving"));
}

}  // namespace
}  // namespace lumbra
