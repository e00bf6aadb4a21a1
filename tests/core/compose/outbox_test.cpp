#include "core/compose/outbox.h"

#include <gtest/gtest.h>

#include "core/text/errors.h"
#include "support/tempdir.h"

namespace pelarin {
namespace {

using namespace testing;

Bytes joined(std::initializer_list<Lines> records) {
  Bytes bytes;
  for (const Lines& record : records)
    for (const Bytes& line : record) bytes += line + "\r\n";
  return bytes;
}

const Lines kResponse = responseRecord("B5", "123", sj("花見の件"), {sj("> 引用"), "", "W", "M"});
const Lines kNew = newMessageRecord("BF", sj("新しい話"), {});
const Lines kMail = mailRecord(MailIds{"77", "1001"}, sj("お手紙"), {sj("本文"), "/ES"});
const Lines kMailTen = mailRecord(MailIds{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}, "ten", {"x"});

TEST(Outbox, ReadsTheThreeRecordsWithTheirFields) {
  const ScriptContent c = parseUploadScript(joined({kResponse, kNew, kMail, kMailTen}));
  ASSERT_EQ(c.blocks.size(), 4u);
  const ScriptBlock& res = c.blocks[0];
  EXPECT_EQ(res.kind, BlockKind::Response);
  EXPECT_EQ(res.board, "B5");
  EXPECT_EQ(res.mesnum, "123");
  EXPECT_EQ(res.title, sj("花見の件"));
  EXPECT_EQ(res.body, (Lines{sj("> 引用"), "", "W", "M"}));
  EXPECT_TRUE(res.endsWithEs && res.endsWithE);
  EXPECT_EQ(res.lines, kResponse);
  EXPECT_EQ(c.blocks[1].kind, BlockKind::NewMessage);
  EXPECT_EQ(c.blocks[1].board, "BF");
  EXPECT_TRUE(c.blocks[1].body.empty());
  EXPECT_EQ(c.blocks[1].firstLine, kResponse.size() + 1);
  const ScriptBlock& mail = c.blocks[2];
  EXPECT_EQ(mail.kind, BlockKind::Mail);
  EXPECT_EQ(mail.ids, (MailIds{"77", "1001"}));
  EXPECT_EQ(mail.title, sj("お手紙"));
  EXPECT_EQ(mail.body, (Lines{sj("本文"), "/ES"}));
  EXPECT_EQ(c.blocks[3].ids[9], "10");
  EXPECT_EQ(c.blocks[3].title, "ten");
  EXPECT_EQ(c.blocks[3].body, Lines{"x"});
  EXPECT_TRUE(checkUploadScript(c).empty());
}

// Scripts as the composers write them and as hands have damaged them: the
// bytes read are the bytes written back, block by block.
TEST(Outbox, RoundTripsEveryScriptByteForByte) {
  const Bytes good = joined({kResponse, kNew, kMail});
  struct Case {
    const char* name;
    Bytes bytes;
    std::vector<BlockKind> kinds;
  } cases[] = {
      {"composers", good, {BlockKind::Response, BlockKind::NewMessage, BlockKind::Mail}},
      {"empty", "", {}},
      {"host commands before and between",
       "G 5\r\n" + joined({kNew}) + "\r\nOFF\r\n" + joined({kMail}),
       {BlockKind::Text, BlockKind::NewMessage, BlockKind::Text, BlockKind::Mail}},
      {"no line end at the end",
       good.substr(0, good.size() - 2),
       {BlockKind::Response, BlockKind::NewMessage, BlockKind::Mail}},
      {"lone CR and LF ends", "B5\rW\r\nT\rline\nwith LF\r\n/es\rE\r", {BlockKind::NewMessage}},
      {"Ctrl-Z and what follows",
       good + "\x1a" + "junk\r\n",
       {BlockKind::Response, BlockKind::NewMessage, BlockKind::Mail}},
      {"missing end swallows nothing",
       joined({{"B5", "J7", "W1", "T", "body"}, kNew}),
       {BlockKind::Response, BlockKind::NewMessage}},
      {"bad bytes", "B1\r\nW\r\n\x82\r\n\x85\x40\r\n/es\r\nE\r\n", {BlockKind::NewMessage}},
      {"a long board code that ends a body starts a record",
       joined({{"B5", "W", "T", "body"}, newMessageRecord("I1234567890", "T2", {})}),
       {BlockKind::NewMessage, BlockKind::NewMessage}},
  };
  for (const auto& c : cases) {
    const ScriptContent content = parseUploadScript(c.bytes);
    EXPECT_EQ(scriptBytes(content), c.bytes) << c.name;
    std::vector<BlockKind> kinds;
    for (const ScriptBlock& b : content.blocks) kinds.push_back(b.kind);
    EXPECT_EQ(kinds, c.kinds) << c.name;
  }
}

TEST(Outbox, ChangedBlocksLeaveTheOthersAlone) {
  const Bytes hand = "G 5\r\n";
  ScriptContent c = parseUploadScript(hand + joined({kResponse, kNew}) + "tail without end");
  ASSERT_EQ(c.blocks.size(), 4u);
  // Move the unended last block up, delete the response, replace the new message.
  std::swap(c.blocks[0], c.blocks[3]);
  c.blocks.erase(c.blocks.begin() + 1);
  const std::vector<ScriptBlock> edited = recordBlocks(newMessageRecord("B2", "T2", {"b"}));
  ASSERT_EQ(edited.size(), 1u);
  c.blocks[1] = edited[0];
  EXPECT_EQ(scriptBytes(c), "tail without end\r\n" + joined({newMessageRecord("B2", "T2", {"b"})}) + hand);
  renumber(c);
  EXPECT_EQ(c.blocks[2].firstLine, 8u);
}

TEST(Outbox, ChecksEveryRecordAndNamesItsLine) {
  struct Case {
    const char* name;
    Bytes bytes;
    std::vector<std::pair<size_t, size_t>> where;  // block, line
    const char* text;                              // in the first problem
  } cases[] = {
      {"no /es", joined({{"B5", "W", "T", "b"}}), {{1, 4}}, "\"/es\""},
      {"no E", joined({{"B5", "W", "T", "/es"}}), {{1, 4}}, "\"E\""},
      {"long title", joined({newMessageRecord("B5", Bytes(33, 'x'), {})}), {{1, 3}}, "33"},
      {"32 bytes fit", joined({newMessageRecord("B5", sj("あいうえおかきくけこさしすせそた"), {})}), {}, ""},
      {"bad board", "x\r\n" + joined({newMessageRecord("b5", "T", {})}), {{2, 2}}, "'b5'"},
      {"board zero", joined({responseRecord("B05", "1", "T", {})}), {{1, 1}}, "'B05'"},
      {"bad number", joined({responseRecord("I3", "12a", "T", {})}), {{1, 2}}, "'12a'"},
      {"bad ID", joined({mailRecord(MailIds{"77", "ab"}, "T", {})}), {{1, 4}}, "'ab'"},
      {"no title", joined({{"M", "W", "77", "", "/es", "E"}}), {{1, 5}}, "タイトル"},
      {"a mail cut after its W", "M\r\nW\r\n", {{1, 2}, {1, 2}, {1, 2}}, "宛先"},
      {"undecodable",
       joined({kNew}) + joined({{"B1", "W", "T", "ok\x85\x40", "/es", "E"}}),
       {{2, 9}},
       "85 40"},
      {"lead byte alone", joined({{"B1", "W", "T\x82", "/es", "E"}}), {{1, 3}}, "(82)"},
      {"text blocks are checked for bytes only", "hello\r\n\xff\xa0\r\n", {}, ""},
      // What is missing after the last line is named on that line, not past the end.
      {"mail cut after its W", "G 5\r\nM\r\nW", {{2, 3}, {2, 3}, {2, 3}}, "ID"},
  };
  for (const auto& c : cases) {
    const std::vector<ScriptProblem> problems = checkUploadScript(parseUploadScript(c.bytes));
    std::vector<std::pair<size_t, size_t>> where;
    for (const ScriptProblem& p : problems) where.emplace_back(p.block, p.line);
    EXPECT_EQ(where, c.where) << c.name;
    if (!problems.empty()) {
      EXPECT_NE(problems[0].text.find(c.text), std::string::npos) << problems[0].text;
    }
  }
}

TEST(Outbox, RecordWithEsInItsTextIsWhatTheHostWouldSee) {
  const std::vector<ScriptBlock> blocks =
      recordBlocks(newMessageRecord("B1", "T", {"a", "/es", "E", "rest"}));
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[0].body, Lines{"a"});
  EXPECT_EQ(blocks[1].kind, BlockKind::Text);
}

TEST(Outbox, ReadsAndWritesTheFileWhole) {
  TempDir dir;
  const auto path = dir.path() / "upload.txt";
  EXPECT_TRUE(readUploadScript(path).blocks.empty());
  const Bytes bytes = joined({kMail, kResponse}) + "\x1a";
  writeFile(path, bytes);
  ScriptContent c = readUploadScript(path);
  ASSERT_EQ(c.blocks.size(), 2u);
  std::swap(c.blocks[0], c.blocks[1]);
  writeUploadScript(path, c);
  EXPECT_EQ(readFile(path), joined({kResponse, kMail}) + "\x1a");
  EXPECT_THROW(readUploadScript(dir.path()), FileError);
}

}  // namespace
}  // namespace pelarin
