#include "loggen.h"

#include <array>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/bytes.h"
#include "core/text/cp932.h"
#include "core/text/linewriter.h"

namespace pelarin::bench {

namespace {

// The generator's texts are written in UTF-8 here and converted once.
constexpr std::string_view kSentences[] = {
    "こんにちは、はじめて書き込みます。",
    "先日のオフ会はとても楽しかったですね。",
    "次回の予定はまだ決まっていないようです。",
    "通信速度が遅いので、ログを取ってから読んでいます。",
    "新しいモデムを買いました。２４００ｂｐｓです。",
    "ＲＥＳありがとうございます。参考になりました。",
    "その件については、以前の書き込みを見てください。",
    "私も同じ問題で困っていました。",
    "設定ファイルを書き換えたら動くようになりました。",
    "フリーソフトのコーナーに新しい版を登録しておきます。",
    "詳しくはメールでお知らせします。",
    "週末は雨の予報なので、家で作業をする予定です。",
    "ところで、この掲示板の管理者はどなたでしょうか。",
    "では、また。",
    "以上、よろしくお願いします。",
    "Thanks for the info, it works fine now.",
    "I tried version 1.2 but it still crashes on my machine.",
    "長い文章になってしまいましたが、最後まで読んでいただければ幸いです。",
    "漢字変換の辞書を更新したら、誤変換が減りました。",
    "かな漢字変換　全角カナ　ｈａｎｋａｋｕ　ﾊﾝｶｸｶﾅ　記号※〒→←↑↓",
};

constexpr std::string_view kTitles[] = {
    "はじめまして",
    "オフ会のお知らせ",
    "モデムの設定について",
    "Re: 質問です",
    "新作ソフト公開",
    "今日の出来事",
    "バグ報告",
    "通信ソフトの比較",
    "週末の予定",
    "お礼",
    "ゲームの攻略",
    "Help: cannot connect",
    "料理のレシピ交換",
    "プログラミング講座 第３回",
    "本の感想",
    "ＰＣ－９８の増設メモリ",
};

constexpr std::string_view kNames[] = {
    "山田太郎", "鈴木花子", "ｻﾄｳ",  "田中",       "KATO", "高橋一郎", "伊藤",   "渡辺まさし",
    "中村",     "小林",     "hiro", "加藤ゆうこ", "吉田", "山本",     "佐々木", "松本清",
};

constexpr std::string_view kBoardNames[] = {
    "雑談", "質問", "ソフト情報", "ゲーム", "料理", "音楽", "パソコン通信", "本と映画",
};

constexpr std::string_view kFileNames[] = {
    "TOOL.LZH", "EDITOR.LZH", "GAME12.LZH", "FONT.ZIP", "DOC.TXT", "PATCH3.LZH", "MAP.LZH",
};

constexpr std::string_view kFileNotes[] = {
    "便利なテキスト整形ツール", "軽量エディタ　最新版", "パズルゲーム（全１２面）",
    "ビットマップフォント集",   "通信の手引き",         "不具合修正パッチ",
};

constexpr std::string_view kChatter[] = {
    "ようこそ　ＰＥＬＮＥＴ　へ",
    "ＩＤ：PEL01234",
    "パスワード：",
    "前回の接続：2026/12/01 21:34",
    "未読メールがあります。",
    "[ AUTO ] 巡回を開始します",
    "メインメニュー　Ｂ）掲示板　Ｍ）メール　Ｆ）ファイル　Ｅ）終了",
    "コマンド？ ",
    "しばらくお待ちください．．．",
};

constexpr std::string_view kLogout[] = {
    "ご利用ありがとうございました。",
    "接続時間　00:12:34",
    "NO CARRIER",
};

constexpr std::string_view kClosing = "●１●次　●２●前　●３●再読　●４●返信　●５●終了 > 1";
constexpr std::string_view kReceipt = "● 受け取り確認メッセージを送信しました";
constexpr std::string_view kFullWidthDigits[] = {"０", "１", "２", "３", "４", "５", "６", "７", "８", "９"};

std::vector<Bytes> converted(const auto& texts) {
  std::vector<Bytes> out;
  for (std::string_view t : texts) out.push_back(utf8ToCp932(t));
  return out;
}

// splitmix64: small, fast and the same on every platform.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }
  int between(int lo, int hi) { return lo + below(hi - lo + 1); }
  bool chance(int percent) { return below(100) < percent; }
  template <typename T>
  const T& pick(const std::vector<T>& v) {
    return v[static_cast<size_t>(below(static_cast<int>(v.size())))];
  }

 private:
  uint64_t state_;
};

Bytes padded(Bytes text, size_t width) {
  text.resize(width, ' ');  // cut at the byte, as the host does
  return text;
}

Bytes number(const char* format, int value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, format, value);
  return buf;
}

class Generator {
 public:
  Generator(const std::filesystem::path& path, uint64_t seed)
      : out_(path),
        rnd_(seed),
        sentences_(converted(kSentences)),
        titles_(converted(kTitles)),
        names_(converted(kNames)),
        boardNames_(converted(kBoardNames)),
        fileNames_(converted(kFileNames)),
        fileNotes_(converted(kFileNotes)),
        chatter_(converted(kChatter)),
        logout_(converted(kLogout)),
        digits_(converted(kFullWidthDigits)),
        closing_(utf8ToCp932(kClosing)),
        receipt_(utf8ToCp932(kReceipt)),
        marked_(utf8ToCp932("  ●")),
        markedOld_(utf8ToCp932("  ○")) {
    for (int& n : lastNumber_) n = rnd_.between(1, 5000);
  }

  // Bodies from consecutive lines of real prose instead of the sentences.
  void useProse(const std::vector<Bytes>* prose) { prose_ = prose; }

  LogStats run(uint64_t target) {
    while (stats_.bytes < target) session();
    out_.close();
    return stats_;
  }

  LogStats oneMessage(uint64_t bodyBytes) {
    line(bbsPrompt(3));
    line(marked_ + headerColumns(number("%05d", 1), false));
    line("");
    const uint64_t start = stats_.bytes;
    while (stats_.bytes - start < bodyBytes) body(64);
    line(closing_);
    markedMessage(3);
    out_.close();
    stats_.messages += 1;
    return stats_;
  }

 private:
  void line(ByteView text) {
    out_.writeLine(text);
    stats_.bytes += text.size() + 2;
    ++stats_.lines;
  }
  void text(std::string_view utf8) { line(utf8ToCp932(utf8)); }

  Bytes fullWidth(int n) {
    Bytes s;
    for (char c : std::to_string(n)) s += digits_[static_cast<size_t>(c - '0')];
    return s;
  }

  void session() {
    for (const Bytes& c : chatter_) line(c);
    if (rnd_.chance(50)) {
      // A decorative banner: a mark at 3-4 but no header.
      text("  ●●● お知らせ ●●●");
      text("年末年始は運用時間が変わります。");
    }
    int visits = rnd_.between(6, 14);
    for (int i = 0; i < visits; ++i) {
      switch (rnd_.below(10)) {
        case 0:
        case 1:
        case 2:
          bbsVisit();
          break;
        case 3:
          linkedVisit();
          break;
        case 4:
          ibbsVisit();
          break;
        case 5:
          bfVisit();
          break;
        case 6:
        case 7:
          mailVisit();
          break;
        default:
          fileVisit();
          break;
      }
    }
    for (const Bytes& c : logout_) line(c);
  }

  // --- boards

  void bbsVisit() {
    int board = rnd_.between(1, 40);
    const Bytes& name = rnd_.pick(boardNames_);
    switch (rnd_.below(4)) {
      case 0:
        line(utf8ToCp932("§ BBS") + std::to_string(board) + " " + name);
        break;
      case 1:
        line(utf8ToCp932("● [ CUG") + std::to_string(board) + " ] " + name);
        break;
      default:
        line(utf8ToCp932("● [ BBS") + std::to_string(board) + " ] " + name + utf8ToCp932("（未読あり）"));
        break;
    }
    readBoard(bbsPrompt(board), board);
  }

  // A BBS board linked to an IBBS board; later prompts name the BBS number.
  void linkedVisit() {
    int board = rnd_.between(41, 60);
    int ibbs = board * 7;
    const char* open = rnd_.chance(80) ? "● [ BBS" : "§ BBS";
    line(utf8ToCp932(open) + std::to_string(board) + "(IBBS" + std::to_string(ibbs) + ") ] " +
         utf8ToCp932("全国ネット"));
    readBoard(bbsPrompt(board), 10000 + ibbs);
  }

  void ibbsVisit() {
    int ibbs = rnd_.between(1, 999);
    line(utf8ToCp932("● [ IBBS") + std::to_string(ibbs) + " ] " + rnd_.pick(boardNames_));
    readBoard(utf8ToCp932("[ Ｉbbs") + fullWidth(ibbs) + " ]", 10000 + ibbs);
  }

  void bfVisit() { readBoard(utf8ToCp932("[ ＢbsＦ ]"), 0); }

  Bytes bbsPrompt(int board) { return utf8ToCp932("[ Ｂbs") + fullWidth(board) + " ]"; }

  void readBoard(const Bytes& prompt, int key) {
    line(prompt + utf8ToCp932(" コマンド？ R"));
    int count = rnd_.between(1, 8);
    switch (rnd_.below(5)) {
      case 0:
        titleList(prompt, key, count);
        break;
      case 1:
        countedBatch(prompt, key, count);
        break;
      default:
        for (int i = 0; i < count; ++i) {
          markedMessage(key);
          if (rnd_.chance(40)) line(prompt + utf8ToCp932(" 次？ N"));
        }
        break;
    }
    line(prompt + utf8ToCp932(" コマンド？ E"));
  }

  int nextNumber(int key) {
    int& n = lastNumber_[static_cast<size_t>(key) % lastNumber_.size()];
    if (++n > 99999) n = 1;  // the column holds five digits
    return n;
  }

  Bytes writer(int id) { return number(" %3d", id) + " " + padded(rnd_.pick(names_), 16); }

  // Columns 5 onward of a header: number, "res" tag, title, ID, name.
  Bytes headerColumns(const Bytes& numberField, bool res) {
    return numberField + (res ? " res " : "     ") + padded(rnd_.pick(titles_), 32) + " " +
           writer(rnd_.between(1, 999));
  }

  void markedMessage(int key) {
    const Bytes& lead = rnd_.chance(80) ? marked_ : markedOld_;
    Bytes num = number("%05d", nextNumber(key));
    if (rnd_.chance(30)) {
      line(lead + num + " res " + Bytes(37, ' ') + number("%05d", rnd_.between(1, 9999)));
      line(Bytes(14, ' ') + padded(rnd_.pick(titles_), 32) + " " + writer(rnd_.between(1, 999)));
    } else {
      line(lead + headerColumns(num, false) + " 12/01 21:3" + std::to_string(rnd_.below(10)));
    }
    line("");
    body(rnd_.between(1, 14));
    line(closing_);
    ++stats_.messages;
  }

  // Headers alone, then the prompt: none of them is a message.
  void titleList(const Bytes& prompt, int key, int count) {
    for (int i = 0; i < count; ++i) line(marked_ + headerColumns(number("%05d", nextNumber(key)), false));
    line("");
    line(prompt + utf8ToCp932(" 番号？ "));
  }

  void countedBatch(const Bytes& prompt, int key, int count) {
    line(prompt + utf8ToCp932(" 一括取得を開始します"));
    for (int i = 0; i < count; ++i) {
      int lines = rnd_.between(0, 12);
      Bytes num = number("%05d", nextNumber(key));
      Bytes tail = " 12/01" + number("%4d", lines);
      if (rnd_.chance(30)) {
        line("#Fc." + num + " res " + Bytes(37, ' ') + number("%05d", rnd_.between(1, 9999)));
        line(Bytes(14, ' ') + padded(rnd_.pick(titles_), 32) + " " + writer(rnd_.between(1, 999)) + tail);
      } else {
        line("#Fc." + headerColumns(num, false) + tail);
      }
      line(utf8ToCp932("－－－－－－－－－－－－－－－－－－－－"));
      body(lines);
      ++stats_.messages;
    }
    line(prompt + utf8ToCp932(" 一括取得を終了しました"));
  }

  // Body lines that end no message: sentences, quotes, empty lines.
  void body(int lines) {
    if (prose_ && !prose_->empty()) {
      size_t at = static_cast<size_t>(rnd_.next() % prose_->size());
      for (int i = 0; i < lines; ++i, at = (at + 1) % prose_->size()) {
        if (rnd_.below(12) == 0) line("");
        else if (rnd_.below(12) == 0) line("> " + (*prose_)[at]);
        else line((*prose_)[at]);
      }
      return;
    }
    for (int i = 0; i < lines; ++i) {
      int kind = rnd_.below(10);
      if (kind == 0) {
        line("");
      } else if (kind == 1) {
        line("> " + rnd_.pick(sentences_));
      } else {
        Bytes l = rnd_.pick(sentences_);
        if (rnd_.chance(50)) l += rnd_.pick(sentences_);
        line(l);
      }
    }
  }

  // --- mail

  void mailVisit() {
    line(utf8ToCp932("[ Ｍail ] 未読メール ") + std::to_string(rnd_.between(1, 5)) + utf8ToCp932(" 通"));
    int count = rnd_.between(1, 5);
    for (int i = 0; i < count; ++i) {
      // Mail columns sit one byte to the left; the number field is an index.
      Bytes index = number("%04d", i + 1);
      if (rnd_.chance(25)) {
        line(marked_ + index + " res " + Bytes(38, ' ') + number("%05d", rnd_.between(1, 9999)));
        line(Bytes(13, ' ') + padded(rnd_.pick(titles_), 32) + " " + writer(rnd_.between(1, 999)));
      } else {
        line(marked_ + headerColumns(index, false));
      }
      line("");
      body(rnd_.between(1, 10));
      line(rnd_.chance(50) ? receipt_ : closing_);
      ++stats_.messages;
    }
    line(utf8ToCp932("[ Ｍail ] コマンド？ E"));
  }

  // --- file areas

  void fileVisit() {
    int area = rnd_.between(1, 30);
    line(utf8ToCp932("● [ FSW") + std::to_string(area) + " ] " + utf8ToCp932("ソフトウェア"));
    Bytes prompt = utf8ToCp932(rnd_.chance(50) ? "[ Ｆsw " : "[ Ｆsw") + fullWidth(area) + " ]";
    line(prompt + utf8ToCp932(" コマンド？ L"));
    int count = rnd_.between(1, 6);
    int key = 30000 + area;
    if (rnd_.chance(50)) {
      // A listing: each body runs to the next header or the autopilot line.
      for (int i = 0; i < count; ++i) {
        line("#Fc." + fileColumns(key, 40));
        line(utf8ToCp932("－－－－－－－－－－－－－－－－－－－－"));
        int lines = rnd_.between(1, 5);
        for (int j = 0; j < lines; ++j) line(rnd_.pick(fileNotes_) + " " + rnd_.pick(sentences_));
        ++stats_.messages;
      }
      line(utf8ToCp932("[ AUTO ] ファイル一覧を終了します"));
    } else {
      for (int i = 0; i < count; ++i) {
        line(marked_ + fileColumns(key, 38));
        line("");
        body(rnd_.between(1, 6));
        line(closing_);
        ++stats_.messages;
      }
    }
    line(prompt + utf8ToCp932(" コマンド？ E"));
  }

  // Columns 5 onward of a file-area header: number, file name at 14-25, size, note.
  Bytes fileColumns(int key, size_t noteWidth) {
    return number("%05d", nextNumber(key)) + "    " + padded(rnd_.pick(fileNames_), 12) +
           number("%9d", rnd_.between(1000, 999999)) + "   " + padded(rnd_.pick(fileNotes_), noteWidth);
  }

  LineWriter out_;
  Random rnd_;
  LogStats stats_;
  std::vector<Bytes> sentences_, titles_, names_, boardNames_, fileNames_, fileNotes_, chatter_, logout_,
      digits_;
  Bytes closing_, receipt_, marked_, markedOld_;
  std::array<int, 251> lastNumber_{};
  const std::vector<Bytes>* prose_ = nullptr;
};

}  // namespace

LogStats generateLog(const std::filesystem::path& out, uint64_t targetBytes, uint64_t seed) {
  Generator g(out, seed);
  return g.run(targetBytes);
}

LogStats generateProseLog(const std::filesystem::path& out, uint64_t targetBytes, uint64_t seed,
                          const std::vector<Bytes>& prose) {
  Generator g(out, seed);
  g.useProse(&prose);
  return g.run(targetBytes);
}

LogStats generateOneMessageLog(const std::filesystem::path& out, uint64_t bodyBytes) {
  Generator g(out, 1);
  return g.oneMessage(bodyBytes);
}

}  // namespace pelarin::bench
