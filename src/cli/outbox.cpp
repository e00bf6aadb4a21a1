#include "core/compose/outbox.h"

#include <string>

#include "cli/commands.h"
#include "cli/output.h"
#include "core/app/apphost.h"
#include "core/app/appstate.h"
#include "core/app/settings.h"
#include "core/text/cp932.h"
#include "core/text/paths.h"

namespace pelarin::cli {

namespace {

// The script the program would show for this work directory.
std::filesystem::path scriptOf(const Invocation& inv) {
  if (!inv.script.empty()) return inv.script;
  AppHost host;
  AppState state;
  SetDefaults(state, host);
  state.WorkDir = textFromPath(inv.dir) + kSeparator;
  state.UploadFile = state.UpFileName;
  if (fileExists(inv.dir / kSettingsName)) LoadSettings(state.WorkDir, state, host);
  const std::filesystem::path script = pathFromText(state.TextFileDir + state.UploadFile);
  return script.is_absolute() ? script : inv.dir / script;
}

}  // namespace

int runOutbox(const Invocation& inv, std::FILE* out) {
  const ScriptContent content = readUploadScript(scriptOf(inv));
  if (inv.check) {
    const std::vector<ScriptProblem> problems = checkUploadScript(content);
    for (const ScriptProblem& p : problems)
      print(out, std::to_string(p.block) + '\t' + std::to_string(p.line) + '\t' + p.text + '\n');
    return problems.empty() ? 0 : 1;
  }
  for (size_t i = 0; i < content.blocks.size(); ++i) {
    const ScriptBlock& b = content.blocks[i];
    print(out, std::to_string(i + 1) + '\t' + blockKindName(b.kind) + '\t' + cp932ToUtf8(b.addressee()) +
                   '\t' + cp932ToUtf8(b.title) + '\t' + std::to_string(b.lines.size()) + '\n');
  }
  return 0;
}

}  // namespace pelarin::cli
