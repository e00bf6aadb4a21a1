#include "core/app/settings.h"

#include <array>

#include "core/app/apphost.h"
#include "core/app/appstate.h"
#include "core/app/settingsbackup.h"
#include "core/lists/association.h"
#include "core/lists/bbsini.h"
#include "core/text/integers.h"
#include "core/text/linereader.h"
#include "core/text/linewriter.h"
#include "core/text/paths.h"

namespace pelarin {

namespace {

enum class Form {
  Text,
  Integer,
  UpFileName,       // text; an empty line keeps the value
  OptionalInteger,  // read as text; an empty line keeps the value
};

struct Line {
  Form form;
  Bytes* text = nullptr;
  int32_t* number = nullptr;
};

constexpr size_t kLines = 51;

// The file's lines in order; the same table drives reading and writing.
template <typename State>
std::array<Line, kLines> lines(State& cs) {
  auto& s = const_cast<AppState&>(cs);
  auto t = [](Bytes& v) { return Line{Form::Text, &v, nullptr}; };
  auto i = [](int32_t& v) { return Line{Form::Integer, nullptr, &v}; };
  auto o = [](int32_t& v) { return Line{Form::OptionalInteger, nullptr, &v}; };
  return {
      t(s.LogFileDir), t(s.TextFileDir), t(s.QuoteMark),
      i(s.MainHeight), i(s.MainWidth), i(s.ResHeight), i(s.ResWidth),
      i(s.NewHeight), i(s.NewWidth), i(s.MailHeight), i(s.MailWidth),
      i(s.ListHeight), i(s.ListWidth),
      t(s.HeaderLeft), i(s.HeaderCenter), t(s.HeaderSuffix), t(s.HeaderRight),
      t(s.FooterLeft), i(s.FooterCenter), t(s.FooterSuffix), t(s.FooterRight),
      i(s.ListColWidth[0]), i(s.ListColWidth[1]), i(s.ListColWidth[2]),
      i(s.ListColWidth[3]), i(s.ListColWidth[4]), i(s.ListColWidth[5]),
      i(s.MainTop), i(s.MainLeft), i(s.ResTop), i(s.ResLeft),
      i(s.NewTop), i(s.NewLeft), i(s.MailTop), i(s.MailLeft),
      i(s.ListTop), i(s.ListLeft),
      t(s.FontName), i(s.FontSize),
      Line{Form::UpFileName, &s.UpFileName, nullptr}, t(s.ListFileName),
      i(s.InputListTop), i(s.InputListLeft), i(s.InputListHeight), i(s.InputListWidth),
      i(s.QuoteStyle),
      o(s.AlarmLetters), o(s.LetterCaution), o(s.AlarmLines), o(s.LineCaution), o(s.SortMes),
  };
}

void readLines(LineReader& in, AppState& state) {
  Bytes text;
  for (const Line& line : lines(state)) {
    switch (line.form) {
      case Form::Text:
        in.readLine(*line.text);
        break;
      case Form::Integer:
        *line.number = in.readInt();
        break;
      case Form::UpFileName: {
        Bytes remembered = *line.text;
        in.readLine(*line.text);
        if (line.text->empty()) *line.text = remembered;
        state.UploadFile = *line.text;
        break;
      }
      case Form::OptionalInteger:
        in.readLine(text);
        if (!text.empty()) *line.number = StrToInt(text);
        break;
    }
  }
}

// Start-up's rule, the composers' without their first step: an entry for the list in use
// names the script in lower case; without one UploadFile stays as read.
void chooseUploadByList(AppState& state) {
  if (const auto entry =
          matchAssociation(state.BbsTable, AssociationRule::ListEqualsName, state.ListFileName))
    state.UploadFile = lowerUploadFile(state.BbsTable[*entry]);
}

}  // namespace

SettingsLineError::SettingsLineError(const std::string& reason, const std::filesystem::path& file,
                                     size_t line)
    : Error(reason + "\n設定ファイル \"" + file.string() + "\" の " + std::to_string(line) +
            " 行目を読めませんでした。それより後の設定は初期値になります。元のファイルは " +
            kSettingsBackupName + " として残します。"),
      file_(file),
      line_(line) {}

void LoadSettings(ByteView dir, AppState& state, AppHost& host) {
  {
    const auto file = pathFromText(Bytes(dir) + kSettingsName);
    LineReader in(file);
    try {
      readLines(in, state);
    } catch (const std::exception& e) {
      throw SettingsLineError(e.what(), file, in.lineNumber() ? in.lineNumber() : 1);
    }
  }

  auto boardList = pathFromText(state.WorkDir + state.ListFileName + ".bod");
  if (entryExists(boardList)) {
    Bytes caption = LineReader(boardList).readLine() + " - " + kAppTitle;
    host.setMainCaption(caption);
    host.setApplicationTitle(caption);
  }

  state.BbsTable = BbsTableType{};
  auto bbsIni = pathFromText(state.WorkDir + kBbsIniName);
  if (entryExists(bbsIni)) {
    state.BbsTable = readBbsIni(bbsIni);
    chooseUploadByList(state);
  }

  state.UploadRewrite = 1;

  auto help = pathFromText(state.WorkDir + kHelpFileName);
  if (fileExists(help)) host.setHelpFile(help);
  else host.disableHelp();

  host.setViewerFont(state.FontName.substr(0, 255), state.FontSize);
}

void SaveSettings(const AppState& state) {
  ReplacingWriter out(pathFromText(state.WorkDir + kSettingsName));
  for (const Line& line : lines(state)) {
    if (line.text) out.writeLine(*line.text);
    else out.writeLine(IntToStr(*line.number));
  }
  out.commit();
}

}  // namespace pelarin
