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

int Form1::TopOnScreen() const {
  if (!placedOnX11_) placedOnX11_ = x11::Placed(*this);
  if (!placedOnX11_) return y() - ScreenTop();  // offscreen: Qt's own idea is all there is
  // Qt takes a request for granted; the X server knows where the window manager really put it.
  const qreal scale = devicePixelRatioF();
  const int deviceTop = qRound(ScreenTop() * scale);
  const int top = qRound(placedOnX11_->y() / scale) - ScreenTop();
  // Off by a device pixel is off the top too, even where that rounds to no logical pixel.
  if (top == 0 && placedOnX11_->y() != deviceTop) return placedOnX11_->y() > deviceTop ? 1 : -1;
  return top;
}

void Form1::PutTop(int top) {
  const int y = ScreenTop() + top;
  if (!placedOnX11_) placedOnX11_ = x11::Placed(*this);
  if (!placedOnX11_) {
    move(x(), y);
    return;
  }
  // Asked of the X server from where the window really is: Qt would skip a request for the place
  // it believes the window is at already. While the window is moved by hand, though, our own
  // last request is where it is going: a server that has not carried it out yet (XWayland under
  // load) would otherwise send the window back along the drag.
  const qreal scale = devicePixelRatioF();
  const int deviceX = drag_ == Drag::Manual ? qRound(x() * scale) : placedOnX11_->x();
  x11::MoveTo(*this, QPoint(deviceX, qRound(y * scale)));
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
    events_.Handle(Event::Form_MoveBegan);
  }
  if (drag_ == Drag::Manual) {
    QPoint to = global - grabOffset_;
    to.setY(std::max(to.y(), ScreenTop()));
    move(to);
  }
  events_.Handle(Event::Form_MouseMove);
}

// Qt hears the release even after the window manager has taken the move over (mutter and KWin
// hand the pointer back with it): the end of the move, wherever the window was dropped. Until
// then the window manager ignores every request to move the window.
void Form1::mouseReleaseEvent(QMouseEvent*) {
  const bool moved = drag_ == Drag::System || drag_ == Drag::Manual;
  drag_ = Drag::None;
  if (moved) events_.Handle(Event::Form_MoveEnded);
}

void Form1::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  placedOnX11_.reset();
  if (ended_ || !isVisible()) return;
  movedSoon_->start();
}

}  // namespace orvane::qt
