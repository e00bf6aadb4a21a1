#include "core/compose/signature.h"

#include <gtest/gtest.h>

#include <functional>

#include "core/text/errors.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

namespace fs = std::filesystem;
using testing::crlf;
using testing::readFile;
using testing::sj;
using testing::TempDir;
using testing::writeFile;

class Signature : public ::testing::Test {
 protected:
  fs::path file() const { return dir / kSignatureFileName; }
  size_t entries() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir.path()), {}));
  }
  TempDir dir;
};

TEST_F(Signature, MissingFileIsNoSignature) {
  EXPECT_EQ(readSignature(file()), std::nullopt);
  EXPECT_EQ(entries(), 0u);  // reading creates nothing
}

TEST_F(Signature, ThreeLinesRoundTrip) {
  const Lines lines{sj("山田太郎"), "", "  mail: taro@example.jp  "};
  writeSignature(file(), lines);
  EXPECT_EQ(readFile(file()), crlf({sj("山田太郎"), "", "  mail: taro@example.jp  "}));
  EXPECT_EQ(readSignature(file()), lines);
}

TEST_F(Signature, EnsureCreatesAnEmptyFileOnlyWhenMissing) {
  ensureSignature(file());
  EXPECT_EQ(readFile(file()), "");
  EXPECT_EQ(readSignature(file()), Lines{});  // an empty signature, not a missing one

  writeFile(file(), crlf({"kept"}));
  ensureSignature(file());
  EXPECT_EQ(readFile(file()), crlf({"kept"}));
}

TEST_F(Signature, WriteReplacesTheWholeFile) {
  writeFile(file(), crlf({"1", "2", "3", "4", "5"}));
  writeSignature(file(), {"only"});
  EXPECT_EQ(readFile(file()), crlf({"only"}));
  writeSignature(file(), {});
  EXPECT_EQ(readFile(file()), "");
  EXPECT_EQ(entries(), 1u) << "no temporary file left beside it";
}

TEST_F(Signature, FailuresAreFileErrors) {
  const fs::path missing = dir / "missing" / kSignatureFileName;
  EXPECT_THROW(ensureSignature(missing), FileError);
  EXPECT_THROW(writeSignature(missing, {"x"}), FileError);
  EXPECT_EQ(entries(), 0u);

  fs::create_directory(file());  // a directory where the file should be
  EXPECT_THROW(writeSignature(file(), {"x"}), FileError);
  EXPECT_TRUE(fs::is_directory(file()));
  EXPECT_EQ(entries(), 1u);
}

TEST_F(Signature, CreationNeverWritesThroughALinkOrIntoADirectory) {
  TempDir outside;
  const Bytes victim = "outside\r\n";
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> plant;
  } cases[] = {
      {"link to a file", [&](const fs::path& p) { fs::create_symlink(outside / "victim", p); }},
      {"dangling link", [&](const fs::path& p) { fs::create_symlink(outside / "made", p); }},
      {"directory", [](const fs::path& p) { fs::create_directory(p); }},
  };
  for (const auto& c : cases) {
    TempDir work;
    writeFile(outside / "victim", victim);
    c.plant(work / kSignatureFileName);
    try {
      ensureSignature(work / kSignatureFileName);
      ADD_FAILURE() << c.name;
    } catch (const FileError& e) {
      EXPECT_NE(std::string(e.what()).find("/sig.txt\": "), std::string::npos) << e.what();
    }
    EXPECT_EQ(readFile(outside / "victim"), victim) << c.name;
    EXPECT_FALSE(fs::exists(outside / "made")) << c.name;
  }
}

}  // namespace
}  // namespace pelarin

#include "support/specialfiles.h"

namespace pelarin {
namespace {

TEST(SignatureFile, OnlyARegularFileIsRead) {
  for (testing::Special kind : testing::kSpecials) {
    testing::TempDir dir;
    const auto file = dir / kSignatureFileName;
    testing::plantSpecial(kind, file);
    const std::string error = testing::errorOfRead([&] { readSignature(file); }, file);
    EXPECT_NE(error.find("sig.txt"), std::string::npos) << testing::specialName(kind) << ": " << error;
  }
}

}  // namespace
}  // namespace pelarin
