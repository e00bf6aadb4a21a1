#include "core/library/searchquery.h"

#include "core/library/foundtext.h"

#include <gtest/gtest.h>

namespace pelarin {
namespace {

// "-field:text" per term, alternatives joined by " | ", groups by " & "; a phrase ends in a quote.
std::string described(const ParsedQuery& q) {
  static const char* const names[] = {"text", "title", "name", "id", "board", "host", "no", "re", "is", "is", "is", "is", "date"};
  std::string out;
  for (const auto& group : q.groups) {
    if (!out.empty()) out += " & ";
    for (size_t k = 0; k < group.size(); ++k) {
      const QueryTerm& t = group[k];
      if (k > 0) out += " | ";
      out += std::string(t.excluded ? "-" : "") + names[static_cast<int>(t.field)] + ":";
      switch (t.field) {
        case QueryTerm::Field::WriterId:
        case QueryTerm::Field::Board:
        case QueryTerm::Field::Number:
        case QueryTerm::Field::Reply: out += std::to_string(t.value); break;
        case QueryTerm::Field::IsResponse: out += "response"; break;
        case QueryTerm::Field::IsMail: out += "mail"; break;
        case QueryTerm::Field::IsUnread: out += "unread"; break;
        case QueryTerm::Field::IsMarked: out += "marked"; break;
        case QueryTerm::Field::Date: out += t.until > t.value ? t.text : "?"; break;
        default: out += t.text;
      }
      if (t.phrase) out += "\"";
    }
  }
  return out;
}

TEST(ParsedQuery, EveryFormAndWhateverElseIsText) {
  const struct {
    const char* query;
    const char* parsed;
  } cases[] = {
      {"東京 都庁", "text:東京 & text:都庁"},
      {"　東京　都庁\t", "text:東京 & text:都庁"},
      {"\"東京 都庁\" 駅", "text:東京 都庁\" & text:駅"},
      {"-広告 猫", "-text:広告 & text:猫"},
      {"猫 OR 犬 鳥", "text:猫 | text:犬 & text:鳥"},
      {"猫 OR 犬 OR 鳥", "text:猫 | text:犬 | text:鳥"},
      {"OR 猫", "text:OR & text:猫"},
      {"猫 OR", "text:猫 & text:OR"},
      {"title:猫 name:太郎 id:1234 board:b3 board:M host:pelnet no:12 re:5 is:response IS:Mail",
       "title:猫 & name:太郎 & id:1234 & board:3 & board:20000 & host:pelnet & no:12 & re:5 & is:response & "
       "is:mail"},
      {"is:unread -IS:Marked is:seen is:marked OR 猫", "is:unread & -is:marked & text:is:seen & is:marked | text:猫"},
      {"title:\"a b\" -\"c d\" -id:7", "title:a b\" & -text:c d\" & -id:7"},
      {"C++ ^_^ AND NEAR x\"y \"", "text:C++ & text:^_^ & text:AND & text:NEAR & text:x\"y & text:\""},
      {"title: foo:bar board:xyz id:abc no:-1 is:other - --", "text:title: & text:foo:bar & text:board:xyz & "
                                                            "text:id:abc & text:no:-1 & text:is:other & text:- & "
                                                            "-text:-"},
      {"\"\" \"", "text:\" & text:\""},
      {"date:1994 -DATE:1994-04..1994-06-30 date:1994-13 date:", "date:1994 & -date:1994-04..1994-06-30 & date:? & "
                                                                 "text:date:"},
  };
  for (const auto& c : cases) EXPECT_EQ(described(parseQuery(c.query)), c.parsed) << c.query;
}

// Marked as found: folded as the search folds, wrapped lines joined, spans in the text as shown.
TEST(FoundText, SpansAndSnippetsFollowTheFolding) {
  using Spans = std::vector<std::pair<size_t, size_t>>;
  const std::string wrapped = "あれは東京\r\n都庁です";
  EXPECT_EQ(foundSpans(wrapped, textsToMark({"東京都庁 -です"})), (Spans{{9, 23}}));
  EXPECT_EQ(foundSpans("ひらがなの本", textsToMark({"ヒラガナ"})), (Spans{{0, 12}}));
  EXPECT_EQ(foundSpans("ﾋﾞｰﾙとビル", textsToMark({"ビール"})), (Spans{{0, 12}}));
  EXPECT_EQ(foundSpans("PC-98 pc98", textsToMark({"title:pc", "is:mail"})), (Spans{{0, 2}, {6, 8}}));
  EXPECT_EQ(foundSpans("abc", textsToMark({"-abc"})), Spans{});

  std::string body;
  for (int i = 0; i < 40; ++i) body += "あ";
  body += "\r\n東京\r\n都庁";
  for (int i = 0; i < 40; ++i) body += "い";
  const std::string s = snippetOf(body, textsToMark({"東京都庁"}));
  EXPECT_TRUE(s.starts_with("…ああ") && s.ends_with("いい…")) << s;
  EXPECT_NE(s.find("あ 東京 都庁い"), std::string::npos) << s;  // on one line
  EXPECT_NEAR(static_cast<double>(s.size()) / 3, 40, 4) << s;
  EXPECT_EQ(snippetOf("短い本文", textsToMark({"本文"})), "短い本文");
  EXPECT_EQ(snippetOf("短い本文", textsToMark({"ない"})), "");
}

}  // namespace
}  // namespace pelarin
