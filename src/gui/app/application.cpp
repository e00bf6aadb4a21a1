#include "gui/app/application.h"

#include "gui/app/initwin.h"
#include "gui/app/viewmain.h"
#include "gui/compose/alartwin.h"
#include "gui/compose/hfsetwin.h"
#include "gui/compose/mailwin.h"
#include "gui/compose/newwin.h"
#include "gui/compose/reswin.h"
#include "gui/compose/sigwin.h"
#include "gui/lists/input.h"
#include "gui/lists/setlist.h"
#include "gui/reading/listwin.h"

namespace pelarin::gui {

Application::Application(Platform& platform) {
  // The main window's creation loads the settings before any other window exists.
  logview_ = std::make_unique<TLogview>(platform);
  AppState& state = logview_->state();
  res_ = std::make_unique<TResform>(state, platform);
  new_ = std::make_unique<TNewform>(state, platform);
  mail_ = std::make_unique<TMailform>(state, platform);
  init_ = std::make_unique<TInitform>(state, platform);
  hfset_ = std::make_unique<THFsetform>(state, platform);
  list_ = std::make_unique<TListform>(state, platform);
  sig_ = std::make_unique<TSigform>(state, platform);
  input_ = std::make_unique<TInputList>(state, platform);
  setLog_ = std::make_unique<TSetLog>(state, platform);
  alart_ = std::make_unique<TAlartform>(state, platform);
  new_->setPickList(input_.get());
  mail_->setPickList(input_.get());
  logview_->attach({res_.get(), new_.get(), mail_.get(), init_.get(), hfset_.get(), list_.get(), sig_.get(),
                    input_.get(), setLog_.get(), alart_.get()});
}

// The other windows go first: they refer to the main window's state.
Application::~Application() {
  alart_.reset();
  setLog_.reset();
  input_.reset();
  sig_.reset();
  list_.reset();
  hfset_.reset();
  init_.reset();
  mail_.reset();
  new_.reset();
  res_.reset();
  logview_.reset();
}

}  // namespace pelarin::gui
