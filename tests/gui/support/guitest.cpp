#include "support/guitest.h"

#include <QFile>

#include "core/text/cp932.h"

namespace pelarin::gui::testing {

WorkDir::WorkDir() : previous_(QDir::currentPath()) {
  if (!dir_.isValid()) qFatal("no temporary directory");
  QDir::setCurrent(dir_.path());
}

WorkDir::~WorkDir() { QDir::setCurrent(previous_); }

void WorkDir::write(const QString& name, ByteView bytes) const {
  QFile f(file(name));
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write %s", qPrintable(name));
  f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

Bytes WorkDir::read(const QString& name) const {
  QFile f(file(name));
  if (!f.open(QIODevice::ReadOnly)) qFatal("cannot read %s", qPrintable(name));
  QByteArray all = f.readAll();
  return Bytes(all.constData(), static_cast<size_t>(all.size()));
}

Bytes sj(const char* utf8) { return utf8ToCp932(utf8); }

}  // namespace pelarin::gui::testing
