// A label of the form: transparent, and the mouse events over it are its own, as on the form the
// layout comes from; they never reach the window's surface.
#pragma once

#include <QLabel>

namespace orvane::qt {

class SkinLabel final : public QLabel {
  Q_OBJECT
 public:
  using QLabel::QLabel;

 signals:
  void mouseMoved();
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool pressed_ = false;
};

}  // namespace orvane::qt
