#include <QLineEdit>
#include <QPushButton>

#include "gui/shared/controls.h"
#include "gui/shared/placement.h"
#include "support/guitest.h"

using namespace pelarin::gui;

namespace {

// Counts its resize events, as a window's layout rule would run.
class Probe : public QWidget {
 public:
  int resizes = 0;

 protected:
  void resizeEvent(QResizeEvent*) override { ++resizes; }
};

}  // namespace

class GeometryTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void edgesAreLeftPlusWidthAndTopPlusHeight() {
    QWidget window;
    auto* button = designButton(&window, "BitBtn1", QStringLiteral("OK"), QRect(400, 5, 75, 25));
    QCOMPARE(button->objectName(), QStringLiteral("BitBtn1"));
    QCOMPARE(right(button), 475);
    QCOMPARE(bottom(button), 30);
    auto* box = captionBox(&window, "Edit1", QStringLiteral("Title"), QRect(5, 6, 41, 24));
    QVERIFY(box->isReadOnly());
    QCOMPARE(box->text(), QStringLiteral("Title"));
    QCOMPARE(box->geometry(), QRect(5, 6, 41, 24));
  }

  void takeSizeUsesTheFieldsOrTheDerivedValues() {
    struct Row {
      int32_t height, width;
      std::optional<int> derivedHeight;
      QSize expected;
    };
    const std::vector<Row> rows{
        {380, 0, std::nullopt, QSize(485, 380)},  // width 0: derived
        {380, 600, std::nullopt, QSize(600, 380)},
        {0, 600, std::nullopt, QSize(600, 0)},  // height 0 stays 0 without a derived height
        {0, 0, 130, QSize(485, 130)},           // the pick list derives both
        {200, 0, 130, QSize(485, 200)},
    };
    for (const Row& row : rows) {
      Probe window;
      int32_t height = row.height, width = row.width, top = 0, left = 0;
      takeSize(&window, {height, width, top, left}, 485, row.derivedHeight);
      QCOMPARE(window.size(), row.expected);
      // Hidden windows run their layout at once, not only when shown.
      QCOMPARE(window.resizes, 1);
    }
  }

  void recordAndTakeRoundTrip() {
    QWidget window;
    window.resize(321, 123);
    window.move(45, 67);
    int32_t height = 0, width = 0, top = 0, left = 0;
    const StoredGeometry g{height, width, top, left};
    recordSize(&window, g);
    recordPosition(&window, g);
    QCOMPARE((std::array<int32_t, 4>{height, width, top, left}), (std::array<int32_t, 4>{123, 321, 67, 45}));
    QWidget other;
    takeSize(&other, g, 999);
    takePosition(&other, g);
    QCOMPARE(other.size(), QSize(321, 123));
    QCOMPARE(other.pos(), QPoint(45, 67));
  }
};

QTEST_MAIN(GeometryTest)
#include "geometry_test.moc"
