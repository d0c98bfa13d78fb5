// Form1 on Qt Widgets: the window and its controls built from the layout table, the skin (colour
// key as a window shape, move by the surface, top pin) and the routing of every Qt event to its
// event procedure. It keeps no countdown logic of its own. One concern a file:
//   form1_qt.cpp         the control interface the event procedures use
//   form1_qt_create.cpp  building the widgets and timers, and routing their events
//   form1_qt_skin.cpp    the picture, the shape and the painting
//   form1_qt_move.cpp    moving: the drag by the surface, where the window is, the top edge
//                        put where the core's pin asks
//   skin_label_qt.cpp    the labels, whose mouse events are their own
//   skin_mask_qt.cpp     the shape of what is not the colour key; reading the pictures
//   x11_qt.cpp           every call to the X server
//   convert_qt.cpp       texts, colours, fonts and box styles in Qt's terms
//   accessible_qt.cpp    what screen readers are told of the labels
//   single_instance_qt.cpp  one Orvane a user: the lock, and the request to come forward
#pragma once

#include <QPixmap>
#include <QPoint>
#include <QRegion>
#include <QWidget>
#include <array>
#include <optional>

#include "events/form1_events.h"
#include "form/controls.h"
#include "power/power_platform.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QTimer;

namespace orvane::qt {

class Form1 final : public QWidget, public FormControls {
  Q_OBJECT
 public:
  Form1(PowerPlatform& platform, SleepHold& hold);
  ~Form1() override;

  // Loads the form (welcome box, colour key), then shows it centred with the focus on Combo1.
  void LoadAndShow();

  // A later start asked for us: the window comes to the front, and a box of ours above it.
  void BringForward();

  // FormControls.
  std::string Text(Control c) const override;
  void SetText(Control c, std::string_view utf8Text) override;
  void SetEnabled(Control c, bool enabled) override;
  std::int16_t ListIndex(Control c) const override;
  void SetForeColor(Control c, Color color) override;
  int Top(Control c) const override;
  void SetTop(Control c, int top) override;
  void MsgBox(std::string_view prompt, int style, std::string_view title) override;
  void ApplyColorKey() override;
  void BeginSystemMove() override;
  void EndProgram() override;
  void EndWithError(std::string_view procedure, std::string_view what) override;

  // For the window's own tests: the controls, the timers and the shape last computed.
  QWidget* Widget(Control c) const;
  QTimer* Timer(Control c) const;
  const QRegion& SkinShape() const { return shape_; }
  const QPixmap& Background() const { return background_; }
  bool Ended() const { return ended_; }
  const Form1Events& Events() const { return events_; }

  // Computes the shape from what is drawn now and applies it when it changed.
  void UpdateSkinShape();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  enum class Drag { None, Pending, System, Manual };

  void BuildControls();
  void BuildTimers();
  void LoadBackground();
  void ScheduleSkinShape();
  bool PaintMayChangeShape(const QRegion& painted) const;
  bool ApplyDeviceShape();
  // Moving (form1_qt_move.cpp): where the window's top edge is, from the top of its screen, and
  // the request to put it `top` pixels below that.
  int ScreenTop() const;
  int TopOnScreen() const;
  void PutTop(int top);
  // Stops every timer and hides the window: nothing of the form runs any more.
  void StopAndHide();

  Form1Events events_;
  std::array<QWidget*, kControlCount> widgets_{};
  std::array<QTimer*, kControlCount> timers_{};
  QComboBox* combo_ = nullptr;
  QLineEdit* text1_ = nullptr;

  QPixmap background_;
  QTimer* shapeSoon_ = nullptr;
  QTimer* movedSoon_ = nullptr;  // reports a move once Qt is done with it
  bool keyed_ = false;
  bool rendering_ = false;
  QRegion shape_;        // logical pixels
  QRegion deviceShape_;  // device pixels, as applied to the window
  bool shapeOnX_ = false;   // deviceShape_ is the X window's shape
  QRegion boardShape_;  // the background picture's own non-white pixels

  Drag drag_ = Drag::None;
  QPoint pressGlobal_;
  QPoint grabOffset_;
  Qt::MouseButton dragButton_ = Qt::NoButton;

  // Where the X server has the window, in device pixels: asked once for each place it is put (a
  // round trip wakes two threads); the window's move events say when that place changes.
  mutable std::optional<QPoint> placedOnX11_;

  bool ended_ = false;
};

}  // namespace orvane::qt
