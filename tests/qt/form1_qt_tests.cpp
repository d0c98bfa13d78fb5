// Form1 on Qt, offscreen: the controls as the layout builds them, the routing of every Qt event to
// its procedure, the skin's shape, the move by the surface and the top pin. The window is driven
// through Qt's own events; message boxes are answered by a watcher, as a user would.
#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <cstdio>
#include <memory>

#include "form/layout.h"
#include "form/renditions.h"
#include "tests/support/fakes.h"
#include "window/qt/convert_qt.h"
#include "window/qt/form1_qt.h"
#include "window/qt/skin_mask_qt.h"

namespace orvane_qt_test {

using orvane::Control;
using orvane::qt::Form1;
namespace layout = orvane::layout;

// Answers every modal message box with OK while it runs; remembers their icons and prints their
// texts (the error box is read from a child process's output).
class BoxWatcher {
 public:
  BoxWatcher() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible()) return;
      seen.push_back(box->icon());
      std::fprintf(stderr, "box seen: %s\n", qPrintable(box->text()));  // unbuffered, for the child's reader
      box->button(QMessageBox::Ok)->click();
    });
    timer_.start(5);
  }
  std::vector<QMessageBox::Icon> seen;

 private:
  QTimer timer_;
};

inline void SendMouse(QWidget* target, QEvent::Type type, QPoint local, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
  const QPointF global = target->mapToGlobal(QPointF(local));
  QMouseEvent event(type, QPointF(local), global, button, buttons, Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

class Form1QtTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<orvane::testing::RecordingPowerPlatform> platform_;
  std::unique_ptr<orvane::testing::RecordingSleepHold> hold_;
  std::unique_ptr<Form1> form_;
  std::unique_ptr<BoxWatcher> boxes_;

  template <typename T>
  T* W(Control c) {
    return qobject_cast<T*>(form_->Widget(c));
  }

  // One tick of a timer, as its timeout would deliver it.
  void Tick(Control timer) {
    QVERIFY(QMetaObject::invokeMethod(form_->Timer(timer), "timeout", Qt::DirectConnection));
  }

 private slots:
  void initTestCase() { orvane::qt::RegisterFontSubstitutes(); }

  void init() {
    platform_ = std::make_unique<orvane::testing::RecordingPowerPlatform>();
    boxes_ = std::make_unique<BoxWatcher>();
    hold_ = std::make_unique<orvane::testing::RecordingSleepHold>();
    form_ = std::make_unique<Form1>(*platform_, *hold_);
    form_->LoadAndShow();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
  }

  void cleanup() {
    form_.reset();
    boxes_.reset();
    hold_.reset();
    platform_.reset();
  }

  // Start-up: the welcome box came first; the window as created, of a fixed size (its place, size,
  // icon and frame on a real X server: run-e2e's x11_window_and_hover). The boxes wear the icons
  // their styles name: the welcome's exclamation, the range's information, the refusal's error.
  void startsWithTheWelcomeBoxAndTheWindowAsCreated() {
    QCOMPARE(boxes_->seen.size(), std::size_t{1});
    QCOMPARE(boxes_->seen[0], QMessageBox::Warning);
    QCOMPARE(orvane::qt::BoxIcon(orvane::kMbIconInformation), QMessageBox::Information);
    QCOMPARE(orvane::qt::BoxIcon(orvane::kMbIconError), QMessageBox::Critical);
    QCOMPARE(form_->minimumSize(), form_->maximumSize());

    auto* combo = W<QComboBox>(Control::Combo1);
    QCOMPARE(combo->count(), 3);
    for (int i = 0; i < 3; ++i) QCOMPARE(combo->itemText(i), QString::fromUtf8(layout::kComboItems[i].data()));
    QCOMPARE(combo->palette().color(QPalette::ButtonText), QColor(0, 255, 0));
    QCOMPARE(W<QLineEdit>(Control::Text1)->toolTip(), QString("Countdown when"));

    QCOMPARE(form_->Timer(Control::Timer1)->interval(), 60000);
    QCOMPARE(form_->Timer(Control::Timer2)->interval(), 1000);
    QVERIFY(!form_->Timer(Control::Timer1)->isActive());
    QVERIFY(!form_->Timer(Control::Timer2)->isActive());
    QVERIFY(form_->Timer(Control::wktats)->isActive());
  }

  // Every visible control at its place, with its text; labels that size themselves keep their
  // top-left corner.
  void controlsSitWhereTheLayoutPutsThem() {
    for (const layout::ControlLayout& entry : layout::kControls) {
      if (entry.kind == layout::Kind::Line) continue;
      QWidget* w = form_->Widget(entry.id);
      QVERIFY2(w, ControlName(entry.id).data());
      QCOMPARE(w->pos(), QPoint(entry.box.x, entry.box.y));
      if (!entry.autoSize) QCOMPARE(w->size(), QSize(entry.box.w, entry.box.h));
      if (entry.kind != layout::Kind::ComboBox) QCOMPARE(form_->Text(entry.id), std::string(entry.text));
      QCOMPARE(w->isEnabled(), true);
      if (entry.kind == layout::Kind::Label) QCOMPARE(w->focusPolicy(), Qt::NoFocus);
    }
    // Stacking: the buttons over the labels, Command2 over Command1 where they share a column.
    QCOMPARE(form_->childAt(160, 150), form_->Widget(Control::Command2));
  }

  // Every text fits its box in the font that stands in for the form's Windows face.
  void fontsFitTheirBoxes_data() {
    QTest::addColumn<int>("control");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("family");
    for (auto [c, text] : {std::pair{Control::Label7, "Close"}, {Control::Label5, "Minute"},
                           {Control::Label3, "Minute"}, {Control::Label2, "0"}, {Control::Label6, "..."},
                           {Control::Command1, "Start"}, {Control::Command2, "Stop"}, {Control::Text1, "240"},
                           {Control::Combo1, "Shutdown"}}) {
      QTest::addRow("%s %s", orvane::ControlName(c).data(), text)
          << int(c) << QString(text) << QString(c == Control::Label5 ? "Comic Neue" : "Liberation Sans");
    }
  }
  void fontsFitTheirBoxes() {
    QFETCH(int, control);
    QFETCH(QString, text);
    QFETCH(QString, family);
    const layout::ControlLayout* entry = layout::Find(static_cast<Control>(control));
    QWidget* w = form_->Widget(entry->id);
    QCOMPARE(QFontInfo(w->font()).family(), family);
    QCOMPARE(w->font().pixelSize(), orvane::qt::FontPixelSize(entry->font.centipoints));
    QCOMPARE(w->font().bold(), entry->font.bold);
    const QFontMetrics metrics(w->font());
    // Text boxes, lists and buttons keep a few pixels for their frames.
    const int frame = entry->kind == layout::Kind::Label ? 0 : 6;
    QVERIFY2(metrics.horizontalAdvance(text) + frame <= entry->box.w,
             qPrintable(QString("%1 px wide").arg(metrics.horizontalAdvance(text))));
    QVERIFY2(metrics.height() <= entry->box.h, qPrintable(QString("%1 px high").arg(metrics.height())));
  }

  // Qt's events reach their procedures: the focus moving inside the window reaches the field's
  // (its "0" cleared on entry), the window's own activation does not; the field and Start, locked
  // by Start's click, look locked; Timer2's timeout adds a dot. Tab, Enter, the minute's tick, Stop
  // and the locks as a reader hears them are driven through the real keyboard and clock end to end.
  void eventsReachTheirProcedures() {
    auto* text1 = W<QLineEdit>(Control::Text1);
    for (auto [reason, after] : {std::pair{Qt::ActiveWindowFocusReason, "0"}, {Qt::TabFocusReason, ""}}) {
      QFocusEvent focusIn(QEvent::FocusIn, reason);
      QApplication::sendEvent(text1, &focusIn);
      QCOMPARE(text1->text(), QString(after));
    }

    W<QComboBox>(Control::Combo1)->setCurrentIndex(1);
    text1->setText("30");
    W<QPushButton>(Control::Command1)->click();
    // Locked controls look locked: their own colours are for the enabled look only.
    for (auto [c, role] : {std::pair{Control::Command1, QPalette::ButtonText},
                           std::pair{Control::Text1, QPalette::Text}}) {
      const QPalette palette = form_->Widget(c)->palette();
      QVERIFY(palette.color(QPalette::Disabled, role) != palette.color(QPalette::Active, role));
    }
    // ... but the field keeps its white inside, see-through under the key, right of its digits.
    const layout::Rect& field = layout::Find(Control::Text1)->box;
    QTRY_VERIFY(!form_->SkinShape().contains(QPoint(field.x + field.w - 6, field.y + field.h / 2)));
    Tick(Control::Timer2);
    QCOMPARE(form_->Text(Control::Label6), ".");
  }

  // An error in a procedure: the box says so while the program still runs, then the program
  // ends with status 1. Run in a child process of this test, inside the application's loop,
  // since the end is the end of the process.
  void errorBoxShowsBeforeTheEnd() {
    if (qEnvironmentVariableIsSet("ORVANE_QT_TEST_ERROR_CHILD")) {
      QTimer::singleShot(0, [this] { form_->EndWithError("Timer1_Timer", "a test's own error"); });
      QApplication::exec();
      QFAIL("the error path returned");
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ORVANE_QT_TEST_ERROR_CHILD", "1");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {"errorBoxShowsBeforeTheEnd"});
    QVERIFY(child.waitForFinished(60000));
    const QString out = QString::fromUtf8(child.readAllStandardOutput() + child.readAllStandardError());
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 1);
    QVERIFY2(out.contains("box seen: Orvane stopped because of an unexpected error in Timer1_Timer:\n\na test's own error"),
             qPrintable(out));
  }

  // Hover: red over the Close label, untouched over the other labels (over the surface, black
  // again: run-e2e's x11_window_and_hover, with the real pointer).
  void label7HoverColour() {
    auto* label7 = W<QLabel>(Control::Label7);
    const QColor rest = label7->palette().color(QPalette::WindowText), red(255, 0, 0);
    for (auto [over, colour] :
         {std::pair{Control::Label5, rest}, {Control::Label7, red}, {Control::Label3, red}}) {
      SendMouse(form_->Widget(over), QEvent::MouseMove, {3, 3}, Qt::NoButton, Qt::NoButton);
      QCOMPARE(label7->palette().color(QPalette::WindowText), colour);
    }
  }

  // A press on the surface moves the window with any button; a press on a label does not; the
  // pin brings the top edge back at once, the horizontal place stays (and under the window
  // managers, after their own moves: run-e2e's window_on_desktop).
  void pressOnTheSurfaceMovesAndThePinHoldsTheTop_data() {
    QTest::addColumn<int>("button");
    QTest::newRow("left") << int(Qt::LeftButton);
    QTest::newRow("right") << int(Qt::RightButton);
    QTest::newRow("middle") << int(Qt::MiddleButton);
  }
  void pressOnTheSurfaceMovesAndThePinHoldsTheTop() {
    QFETCH(int, button);
    const auto b = static_cast<Qt::MouseButton>(button);
    QTRY_COMPARE(form_->y(), 0);
    const QPoint start = form_->pos();

    const auto drag = [b](QWidget* target, QPoint from, QPoint by) {
      SendMouse(target, QEvent::MouseButtonPress, from, b, b);
      SendMouse(target, QEvent::MouseMove, from + by, b, b);
      SendMouse(target, QEvent::MouseButtonRelease, from + by, b, Qt::NoButton);
    };
    drag(form_->Widget(Control::Label5), {3, 3}, {40, 40});
    QCOMPARE(form_->pos(), start);
    drag(form_.get(), {150, 110}, {-40, 30});
    QCOMPARE(form_->x(), start.x() - 40);
    QTRY_COMPARE_WITH_TIMEOUT(form_->y(), 0, 50);

    // The timer's own tick pins as well, without waiting for the event loop.
    form_->move(form_->x(), 80);
    QCOMPARE(form_->y(), 80);
    Tick(Control::wktats);
    QCOMPARE(form_->y(), 0);
  }

  // With two screens one above the other, the pin holds the top of the screen that holds the
  // window, not the top of the whole desktop (ctest runs this on two such screens).
  void pinHoldsTheTopOfTheWindowsOwnScreen() {
    QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.size() < 2) QSKIP("needs two screens, one above the other");
    std::sort(screens.begin(), screens.end(),
              [](QScreen* a, QScreen* b) { return a->geometry().top() < b->geometry().top(); });
    for (QScreen* screen : {screens.back(), screens.front()}) {
      const QRect area = screen->geometry();
      form_->move(area.left() + 100, area.top() + 120);
      QTRY_COMPARE(form_->screen(), screen);
      QTRY_COMPARE(form_->y(), area.top());
      Tick(Control::wktats);
      QCOMPARE(form_->pos(), QPoint(area.left() + 100, area.top()));
    }
  }

  // The shape is the non-white pixels of what is drawn: the letters of "Close", not the white
  // around them nor the white inside the minutes field; it follows the texts. (The board and the
  // white margins, outside the controls: shapeMatchesThePictureAtThisScale.)
  void shapeFollowsWhatIsDrawn() {
    const QRegion& shape = form_->SkinShape();
    const layout::ControlLayout* label7 = layout::Find(Control::Label7);
    const QRegion closeLetters = shape.intersected(QRect(label7->box.x, label7->box.y, label7->box.w, label7->box.h));
    QVERIFY(!closeLetters.isEmpty());
    QVERIFY(closeLetters.boundingRect().width() * closeLetters.boundingRect().height() >
            [&] { int n = 0; for (const QRect& r : closeLetters) n += r.width() * r.height(); return n; }());

    // No pale fringe: what the key leaves of "Close" is its letters, not near-white edges.
    QImage drawn(form_->size(), QImage::Format_RGB32);
    drawn.fill(Qt::white);
    form_->render(&drawn, QPoint(), QRegion(),
                  QWidget::DrawWindowBackground | QWidget::DrawChildren | QWidget::IgnoreMask);
    int pale = 0;
    for (const QRect& r : closeLetters) {
      for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
          const QRgb p = drawn.pixel(x, y);
          pale += std::min({qRed(p), qGreen(p), qBlue(p)}) > 160;
        }
      }
    }
    QCOMPARE(pale, 0);

    const layout::ControlLayout* text1 = layout::Find(Control::Text1);
    const QRect inside(text1->box.x + 3, text1->box.y + 3, text1->box.w - 6, text1->box.h - 6);
    W<QLineEdit>(Control::Text1)->setText("");
    QTRY_VERIFY(form_->SkinShape().intersected(inside).isEmpty());
    W<QLineEdit>(Control::Text1)->setText("240");
    QTRY_VERIFY(!form_->SkinShape().intersected(inside).isEmpty());
  }

  // At any scale the shape is the picture's own outside the controls: the 1x picture at scale 1,
  // the rendition drawn for the scale folded back to logical pixels elsewhere (ctest runs this
  // at 1, 1.5 and 2).
  void shapeMatchesThePictureAtThisScale() {
    const qreal scale = form_->devicePixelRatioF();
    QCOMPARE(form_->Background().devicePixelRatio(), scale);
    QCOMPARE(form_->Background().width(), qRound(layout::kPictureWidth * scale));
    const QImage picture = orvane::qt::LoadSkinPicture(":/art/background.bmp");
    QRegion controls;
    for (const layout::ControlLayout& entry : layout::kControls) {
      controls += QRect(entry.box.x - 1, entry.box.y - 1, entry.box.w + 3, entry.box.h + 3);
    }
    const QRegion& shape = form_->SkinShape();
    int opaque = 0, mismatched = 0;
    for (int y = 0; y < layout::kClientHeight; ++y) {
      for (int x = 0; x < layout::kClientWidth; ++x) {
        if (controls.contains(QPoint(x, y))) continue;
        const bool inPicture = (picture.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
        opaque += inPicture;
        mismatched += inPicture != shape.contains(QPoint(x, y));
      }
    }
    QVERIFY(opaque > 10000);
    // The 2x rendition is drawn on its own, so its edges may fall a pixel apart from the 1x one.
    QVERIFY2(mismatched <= (scale == 1 ? 0 : opaque / 20),
             qPrintable(QString("%1 of %2 pixels differ").arg(mismatched).arg(opaque)));
  }

  // Under a dark scheme the system's texts are white, the key: the labels, the line and the
  // field's digits are drawn one step off it, so they stay in the shape, seen and clickable.
  void darkSchemeKeepsEveryTextInTheShape() {
    const QPalette light = QApplication::palette();
    QPalette dark(QColor(53, 53, 53), QColor(42, 42, 42));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::Light}) {
      dark.setColor(role, Qt::white);
    }
    QApplication::setPalette(dark);
    const auto restore = qScopeGuard([&] { QApplication::setPalette(light); });
    cleanup();
    init();
    QImage drawn(form_->size(), QImage::Format_RGB32);
    form_->render(&drawn, QPoint(), QRegion(),
                  QWidget::DrawWindowBackground | QWidget::DrawChildren | QWidget::IgnoreMask);
    for (Control c : {Control::Label3, Control::Label5, Control::Label7, Control::Line1, Control::Text1}) {
      const layout::Rect& b = layout::Find(c)->box;
      int white = 0, offWhite = 0, inShape = 0;
      for (int y = b.y; y <= b.y + b.h; ++y) {
        for (int x = b.x; x < b.x + b.w; ++x) {
          const QRgb p = drawn.pixel(x, y) & 0xFFFFFF;
          white += p == 0xFFFFFF;
          offWhite += p == 0xFEFEFE;
          inShape += p == 0xFEFEFE && form_->SkinShape().contains(QPoint(x, y));
        }
      }
      // Close alone stands on the picture's white.
      QVERIFY2((white == 0 || c == Control::Label7) && offWhite > 0 && inShape == offWhite,
               qPrintable(QString("%1: %2 white, %3 of %4 off-white in the shape")
                              .arg(QString::fromLatin1(orvane::ControlName(c)))
                              .arg(white).arg(inShape).arg(offWhite)));
    }
  }

};

}  // namespace orvane_qt_test

QTEST_MAIN(orvane_qt_test::Form1QtTest)
#include "form1_qt_tests.moc"
