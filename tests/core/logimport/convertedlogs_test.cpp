// Logs converted long ago on Unix load as the captures they came from.
#include <gtest/gtest.h>
#include <iconv.h>

#include "core/app/apphost.h"
#include "core/app/appstate.h"
#include "core/logimport/logloading.h"
#include "core/logimport/messagefile.h"
#include "core/text/cp932.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

using testing::readFile;
using testing::TempDir;
using testing::writeFile;

// The system's iconv, independent of the product's own tables.
Bytes recode(const char* to, const char* from, ByteView in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no converter");
  Bytes out(in.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) throw std::runtime_error("cannot recode");
  out.resize(out.size() - dstLeft);
  return out;
}

Bytes withoutCR(Bytes s) {
  std::erase(s, '\r');
  return s;
}

struct CaptionHost : AppHost {
  Bytes caption;
  void setMainCaption(const Bytes& c) override { caption = c; }
  void setApplicationTitle(const Bytes&) override {}
};

struct Loaded {
  int32_t count = 0;
  std::vector<Bytes> files;
  Bytes caption;
};

Loaded load(const std::filesystem::path& log) {
  TempDir store;
  AppState state;
  CaptionHost host;
  SetDefaults(state, host);
  state.WorkDir = store.text();
  loadLogIntoStore(log, state, host);
  Loaded l{state.MesCount, {}, host.caption};
  for (int32_t n = 1; n <= state.MesCount; ++n) l.files.push_back(readFile(messagePath(store.path(), n)));
  return l;
}

TEST(ConvertedLogs, LoadAsTheCaptureTheyCameFrom) {
  for (const char* sample : {"pelnet-0403.log", "sample.log"}) {
    const Bytes captured = readFile(std::filesystem::path(PELARIN_SAMPLES) / sample);
    const Bytes utf8 = recode("UTF-8", "CP932", captured);
    struct Form {
      const char* what;
      Bytes bytes;
      const char* note;
    } forms[] = {
        {"LF", withoutCR(captured), "［LF 改行］"},
        {"UTF-8, CR LF", utf8, "［UTF-8 から変換］"},
        {"UTF-8, LF", withoutCR(utf8), "［UTF-8 から変換・LF 改行］"},
        {"EUC-JP, LF", withoutCR(recode("EUC-JP", "UTF-8", utf8)), "［EUC-JP から変換・LF 改行］"},
    };
    TempDir logs;
    writeFile(logs / "captured.log", captured);
    const Loaded expected = load(logs / "captured.log");
    ASSERT_GT(expected.count, 0) << sample;
    EXPECT_EQ(expected.caption, "Pelarin for Windows") << "a capture is read as it is";
    for (const Form& f : forms) {
      writeFile(logs / "converted.log", f.bytes);
      const Loaded got = load(logs / "converted.log");
      EXPECT_EQ(got.count, expected.count) << sample << ", " << f.what;
      EXPECT_TRUE(got.files == expected.files) << sample << ", " << f.what;
      EXPECT_EQ(got.caption, "Pelarin for Windows " + utf8ToCp932(f.note)) << sample << ", " << f.what;
    }
  }
}

}  // namespace
}  // namespace pelarin
