// Creates the eleven windows once, in the program's order, and keeps them
// until the program ends.
#pragma once

#include <array>
#include <memory>

#include "gui/app/windows.h"

namespace pelarin::gui {

class ComposerWindow;
class FileDropGuard;
class Platform;
class TLogview;

class Application {
 public:
  explicit Application(Platform& platform);
  ~Application();

  TLogview& main() { return *logview_; }
  TResform& res() { return *res_; }
  TNewform& newMessage() { return *new_; }
  TMailform& mail() { return *mail_; }
  TInitform& init() { return *init_; }
  THFsetform& hfset() { return *hfset_; }
  TListform& list() { return *list_; }
  TSigform& sig() { return *sig_; }
  TInputList& input() { return *input_; }
  TSetLog& setLog() { return *setLog_; }
  TAlartform& alart() { return *alart_; }
  TOutboxform& outbox() { return *outbox_; }

  // An owner start reopens every composer whose draft a run that did not end
  // by the user's closing left in the work directory, and says so once; a
  // draft that cannot be read is reported and set aside, never deleted.
  void restoreDrafts();

 private:
  std::array<ComposerWindow*, 3> composers();

  std::unique_ptr<TLogview> logview_;
  std::unique_ptr<TResform> res_;
  std::unique_ptr<TNewform> new_;
  std::unique_ptr<TMailform> mail_;
  std::unique_ptr<TInitform> init_;
  std::unique_ptr<THFsetform> hfset_;
  std::unique_ptr<TListform> list_;
  std::unique_ptr<TSigform> sig_;
  std::unique_ptr<TInputList> input_;
  std::unique_ptr<TSetLog> setLog_;
  std::unique_ptr<TAlartform> alart_;
  std::unique_ptr<TOutboxform> outbox_;
  std::unique_ptr<FileDropGuard> dropGuard_;
};

}  // namespace pelarin::gui
