// The skin: the background picture at the screen's scale, the shape that cuts the colour key
// away, and the painting of the surface.
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <array>

#include "form/layout.h"
#include "window/qt/convert_qt.h"
#include "window/qt/form1_qt.h"
#include "window/qt/skin_mask_qt.h"
#include "window/qt/x11_qt.h"

namespace orvane::qt {

void Form1::LoadBackground() {
  // The picture drawn at the screen's own scale, pixel for pixel. Other scales take the next
  // larger one, scaled by nearest neighbour so that no colour blends with the white key.
  struct Rendition {
    qreal scale;
    const char* file;
  };
  static constexpr std::array<Rendition, 5> kRenditions{{
      {1.0, ":/art/background.bmp"},
      {1.25, ":/art/win32/background@1.25x-rle8.bmp"},
      {1.5, ":/art/win32/background@1.5x-rle8.bmp"},
      {1.75, ":/art/win32/background@1.75x-rle8.bmp"},
      {2.0, ":/art/background@2x.bmp"},
  }};
  const qreal dpr = devicePixelRatioF();
  const Rendition* chosen = &kRenditions.back();
  for (const Rendition& r : kRenditions) {
    if (r.scale >= dpr - 0.01) {
      chosen = &r;
      break;
    }
  }
  background_ = QPixmap::fromImage(LoadSkinPicture(chosen->file));
  background_.setDevicePixelRatio(chosen->scale);
  boardShape_ = OpaqueRegion(background_.toImage(), qRgb(255, 255, 255), chosen->scale);
}

// Painting over the picture's own non-white pixels (the board) with the background itself or
// with a label's text leaves them non-white: the waiting dots and the count, repainted every
// second while counting, need no new shape. Everything else does.
bool Form1::PaintMayChangeShape(const QRegion& painted) const {
  return !(painted - boardShape_).isEmpty();
}

void Form1::UpdateSkinShape() {
  if (!keyed_) return;
  // Rendered in device pixels, as the screen shows them: at a scale such as 1.5 a logical
  // pixel straddles device pixels, and a shape in logical pixels would show white ones.
  const qreal scale = devicePixelRatioF();
  QImage image(qRound(width() * scale), qRound(height() * scale), QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(scale);
  image.fill(Qt::white);
  rendering_ = true;
  render(&image, QPoint(), QRegion(),
         QWidget::DrawWindowBackground | QWidget::DrawChildren | QWidget::IgnoreMask);
  rendering_ = false;
  const QRegion device = OpaqueRegion(image, qRgb(255, 255, 255));
  if (device == deviceShape_ && shapeOnX_) return;
  deviceShape_ = device;
  shape_ = scale == 1 ? device : OpaqueRegion(image, qRgb(255, 255, 255), scale);
  shapeOnX_ = ApplyDeviceShape();
  if (!shapeOnX_ && mask() != shape_) setMask(shape_);
}

// Sets the X window's shape to the device pixels themselves; false where there is no X window
// to shape (then the widget's own mask, in logical pixels, stands in).
bool Form1::ApplyDeviceShape() {
  if (!x11::HasWindow(*this)) return false;
  // Qt's own mask (set before the window existed) would come back over ours on its next use.
  if (!mask().isEmpty()) clearMask();
  return x11::SetShape(*this, deviceShape_);
}

void Form1::ScheduleSkinShape() {
  if (!keyed_ || rendering_ || ended_ || shapeSoon_->isActive()) return;
  shapeSoon_->start();
}

void Form1::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.drawPixmap(0, 0, background_);
  if (const layout::ControlLayout* line = layout::Find(Control::Line1)) {
    painter.setPen(QPen(ToQColor(line->fore), 1));
    // The end point itself is left out, as line drawing on the form's home platform does.
    const QPoint from(line->box.x, line->box.y);
    QPoint to(line->box.x + line->box.w, line->box.y + line->box.h);
    if (to.x() != from.x()) to.rx() += to.x() > from.x() ? -1 : 1;
    else if (to.y() != from.y()) to.ry() += to.y() > from.y() ? -1 : 1;
    painter.drawLine(from, to);
  }
  if (PaintMayChangeShape(event->region())) ScheduleSkinShape();
}

}  // namespace orvane::qt
