// What the core asks of the windows: the side effects of the defaults and of
// the settings load. The windows implement it; the core and its tests do not need them.
#pragma once

#include <filesystem>

#include "core/text/bytes.h"

namespace pelarin {

class AppHost {
 public:
  virtual ~AppHost() = default;
  virtual void moveMainWindow(int /*top*/, int /*left*/) {}
  virtual void setApplicationTitle(const Bytes& /*title*/) {}
  virtual void setMainCaption(const Bytes& /*caption*/) {}
  virtual void setHelpFile(const std::filesystem::path& /*file*/) {}
  virtual void disableHelp() {}
  virtual void setViewerFont(const Bytes& /*face*/, int /*size*/) {}
};

}  // namespace pelarin
