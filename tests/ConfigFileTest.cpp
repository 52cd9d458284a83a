#include "ConfigFile.h"

#include <gtest/gtest.h>

#include <string>

#include "TestFiles.h"

namespace tests {
namespace {

class ConfigFileTest : public ::testing::Test {
 protected:
  // Reads |key| of section GLOBAL from a file holding |contents|.
  int Read(const std::string& contents, const std::string& key, std::string* value,
           const std::string& section = "GLOBAL") {
    WriteBytes(Path(), contents);
    return common::ReadConfigValue(Path(), section, key, value);
  }
  std::string Path() const { return dir_.path() + "Q81.cfg"; }

  TempDirectory dir_;
};

TEST_F(ConfigFileTest, ReadsTheTypicalFile) {
  const std::string file =
      "#player library settings\n[GLOBAL]\n[TRACE_PATH] [d:/trace/]\n[DEBUG_LEVEL] [1]\n";
  std::string value;
  EXPECT_EQ(Read(file, "TRACE_PATH", &value), 0);
  EXPECT_EQ(value, "d:/trace/");
  EXPECT_EQ(Read(file, "DEBUG_LEVEL", &value), 0);
  EXPECT_EQ(value, "1");
}

TEST_F(ConfigFileTest, IgnoresTextAroundBracketsAndKeepsBlanksInValues) {
  std::string value;
  EXPECT_EQ(Read("  [GLOBAL] remark\nx[KEY] = [a b ] tail\n", "KEY", &value), 0);
  EXPECT_EQ(value, "a b ");
  EXPECT_EQ(Read("[GLOBAL]\n[KEY][]\n", "KEY", &value), 0);
  EXPECT_EQ(value, "");
}

TEST_F(ConfigFileTest, WindowsLineEndsDoNotDisturbTheTokens) {
  std::string value;
  EXPECT_EQ(Read("[GLOBAL]\r\n[KEY] [v]\r\n", "KEY", &value), 0);
  EXPECT_EQ(value, "v");
}

TEST_F(ConfigFileTest, FailuresLeaveTheValueUntouched) {
  std::string value = "unchanged";
  EXPECT_EQ(common::ReadConfigValue(dir_.path() + "missing.cfg", "GLOBAL", "KEY", &value), -1);
  EXPECT_EQ(Read("[OTHER]\n[KEY] [v]\n", "KEY", &value), -1);     // no such section
  EXPECT_EQ(Read("[GLOBAL]\n[OTHER] [v]\n", "KEY", &value), -1);  // no such key
  EXPECT_EQ(Read("[KEY] [v]\n[GLOBAL]\n", "KEY", &value), -1);    // key before its section
  EXPECT_EQ(Read("[global]\n[KEY] [v]\n", "KEY", &value), -1);    // case differs
  EXPECT_EQ(Read("[GLOBAL]\n[key] [v]\n", "KEY", &value), -1);
  EXPECT_EQ(Read("[ GLOBAL ]\n[KEY] [v]\n", "KEY", &value), -1);  // blanks are part of the token
  EXPECT_EQ(Read("[GLOBAL]\n#[KEY] [v]\n", "KEY", &value), -1);   // comment
  EXPECT_EQ(value, "unchanged");
}

TEST_F(ConfigFileTest, AKeyLineWithoutACompleteValueEndsTheSearch) {
  std::string value = "unchanged";
  EXPECT_EQ(Read("[GLOBAL]\n[KEY]\n[KEY] [v]\n", "KEY", &value), -1);
  EXPECT_EQ(Read("[GLOBAL]\n[KEY] [v\n[KEY] [w]\n", "KEY", &value), -1);
  EXPECT_EQ(value, "unchanged");
}

TEST_F(ConfigFileTest, ACommentNeedsTheFirstColumn) {
  std::string value;
  EXPECT_EQ(Read("[GLOBAL]\n #x\n [KEY] [v]\n", "KEY", &value), 0);
  EXPECT_EQ(value, "v");
}

TEST_F(ConfigFileTest, OnlyTheFirstSectionHeaderCountsAndSectionsNeverEnd) {
  std::string value;
  EXPECT_EQ(Read("[GLOBAL]\n[A] [1]\n[GLOBAL]\n[A] [2]\n", "A", &value), 0);
  EXPECT_EQ(value, "1");
  EXPECT_EQ(Read("[GLOBAL]\n[OTHER]\n[A] [3]\n", "A", &value), 0);
  EXPECT_EQ(value, "3");
  // A header line may carry more brackets; only its token counts.
  EXPECT_EQ(Read("[X] [GLOBAL]\n[A] [4]\n", "A", &value, "X"), 0);
  EXPECT_EQ(value, "4");
}

TEST_F(ConfigFileTest, LongLinesAreReadIn99CharacterPieces) {
  std::string value;
  // The value closes at character 99: still in the first piece.
  const std::string fits = "[KEY] [" + std::string(91, 'v') + "]";
  ASSERT_EQ(fits.size(), 99u);
  EXPECT_EQ(Read("[GLOBAL]\n" + fits + "\n", "KEY", &value), 0);
  EXPECT_EQ(value, std::string(91, 'v'));

  // One more and the first piece holds no complete value.
  const std::string tooLong = "[KEY] [" + std::string(92, 'v') + "]";
  EXPECT_EQ(Read("[GLOBAL]\n" + tooLong + "\n", "KEY", &value), -1);

  // Characters from the 100th on form pieces of their own.
  const std::string padded = std::string(99, ' ') + "[KEY] [w]";
  EXPECT_EQ(Read("[GLOBAL]\n" + padded + "\n", "KEY", &value), 0);
  EXPECT_EQ(value, "w");
  const std::string commented = std::string(99, ' ') + "#[KEY] [c]\n[KEY] [d]";
  EXPECT_EQ(Read("[GLOBAL]\n" + commented + "\n", "KEY", &value), 0);
  EXPECT_EQ(value, "d");
}

TEST_F(ConfigFileTest, ADirectoryIsNoConfigurationFile) {
  std::string value = "unchanged";
  EXPECT_EQ(common::ReadConfigValue(dir_.path(), "GLOBAL", "KEY", &value), -1);
  EXPECT_EQ(value, "unchanged");
}

}  // namespace
}  // namespace tests
