#include "gui/compose/quotesource.h"

#include <QDate>
#include <QLocale>

#include "core/app/appstate.h"
#include "core/compose/signature.h"
#include "core/logimport/messagefile.h"
#include "core/text/errors.h"
#include "core/text/paths.h"
#include "gui/platform/qtext.h"

namespace pelarin::gui {

std::optional<Lines> signatureLines(const AppState& state) {
  return readSignature(pathFromText(state.WorkDir + kSignatureFileName));
}

Bytes todayShortDate() {
  const QDate today = QDate::currentDate();
  try {
    return toBytes(QLocale::system().toString(today, QLocale::ShortFormat));
  } catch (const EncodeError&) {
    // A locale whose digits have no code page 932 form still gets a date.
    return toBytes(today.toString(Qt::ISODate));
  }
}

QuoteSource quoteSource(const AppState& state, const StoredMessage& message) {
  const Bytes name = trimmedName(message.keys.WriterName);
  return {message.body, name, name, todayShortDate(), signatureLines(state)};
}

}  // namespace pelarin::gui
