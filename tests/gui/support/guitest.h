// Helpers for window tests: a temporary work directory made current for the
// test's life, and lookups of controls by their object names.
#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include "core/text/bytes.h"

namespace pelarin::gui::testing {

class WorkDir {
 public:
  WorkDir();
  ~WorkDir();
  QString path() const { return dir_.path(); }
  QString file(const QString& name) const { return dir_.filePath(name); }
  void write(const QString& name, ByteView bytes) const;
  Bytes read(const QString& name) const;
  bool exists(const QString& name) const { return QFile::exists(file(name)); }

 private:
  QTemporaryDir dir_;
  QString previous_;
};

// UTF-8 test text to code page 932 bytes.
Bytes sj(const char* utf8);

template <typename T>
T* control(QObject* window, const char* name) {
  T* c = window->findChild<T*>(QString::fromLatin1(name));
  if (!c) qFatal("no control %s", name);
  return c;
}

}  // namespace pelarin::gui::testing
