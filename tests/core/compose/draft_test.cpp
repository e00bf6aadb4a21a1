#include "core/compose/draft.h"

#include <gtest/gtest.h>

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

Draft filled(DraftKind kind, const Bytes& text) {
  Draft draft;
  draft.kind = kind;
  draft.textFileDir = sj("/home/太郎/up/");
  draft.uploadFile = "nifty.txt";
  for (const DraftField& field : draftFields(kind)) draft.fields[field.name] = "";
  const DraftField& last = draftFields(kind).back();
  draft.fields[last.name] = text;
  return draft;
}

TEST(Draft, FileNamesAreApartAndNotTheStoreOnes) {
  std::set<std::string> names;
  for (const DraftKind kind : kDraftKinds) {
    const std::string name = draftFileName(kind);
    names.insert(name);
    // The start-up clean-up removes mes*.tmp.
    EXPECT_FALSE(name.rfind("mes", 0) == 0 && name.ends_with(".tmp")) << name;
  }
  EXPECT_EQ(names.size(), 3u);
}

TEST(Draft, AnyTextRoundTrips) {
  const struct {
    const char* what;
    Bytes text;
  } cases[] = {
      {"empty", ""},
      {"no code page 932 form", "\xF0\x9F\x98\x80 emoji, \xE2\x84\xA2, \xEF\xBD\x9E and \xE3\x81\x82"},
      {"CR, LF, CR LF inside", "one\rtwo\nthree\r\nfour\n"},
      {"Ctrl-Z, NUL, DEL, tab", Bytes("a\x1A"
                                      "b\0c\x7F\td",
                                      8)},
      {"backslashes and escape-like text", "C:\\temp\\x41\\\\ \\x"},
      {"equals signs and a line like the end", "a=b\nend\nkind=mail"},
      {"blanks at both ends", "  \n  "},
  };
  TempDir dir;
  for (const DraftKind kind : kDraftKinds) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.what);
      const Draft draft = filled(kind, c.text);
      writeDraft(dir / draftFileName(kind), draft);
      EXPECT_EQ(readDraft(dir / draftFileName(kind), kind), draft);
    }
  }
}

TEST(Draft, TheSystemsBytesOfAResponseRoundTrip) {
  TempDir dir;
  Draft draft = filled(DraftKind::Response, "text");
  // Whatever the log held, including bytes that are not UTF-8.
  draft.fields["Boardnum"] = "B12";
  draft.fields["Mesnum"] = "\x81\x40\x80\xA0\xFD";
  draft.fields["ResTitle"] = "\xE5\xBE\xA1\xE7\xA4\xBC \xEF\xBF\xBD";  // 御礼 and a replacement mark
  draft.uploadFile = sj("ﾊﾟｿ通.txt");
  writeDraft(dir / "d", draft);
  EXPECT_EQ(readDraft(dir / "d", DraftKind::Response), draft);
}

TEST(Draft, AnEditKeepsTheRecordItReplacesAndANewCompositionWritesNoSuchLines) {
  TempDir dir;
  Draft edit = filled(DraftKind::Mail, "text");
  edit.replaces = "M\r\nW\r\n77\r\n\r\n" + sj("題") + "\r\n/es\r\nE\r\n\x1a";
  edit.replacesAt = 12;
  writeDraft(dir / "d", edit);
  EXPECT_EQ(readDraft(dir / "d", DraftKind::Mail), edit);
  EXPECT_NE(readFile(dir / "d").find("\r\nReplacesAt=12\r\n"), Bytes::npos);
  writeDraft(dir / "n", filled(DraftKind::Mail, "text"));
  EXPECT_EQ(readFile(dir / "n").find("Replaces"), Bytes::npos);
  const Draft plain = readDraft(dir / "n", DraftKind::Mail);
  EXPECT_TRUE(plain.replaces.empty());
  // A place without the record it is of would not survive the next write.
  Bytes lone = readFile(dir / "n");
  lone.replace(lone.find("ID0="), 0, "ReplacesAt=4\r\n");
  writeFile(dir / "n", lone);
  EXPECT_EQ(readDraft(dir / "n", DraftKind::Mail), plain);
}

TEST(Draft, TheFileIsUtf8TextOfOneLinePerField) {
  TempDir dir;
  Draft draft = filled(DraftKind::NewMessage, "a\r\nb");
  draft.fields["MesTitle"] = "\xE3\x81\x82";  // あ
  writeDraft(dir / "d", draft);
  EXPECT_EQ(readFile(dir / "d"), crlf({"Pelarin draft 1", "kind=new",
                                       "TextFileDir=/home/\\x91\\xBE\\x98Y/up/", "UploadFile=nifty.txt",
                                       "Boardnum=", "MesTitle=\xE3\x81\x82", "NewView=a\\x0D\\x0Ab", "end"}));
}

TEST(Draft, ADamagedFileIsRefused) {
  TempDir dir;
  const fs::path file = dir / "d";
  writeDraft(file, filled(DraftKind::NewMessage, "text"));
  const Bytes good = readFile(file);
  const auto replaced = [&](const Bytes& from, const Bytes& to) {
    Bytes text = good;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  const struct {
    const char* what;
    Bytes bytes;
    DraftKind kind;
  } cases[] = {
      {"empty file", "", DraftKind::NewMessage},
      {"other header", replaced("draft 1", "draft 2"), DraftKind::NewMessage},
      {"another kind", good, DraftKind::Mail},
      {"cut before the end line", good.substr(0, good.find("end")), DraftKind::NewMessage},
      {"cut inside a line", good.substr(0, good.find("NewView") + 9), DraftKind::NewMessage},
      {"a field missing", replaced("MesTitle=\r\n", ""), DraftKind::NewMessage},
      {"the script missing", replaced("UploadFile=nifty.txt\r\n", ""), DraftKind::NewMessage},
      {"a field twice", replaced("end", "MesTitle=x\r\nend"), DraftKind::NewMessage},
      {"an unknown field", replaced("end", "Colour=red\r\nend"), DraftKind::NewMessage},
      {"a line without =", replaced("end", "junk\r\nend"), DraftKind::NewMessage},
      {"a bad escape", replaced("NewView=text", "NewView=te\\q"), DraftKind::NewMessage},
      {"half an escape", replaced("NewView=text", "NewView=text\\x4"), DraftKind::NewMessage},
      {"text after the end", good + "more\r\n", DraftKind::NewMessage},
      {"typed text that is not UTF-8", replaced("MesTitle=", "MesTitle=\x82\xA0"), DraftKind::NewMessage},
      {"a negative place", replaced("end", "Replaces=B5\r\nReplacesAt=-1\r\nend"), DraftKind::NewMessage},
      {"a place that is no number", replaced("end", "Replaces=B5\r\nReplacesAt=x\r\nend"),
       DraftKind::NewMessage},
      {"a place past any script", replaced("end", "ReplacesAt=99999999999999999999\r\nend"),
       DraftKind::NewMessage},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    writeFile(file, c.bytes);
    EXPECT_THROW(readDraft(file, c.kind), DraftError);
  }
}

TEST(Draft, TheErrorSaysWhichLine) {
  TempDir dir;
  writeFile(dir / "d", crlf({"Pelarin draft 1", "kind=new", "Junk"}));
  try {
    readDraft(dir / "d", DraftKind::NewMessage);
    FAIL();
  } catch (const DraftError& e) {
    EXPECT_NE(std::string(e.what()).find("3 行目"), std::string::npos) << e.what();
  }
}

TEST(Draft, AMissingFileIsAFileError) {
  TempDir dir;
  EXPECT_THROW(readDraft(dir / "none", DraftKind::Mail), FileError);
}

TEST(Draft, WritingReplacesTheWholeFile) {
  TempDir dir;
  const fs::path file = dir / "d";
  writeDraft(file, filled(DraftKind::Mail, Bytes(5000, 'x')));
  writeDraft(file, filled(DraftKind::Mail, "short"));
  EXPECT_EQ(readDraft(file, DraftKind::Mail).field("MailView"), "short");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
}

TEST(Draft, SetAsideNeverReplacesAnEarlierOne) {
  TempDir dir;
  const fs::path file = dir / "pelarin-new.draft";
  writeFile(file, "first");
  EXPECT_EQ(setDraftAside(file), dir / "pelarin-new.draft.bad");
  writeFile(file, "second");
  EXPECT_EQ(setDraftAside(file), dir / "pelarin-new.draft.bad2");
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(readFile(dir / "pelarin-new.draft.bad"), "first");
  EXPECT_EQ(readFile(dir / "pelarin-new.draft.bad2"), "second");
}

}  // namespace
}  // namespace pelarin
