#include "core/app/directories.h"

#include <gtest/gtest.h>

#include "core/app/workdir.h"
#include "core/text/paths.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

TEST(Directories, SeparatorAppendedOnlyWhereMissing) {
  const Bytes sep(1, kSeparator);
  struct Case {
    Bytes in, out;
  } cases[] = {
      {"", ""},                      // empty stays empty
      {"logs", "logs" + sep},        // appended
      {"logs" + sep, "logs" + sep},  // already there
      {sep, sep},                    // the root alone
      {"a b ", "a b " + sep},        // trailing blank kept, separator after it
  };
  for (const auto& c : cases) EXPECT_EQ(withSeparator(c.in), c.out) << c.in;
}

// A directory's name without a code page 932 form keeps the work directory text empty, so files are
// named relative to the current directory; the warning names the directory and says so.
TEST(WorkDirectory, NameWithoutACodePage932FormIsKeptRelative) {
  testing::TempDir dir;
  std::string warning;
  EXPECT_EQ(workDirText(dir.path(), &warning), textFromPath(dir.path()) + kSeparator);
  EXPECT_EQ(warning, "");
  EXPECT_EQ(workDirText(dir / "ログ" / "", &warning),
            textFromPath(dir / "ログ") + kSeparator);  // one separator

  const auto hangul = dir / "로그";
  EXPECT_EQ(workDirText(hangul, &warning), "");
  EXPECT_EQ(warning, "作業ディレクトリ '" + hangul.string() +
                         "' の名前には Shift-JIS で表せない文字があります: \"로\" (U+B85C) \"그\" (U+ADF8)\n"
                         "ファイルは現在のディレクトリからの相対パスで扱います。");
  EXPECT_EQ(workDirText(dir / "a\u00a0b", &warning), "");
  EXPECT_NE(warning.find("NO-BREAK SPACE (U+00A0)"), std::string::npos) << warning;
}

}  // namespace
}  // namespace pelarin
