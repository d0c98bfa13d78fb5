#include "window/qt/form1_qt.h"

#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QIcon>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSpacerItem>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleHints>
#include <QTimer>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "window/layout.h"
#include "window/qt/skin_mask_qt.h"

namespace orvane::qt {
namespace {

int Index(Control c) { return static_cast<int>(c); }

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QColor FromRgb(Color color) {
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

Color ToRgb(const QColor& color) {
  return Rgb(static_cast<std::uint8_t>(color.red()), static_cast<std::uint8_t>(color.green()),
             static_cast<std::uint8_t>(color.blue()));
}

QColor OffKey(const QColor& color) { return FromRgb(layout::OffKey(ToRgb(color))); }

// The system colours are the desktop's palette, as the application was given it; the desktop
// colour has no role there and stays black. Every one but the window colour (the minutes
// field's see-through inside) is kept off the colour key.
QColor ToQColor(Color color, QPalette::ColorGroup group = QPalette::Active) {
  if (!IsSystemColor(color)) return FromRgb(color);
  const QPalette palette = QGuiApplication::palette();
  switch (color) {
    case kSysWindow:
      return palette.color(group, QPalette::Base);
    case kSysWindowText:
      return OffKey(palette.color(group, QPalette::Text));
    case kSysButtonFace:
      return OffKey(palette.color(group, QPalette::Button));
    case kSysButtonText:
      return OffKey(palette.color(group, QPalette::ButtonText));
    case kSysDesktop:
    default:
      return QColor(0, 0, 0);
  }
}

// The desktop's palette with every colour kept off the colour key: what the style draws of its
// own (bevels, frames, the focus mark, greyed texts) stays visible and clickable.
QPalette OffKeyPalette() {
  QPalette palette = QGuiApplication::palette();
  for (int g = 0; g < QPalette::NColorGroups; ++g) {
    const auto group = static_cast<QPalette::ColorGroup>(g);
    for (int r = 0; r < QPalette::NColorRoles; ++r) {
      const auto role = static_cast<QPalette::ColorRole>(r);
      palette.setColor(group, role, OffKey(palette.color(group, role)));
    }
  }
  return palette;
}

QFont ToQFont(const layout::Font& font) {
  QFont f(FromUtf8(font.face));
  f.setPixelSize(FontPixelSize(font.centipoints));
  f.setBold(font.bold);
  f.setItalic(false);
  f.setUnderline(false);
  f.setStrikeOut(false);
  return f;
}

// A control's own colour, for its enabled look only: disabled controls keep the style's greyed
// colours, so that a locked field or button still looks locked.
void SetEnabledColor(QPalette& palette, QPalette::ColorRole role, const QColor& color) {
  palette.setColor(QPalette::Active, role, color);
  palette.setColor(QPalette::Inactive, role, color);
}

QMessageBox::Icon BoxIcon(int style) {
  switch (style & 0xF0) {
    case kMbIconError:
      return QMessageBox::Critical;
    case 32:
      return QMessageBox::Question;
    case kMbIconExclamation:
      return QMessageBox::Warning;
    case kMbIconInformation:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

xcb_atom_t InternAtom(xcb_connection_t* connection, const char* name) {
  const auto cookie =
      xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
  const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  std::free(reply);
  return atom;
}

}  // namespace

void RegisterFontSubstitutes() {
  QFont::insertSubstitutions("Tahoma", {"Liberation Sans", "DejaVu Sans Condensed"});
  QFont::insertSubstitutions("MS Sans Serif", {"Liberation Sans", "DejaVu Sans Condensed"});
  QFont::insertSubstitutions("Tempus Sans ITC", {"Comic Neue", "DejaVu Sans Condensed"});
}

int FontPixelSize(int centipoints) {
  return static_cast<int>(std::lround(centipoints * 96.0 / 7200.0));
}

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

Form1::Form1(PowerPlatform& platform) : QWidget(nullptr), events_(*this, platform) {
  setObjectName("Form1");
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  setFixedSize(layout::kClientWidth, layout::kClientHeight);
  setWindowTitle(FromUtf8(layout::kInitialCaption));
  setFont(ToQFont(layout::kWindowFont));
  setPalette(OffKeyPalette());
  setMouseTracking(true);
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/art/png/orvane-%1.png").arg(size), QSize(size, size));
  }
  setWindowIcon(icon);
  LoadBackground();
  BuildControls();
  BuildTimers();
}

Form1::~Form1() = default;

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

void Form1::BuildControls() {
  // Children are stacked in the order they are made, so build from the bottom of the table up.
  for (auto it = layout::kControls.rbegin(); it != layout::kControls.rend(); ++it) {
    const layout::ControlLayout& entry = *it;
    const QString text = FromUtf8(entry.text);
    QWidget* widget = nullptr;
    QPalette palette = this->palette();
    switch (entry.kind) {
      case layout::Kind::Label: {
        auto* label = new SkinLabel(this);
        label->setTextFormat(Qt::PlainText);
        label->setText(text);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setMargin(0);
        label->setFocusPolicy(Qt::NoFocus);
        label->setMouseTracking(true);
        SetEnabledColor(palette, QPalette::WindowText, ToQColor(entry.fore));
        widget = label;
        if (entry.id == Control::Label7) {
          connect(label, &SkinLabel::mouseMoved, this, [this] { events_.Handle(Event::Label7_MouseMove); });
          connect(label, &SkinLabel::clicked, this, [this] { events_.Handle(Event::Label7_Click); });
        }
        break;
      }
      case layout::Kind::TextBox: {
        text1_ = new QLineEdit(text, this);
        // The sunken 3-D border of the form's home platform, whatever the desktop's style.
        if (QStyle* sunken = QStyleFactory::create("Windows")) {
          sunken->setParent(text1_);
          text1_->setStyle(sunken);
        }
        text1_->setFrame(true);
        text1_->setToolTip(FromUtf8(entry.tooltip));
        text1_->setAccessibleName("Minutes");
        text1_->installEventFilter(this);
        SetEnabledColor(palette, QPalette::Text, ToQColor(entry.fore));
        // Locked, the field keeps its background (see-through under the key) and greys its text.
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
          palette.setColor(group, QPalette::Base, ToQColor(entry.back));
        }
        palette.setColor(QPalette::Disabled, QPalette::Text,
                         ToQColor(entry.fore, QPalette::Disabled));
        widget = text1_;
        break;
      }
      case layout::Kind::ComboBox: {
        combo_ = new QComboBox(this);
        combo_->setEditable(false);
        for (std::string_view item : layout::kComboItems) combo_->addItem(FromUtf8(item));
        combo_->setCurrentIndex(-1);
        combo_->setAccessibleName("Action");
        for (auto role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText}) {
          SetEnabledColor(palette, role, ToQColor(entry.fore));
        }
        for (auto role : {QPalette::Base, QPalette::Button, QPalette::Window}) {
          SetEnabledColor(palette, role, ToQColor(entry.back));
        }
        widget = combo_;
        break;
      }
      case layout::Kind::Button: {
        auto* button = new QPushButton(text, this);
        button->setAutoDefault(false);
        button->setDefault(false);
        SetEnabledColor(palette, QPalette::ButtonText, ToQColor(entry.fore));
        SetEnabledColor(palette, QPalette::Button, ToQColor(entry.back));
        const Event click = entry.id == Control::Command1 ? Event::Command1_Click : Event::Command2_Click;
        connect(button, &QPushButton::clicked, this, [this, click] { events_.Handle(click); });
        widget = button;
        break;
      }
      case layout::Kind::Line:  // drawn by paintEvent
      case layout::Kind::Form:
      case layout::Kind::Timer:
        continue;
    }
    widget->setObjectName(QString::fromLatin1(ControlName(entry.id)));
    QFont font = ToQFont(entry.font);
    if (entry.hardEdges) font.setStyleStrategy(QFont::NoAntialias);
    widget->setFont(font);
    widget->setPalette(palette);
    widget->setGeometry(entry.box.x, entry.box.y, entry.box.w, entry.box.h);
    // Mouse events over a control are that control's, never the window's surface.
    widget->setAttribute(Qt::WA_NoMousePropagation);
    widget->installEventFilter(this);
    widgets_[Index(entry.id)] = widget;
    if (entry.autoSize) widget->adjustSize();
  }
  widgets_[Index(Control::Form1)] = this;

  const auto order = layout::TabOrder();
  for (std::size_t i = 0; i + 1 < order.size(); ++i) {
    setTabOrder(widgets_[Index(order[i])], widgets_[Index(order[i + 1])]);
  }
}

void Form1::BuildTimers() {
  for (const layout::TimerLayout& entry : layout::kTimers) {
    auto* timer = new QTimer(this);
    timer->setObjectName(QString::fromLatin1(ControlName(entry.id)));
    const Event tick = entry.id == Control::Timer1   ? Event::Timer1_Timer
                       : entry.id == Control::Timer2 ? Event::Timer2_Timer
                                                    : Event::wktats_Timer;
    timer->setInterval(entry.intervalMs);
    // The minute keeps its beat to the millisecond. The dots and the pin may shift by a few per
    // cent: a precise timer often wakes the program a moment early and then again on time.
    timer->setTimerType(entry.id == Control::Timer1 ? Qt::PreciseTimer : Qt::CoarseTimer);
    connect(timer, &QTimer::timeout, this, [this, tick] { events_.Handle(tick); });
    timers_[Index(entry.id)] = timer;
    if (entry.enabledAtCreation) timer->start();
  }

  // Work for the next turn of the event loop: the shape once what is drawn has settled, and the
  // pin's tick right after a move.
  shapeSoon_ = new QTimer(this);
  shapeSoon_->setSingleShot(true);
  shapeSoon_->setInterval(0);
  connect(shapeSoon_, &QTimer::timeout, this, &Form1::UpdateSkinShape);
  pinSoon_ = new QTimer(this);
  pinSoon_->setSingleShot(true);
  pinSoon_->setInterval(0);
  connect(pinSoon_, &QTimer::timeout, this, [this] { events_.Handle(Event::Form_Moved); });
}

void Form1::LoadAndShow() {
  // Centred across, then Form_Load, which ends with the pin: the first frame is at the top.
  const QRect screenArea = screen()->geometry();
  move(screenArea.center() - QPoint(width() / 2, height() / 2));
  events_.Handle(Event::Form_Load);
  if (ended_) return;
  show();
  combo_->setFocus(Qt::OtherFocusReason);
  UpdateSkinShape();
}

QWidget* Form1::Widget(Control c) const { return widgets_[Index(c)]; }

QTimer* Form1::Timer(Control c) const { return timers_[Index(c)]; }

std::string Form1::Text(Control c) const {
  QString text;
  if (c == Control::Form1) {
    text = windowTitle();
  } else if (auto* label = qobject_cast<QLabel*>(Widget(c))) {
    text = label->text();
  } else if (auto* edit = qobject_cast<QLineEdit*>(Widget(c))) {
    text = edit->text();
  } else if (auto* button = qobject_cast<QPushButton*>(Widget(c))) {
    text = button->text();
  } else if (auto* combo = qobject_cast<QComboBox*>(Widget(c))) {
    text = combo->currentText();
  }
  return text.toStdString();
}

void Form1::SetText(Control c, std::string_view utf8Text) {
  const QString text = FromUtf8(utf8Text);
  if (c == Control::Form1) {
    setWindowTitle(text);
    // Qt names an untitled window after the program; the task bar must show nothing.
    if (text.isEmpty()) SetX11TitleEmpty();
    return;
  }
  QWidget* widget = Widget(c);
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(text);
    const layout::ControlLayout* entry = layout::Find(c);
    if (entry && entry->autoSize) label->adjustSize();
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    edit->setText(text);
  } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
    button->setText(text);
  }
}

void Form1::SetEnabled(Control c, bool enabled) {
  if (QTimer* timer = Timer(c)) {
    if (!enabled) {
      timer->stop();
    } else if (!timer->isActive()) {
      timer->start();
    }
    return;
  }
  if (QWidget* widget = Widget(c)) widget->setEnabled(enabled);
}

std::int16_t Form1::ListIndex(Control) const {
  return static_cast<std::int16_t>(combo_->currentIndex());
}

void Form1::SetForeColor(Control c, Color color) {
  QWidget* widget = Widget(c);
  if (!widget) return;
  QPalette palette = widget->palette();
  const QColor qcolor = ToQColor(color);
  for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    SetEnabledColor(palette, role, qcolor);
  }
  widget->setPalette(palette);
}

void Form1::SetTop(Control c, int top) {
  if (c != Control::Form1) return;
  const int y = ScreenTop() + top;
  // Where X has the window is asked once for each place it is put (a round trip wakes two
  // threads); the window's move events say when that place changes.
  QPoint placed;
  if (placedOnX11_) {
    placed = *placedOnX11_;
  } else if (PlacedOnX11(placed)) {
    placedOnX11_ = placed;
  } else {  // offscreen: Qt's own idea of the place is all there is
    if (this->y() != y) move(x(), y);
    return;
  }
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
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  const std::uint32_t position[] = {static_cast<std::uint32_t>(placed.x()),
                                    static_cast<std::uint32_t>(deviceY)};
  xcb_configure_window(x11->connection(), static_cast<xcb_window_t>(winId()),
                       XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, position);
  xcb_flush(x11->connection());
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

bool Form1::PlacedOnX11(QPoint& placed) const {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (QGuiApplication::platformName() != "xcb" || !x11 || !x11->connection() ||
      !testAttribute(Qt::WA_WState_Created)) {
    return false;
  }
  xcb_connection_t* connection = x11->connection();
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
  const auto cookie =
      xcb_translate_coordinates(connection, static_cast<xcb_window_t>(winId()), root, 0, 0);
  xcb_translate_coordinates_reply_t* reply =
      xcb_translate_coordinates_reply(connection, cookie, nullptr);
  if (!reply) return false;
  placed = QPoint(reply->dst_x, reply->dst_y);
  std::free(reply);
  return true;
}

int Form1::ScreenTop() const { return screen() ? screen()->geometry().top() : 0; }

void Form1::MsgBox(std::string_view prompt, int style, std::string_view title) {
  QMessageBox box(BoxIcon(style), FromUtf8(title), FromUtf8(prompt), QMessageBox::Ok,
                  isVisible() ? this : nullptr);
  box.setTextFormat(Qt::PlainText);
  // As wide as its title needs beside the window manager's icon and buttons, as on Windows: a
  // box as narrow as "good bye .." gets its title cut to "..." by KWin's Breeze.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const int width = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + 4 * 48;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  box.exec();
}

void Form1::ApplyColorKey() {
  keyed_ = true;
  UpdateSkinShape();
}

void Form1::BeginSystemMove() {
  drag_ = Drag::Pending;
  grabOffset_ = pressGlobal_ - pos();
}

void Form1::EndProgram() {
  ended_ = true;
  for (QTimer* timer : timers_) {
    if (timer) timer->stop();
  }
  shapeSoon_->stop();
  pinSoon_->stop();
  hide();
  QCoreApplication::exit(0);
}

void Form1::EndWithError(std::string_view procedure, std::string_view what) {
  EndProgram();
  QMessageBox box(QMessageBox::Critical, "Orvane",
                  "Orvane stopped because of an unexpected error in " + FromUtf8(procedure) +
                      ":\n\n" + FromUtf8(what),
                  QMessageBox::Ok);
  box.setTextFormat(Qt::PlainText);
  box.exec();
  std::fflush(nullptr);
  std::_Exit(1);
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
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (QGuiApplication::platformName() != "xcb" || !x11 || !x11->connection() ||
      !testAttribute(Qt::WA_WState_Created)) {
    return false;
  }
  std::vector<xcb_rectangle_t> rects;
  rects.reserve(static_cast<std::size_t>(deviceShape_.rectCount()));
  for (const QRect& r : deviceShape_) {
    rects.push_back({static_cast<std::int16_t>(r.x()), static_cast<std::int16_t>(r.y()),
                     static_cast<std::uint16_t>(r.width()), static_cast<std::uint16_t>(r.height())});
  }
  // Qt's own mask (set before the window existed) would come back over ours on its next use.
  if (!mask().isEmpty()) clearMask();
  xcb_connection_t* connection = x11->connection();
  xcb_shape_rectangles(connection, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING,
                       XCB_CLIP_ORDERING_UNSORTED, static_cast<xcb_window_t>(winId()), 0, 0,
                       static_cast<std::uint32_t>(rects.size()), rects.data());
  xcb_flush(connection);
  return true;
}

void Form1::ScheduleSkinShape() {
  if (!keyed_ || rendering_ || ended_ || shapeSoon_->isActive()) return;
  shapeSoon_->start();
}

void Form1::SetX11TitleEmpty() {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (QGuiApplication::platformName() != "xcb" || !x11 || !testAttribute(Qt::WA_WState_Created)) {
    return;
  }
  xcb_connection_t* connection = x11->connection();
  if (!connection) return;
  const auto window = static_cast<xcb_window_t>(winId());
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window,
                      InternAtom(connection, "_NET_WM_NAME"), InternAtom(connection, "UTF8_STRING"),
                      8, 0, nullptr);
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME,
                      XCB_ATOM_STRING, 8, 0, nullptr);
  xcb_flush(connection);
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

void Form1::closeEvent(QCloseEvent* event) {
  // Closed from outside (the window manager): the program ends, without the goodbye box.
  event->accept();
  events_.Handle(Event::Form_Closed);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Paint:
      if (!qobject_cast<QLabel*>(watched) ||
          PaintMayChangeShape(static_cast<QWidget*>(watched)->geometry())) {
        ScheduleSkinShape();
      }
      break;
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
      if (watched != text1_) break;
      // Switching windows (a message box, another program) or opening a popup moves no focus
      // inside the form.
      const auto reason = static_cast<QFocusEvent*>(event)->reason();
      const bool outside = reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
      events_.Handle(event->type() == QEvent::FocusIn ? Event::Text1_GotFocus : Event::Text1_LostFocus,
                     outside ? FocusPeer::OutsideWindow : FocusPeer::InsideWindow);
      break;
    }
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace orvane::qt
