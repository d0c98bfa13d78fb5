// Moving the window: the drag by its surface and the top pin.
#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>

#include "window/qt/form1_qt.h"
#include "window/qt/x11_qt.h"

namespace orvane::qt {

void Form1::PinTop(int top) {
  const int y = ScreenTop() + top;
  // Where X has the window is asked once for each place it is put (a round trip wakes two
  // threads); the window's move events say when that place changes.
  if (!placedOnX11_) placedOnX11_ = x11::Placed(*this);
  if (!placedOnX11_) {  // offscreen: Qt's own idea of the place is all there is
    if (this->y() != y) move(x(), y);
    return;
  }
  const QPoint placed = *placedOnX11_;
  const int deviceY = qRound(y * devicePixelRatioF());
  if (placed.y() == deviceY) return;
  // A window manager may keep the window off the top (a panel there), or ignore what is asked
  // while it moves the window itself; and Qt takes a request for granted. So ask from where the
  // window really is, a few times for each place it is put, then leave it there: never a fight.
  if (placed != pinAskedAt_) {
    pinAskedAt_ = placed;
    pinAsks_ = 0;
  }
  if (pinAsks_ >= kPinAsksPerPlace) return;
  ++pinAsks_;
  x11::MoveTo(*this, QPoint(placed.x(), deviceY));
  // Look again soon, rather than at the pin's next tick, and then less and less soon: a request
  // ignored during the window manager's own move, or just after the window appears (KWin), is
  // asked again once that is over.
  if (!pinAgain_) {
    pinAgain_ = new QTimer(this);
    pinAgain_->setSingleShot(true);
    connect(pinAgain_, &QTimer::timeout, this, [this] { events_.Handle(Event::wktats_Timer); });
  }
  pinAgain_->start(250 << (pinAsks_ - 1));
}

int Form1::ScreenTop() const { return screen() ? screen()->geometry().top() : 0; }

void Form1::mousePressEvent(QMouseEvent* event) {
  pressGlobal_ = event->globalPosition().toPoint();
  dragButton_ = event->button();
  events_.Handle(Event::Form_MouseDown);
}

void Form1::mouseMoveEvent(QMouseEvent* event) {
  const QPoint global = event->globalPosition().toPoint();
  if (drag_ == Drag::Pending && event->buttons() != Qt::NoButton &&
      (global - pressGlobal_).manhattanLength() >= QApplication::startDragDistance()) {
    // The system move only after the press has moved: started at the press, a plain click left
    // openbox and KWin in move mode (the window then followed the pointer with no button held;
    // mutter coped). Other buttons, and a desktop without a window manager, move the window by
    // hand.
    const bool system = dragButton_ == Qt::LeftButton && windowHandle() &&
                        windowHandle()->startSystemMove();
    drag_ = system ? Drag::System : Drag::Manual;
  }
  if (drag_ == Drag::Manual) {
    QPoint to = global - grabOffset_;
    to.setY(std::max(to.y(), ScreenTop()));
    move(to);
  }
  events_.Handle(Event::Form_MouseMove);
}

void Form1::mouseReleaseEvent(QMouseEvent*) { drag_ = Drag::None; }

void Form1::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  placedOnX11_.reset();
  if (ended_ || !isVisible() || y() == ScreenTop()) return;
  pinSoon_->start();
}

}  // namespace orvane::qt
