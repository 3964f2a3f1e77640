#include <gtest/gtest.h>

#include "core/mdINIBas.h"
#include "platform/FileSystem.h"
#include "platform/PrivateProfile.h"
#include "tests/support/TestEnv.h"

using namespace mv;

class Ini : public mvtest::ProgramFolderTest {
 protected:
  std::string file() const { return folder + "\\Profiles\\Test.MVL"; }
  // S k goes from "old" to "new" in the test file and `second` together; the
  // change ends after its record and the first file.
  void leaveChangeHalfWay(const std::string& second) {
    ASSERT_TRUE(WriteINI("S", "k", "old", file(), false));
    ASSERT_TRUE(WriteINI("S", "k", "old", second, false));
    mv::platform::setProfileFileWriter([left = 2](const std::string& native, const std::string& bytes) mutable {
      return left-- > 0 && mv::platform::writeNativeFileAtomic(native, bytes);
    });
    EXPECT_FALSE(StoreTogether([&] { return WriteINI("S", "k", "new", file(), false) && WriteINI("S", "k", "new", second, false); }));
    mv::platform::setProfileFileWriter(nullptr);
  }
  std::string text() const { return readText("Profiles/Test.MVL"); }
};

TEST(Scrambling, KnownVectors) {
  // The key runs from its second character: "key" gives e, y, k, e, ...
  EXPECT_EQ(EncryptString("ABC", "key"), "\xA6\xBB\xAE");
  EXPECT_EQ(EncryptString("a", "x"), "\xD9");
  EXPECT_EQ(EncryptString("\xFF", "A"), "@");                  // wraps past 255
  EXPECT_EQ(DecryptString("\x01", "AB"), "\xBF");              // wraps below 0
  EXPECT_EQ(EncryptString("same text", ""), "same text");
  EXPECT_EQ(DecryptString("same text", ""), "same text");
  EXPECT_EQ(EncryptString("", "key"), "");
}

TEST(Scrambling, EveryByteValueRoundTripsUnderSeveralKeys) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  for (const std::string& key : std::vector<std::string>{"A", "Main", "0001", "Database_LastLineNo", "\xFF\x01", std::string(300, 'z')}) {
    std::string s = EncryptString(all, key);
    EXPECT_EQ(s.size(), all.size());
    EXPECT_NE(s, all);
    EXPECT_EQ(DecryptString(s, key), all) << key;
  }
  // Longer than a 16-bit counter could index.
  std::string big(70000, 'q');
  EXPECT_EQ(DecryptString(EncryptString(big, "key"), "key"), big);
}

TEST_F(Ini, MissingKeysReadEmptyWhateverTheDefault) {
  EXPECT_EQ(ReadINI("Main", "Nothing", "42", file(), true), "");
  ASSERT_TRUE(WriteINI("Main", "Other", "1", file(), true));
  EXPECT_EQ(ReadINI("Main", "Nothing", "42", file(), true), "");
  EXPECT_EQ(ReadINI("NoSection", "Other", "x", file(), false), "");
}

TEST_F(Ini, ValuesAreScrambledWithTheSectionNameAndNamesMatchWithoutCase) {
  ASSERT_TRUE(WriteINI("Main", "Path", "C:\\logs", file(), true));
  EXPECT_EQ(text(), "[Main]\r\nPath=" + EncryptString("C:\\logs", "Main") + "\r\n");
  EXPECT_EQ(ReadINI("main", "PATH", "", file(), false), EncryptString("C:\\logs", "Main"));
  // The section name as passed is the scrambling key.
  EXPECT_EQ(ReadINI("Main", "PATH", "", file(), true), "C:\\logs");
  EXPECT_EQ(ReadINI("Main", "Path", "", file(), false), EncryptString("C:\\logs", "Main"));
  ASSERT_TRUE(WriteINI("Plain", "Tip", "Hello", file(), false));
  EXPECT_EQ(ReadINI("plain", "TIP", "", file(), false), "Hello");
}

TEST_F(Ini, LeadingBlanksAreDroppedTrailingKeptAndEmptyValuesStay) {
  ASSERT_TRUE(WriteINI("S", "k", "   padded  ", file(), false));
  EXPECT_EQ(ReadINI("S", "k", "", file(), false), "padded  ");
  ASSERT_TRUE(WriteINI("S", "k", "   padded  ", file(), true));
  EXPECT_EQ(ReadINI("S", "k", "", file(), true), "padded  ");
  ASSERT_TRUE(WriteINI("S", "e", "", file(), true));
  EXPECT_NE(text().find("\r\ne=\r\n"), std::string::npos);
}

TEST_F(Ini, ScrambledBytesALineCannotCarryComeBackWhole) {
  // With the section "S", the byte B7 scrambles to a line feed and 0xAD to 0.
  const std::string value = "\xB7x\xAD";
  ASSERT_EQ(EncryptString(value, "S")[0], '\n');
  ASSERT_TRUE(WriteINI("S", "k", value, file(), true));
  EXPECT_EQ(ReadINI("S", "k", "", file(), true), value);
  ReadIniSection(file(), "S");
  ASSERT_EQ(arrIniSection.size(), 1u);
  EXPECT_EQ(arrIniSection[0].Value, value);
}

TEST_F(Ini, AFailedWriteIsReportedAndLogged) {
  ASSERT_TRUE(WriteINI("S", "k", "v", file(), true));
  ASSERT_TRUE(mv::platform::setReadOnly(file(), true));
  EXPECT_FALSE(WriteINI("S", "k", "w", file(), true));
  EXPECT_EQ(ReadINI("S", "k", "", file(), true), "v");
  EXPECT_FALSE(WriteINI("S", "k", "v", folder + "\\Missing\\x.MVL", true));
  std::string log = readText("Err.log");
  EXPECT_NE(log.find("WriteINI of mdINIBas: "), std::string::npos);
  EXPECT_EQ(log.substr(log.size() - 2), "\r\n");
}

TEST_F(Ini, AChangeLeftHalfWayIsFinishedAsFarAsItCanBeToldAndCompletedBeforeALaterWrite) {
  const std::string second = folder + "\\Profiles\\Second.MVL";
  leaveChangeHalfWay(second);
  writeText("Err.log", "");
  ASSERT_TRUE(mv::platform::setReadOnly(second, true));
  FinishPendingChange();
  // What could be written is; the rest is logged and told, by its name.
  EXPECT_EQ(ReadINI("S", "k", "", file(), false), "new");
  EXPECT_EQ(ReadINI("S", "k", "", second, false), "old");
  EXPECT_NE(readText("Err.log").find("could not be completed in " + native("Profiles/Second.MVL")), std::string::npos)
      << readText("Err.log");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].prompt.find(native("Profiles/Second.MVL")), std::string::npos);
  EXPECT_NE(messages[0].prompt.find("It stays recorded"), std::string::npos) << messages[0].prompt;
  // The record stays until the file can be written; a later write then
  // completes it first, and stands through the next start.
  EXPECT_TRUE(mv::platform::fileExists(mv::platform::profileChangeRecordPath()));
  ASSERT_TRUE(mv::platform::setReadOnly(second, false));
  ASSERT_TRUE(WriteINI("S", "k", "later", second, false));
  EXPECT_FALSE(mv::platform::fileExists(mv::platform::profileChangeRecordPath()));
  FinishPendingChange();
  EXPECT_EQ(ReadINI("S", "k", "", second, false), "later");
  EXPECT_EQ(messages.size(), 1u);
}

TEST_F(Ini, AChangeNoneOfWhichCouldBeFinishedIsNotSaidToBeSavedInPart) {
  const std::string second = folder + "\\Profiles\\Second.MVL";
  leaveChangeHalfWay(second);
  ASSERT_TRUE(mv::platform::setReadOnly(file(), true));
  ASSERT_TRUE(mv::platform::setReadOnly(second, true));
  FinishPendingChange();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].prompt.find(native("Profiles/Second.MVL")), std::string::npos);
  EXPECT_EQ(messages[0].prompt.find("was saved"), std::string::npos) << messages[0].prompt;
  ASSERT_TRUE(mv::platform::setReadOnly(file(), false));
  ASSERT_TRUE(mv::platform::setReadOnly(second, false));
}

TEST_F(Ini, ReadIniSectionKeepsFileOrderAndStopsAtAnEntryWithoutEquals) {
  writeText("Profiles/Test.MVL", "[P]\r\nb=" + EncryptString("2", "P") + "\r\na=" + EncryptString("1=x", "P") +
                                     "\r\nbroken\r\nc=" + EncryptString("3", "P") + "\r\n[Q]\r\n");
  std::string raw = ReadIniSection(file(), "P");
  EXPECT_EQ(raw.find(std::string(1, 0)), 3u);  // entries are separated by NUL
  ASSERT_EQ(arrIniSection.size(), 2u);
  EXPECT_EQ(arrIniSection[0].Key, "b");
  EXPECT_EQ(arrIniSection[0].Value, "2");
  EXPECT_EQ(arrIniSection[1].Key, "a");
  EXPECT_EQ(arrIniSection[1].Value, "1=x");
  // An empty or missing section returns "" and leaves the previous pairs.
  EXPECT_EQ(ReadIniSection(file(), "Q"), "");
  EXPECT_EQ(ReadIniSection(file(), "Missing"), "");
  EXPECT_EQ(arrIniSection.size(), 2u);
}

TEST_F(Ini, ValuesWhoseScrambledFormHoldsEqualsSplitAtTheFirstEquals) {
  // '=' is 61; with the section "A" (65) the plain byte 0xFC scrambles to it.
  const std::string value = "\xFCz\xFC";
  ASSERT_EQ(EncryptString(value, "A"), "=\xBB=");
  ASSERT_TRUE(WriteINI("A", "k", value, file(), true));
  ReadIniSection(file(), "A");
  ASSERT_EQ(arrIniSection.size(), 1u);
  EXPECT_EQ(arrIniSection[0].Key, "k");
  EXPECT_EQ(arrIniSection[0].Value, value);
}

TEST_F(Ini, SectionNamesKeysAndDeletion) {
  EXPECT_EQ(GetINISectionNames(file()), "");
  ASSERT_TRUE(WriteINI("One", "a", "1", file(), true));
  ASSERT_TRUE(WriteINI("Two", "b", "2", file(), true));
  ASSERT_TRUE(WriteINI("Two", "c", "3", file(), true));
  EXPECT_EQ(GetINISectionNames(file()), std::string("One\0Two", 7));
  std::vector<std::string> keys;
  GetINISectionKeys(keys, "two", file());
  EXPECT_EQ(keys, (std::vector<std::string>{"", "b", "c"}));
  std::vector<std::string> untouched{"keep"};
  GetINISectionKeys(untouched, "Missing", file());
  EXPECT_EQ(untouched, std::vector<std::string>{"keep"});
  EXPECT_TRUE(DeleteINISection("ONE", file()));
  EXPECT_EQ(GetINISectionNames(file()), "Two");
  EXPECT_EQ(text(), "[Two]\r\nb=" + EncryptString("2", "Two") + "\r\nc=" + EncryptString("3", "Two") + "\r\n");
}

