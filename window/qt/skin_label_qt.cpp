#include "window/qt/skin_label_qt.h"

#include <QMouseEvent>

namespace orvane::qt {

void SkinLabel::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  event->accept();
}

void SkinLabel::mouseMoveEvent(QMouseEvent* event) {
  event->accept();
  emit mouseMoved();
}

void SkinLabel::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  const bool click = pressed_ && event->button() == Qt::LeftButton &&
                     rect().contains(event->position().toPoint());
  pressed_ = false;
  if (click) emit clicked();
}

}  // namespace orvane::qt
