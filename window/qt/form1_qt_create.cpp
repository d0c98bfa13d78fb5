// Form1 built from the layout table: the window, its controls and timers, and the routing of
// their Qt events to the event procedures.
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>

#include "form/accessible.h"
#include "form/layout.h"
#include "window/qt/accessible_qt.h"
#include "window/qt/convert_qt.h"
#include "window/qt/form1_qt.h"
#include "window/qt/skin_label_qt.h"

namespace orvane::qt {
namespace {

int Index(Control c) { return static_cast<int>(c); }

}  // namespace

Form1::Form1(PowerPlatform& platform, SleepHold& hold)
    : QWidget(nullptr), events_(*this, platform, hold) {
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
  InstallAccessibility();
  BuildControls();
  BuildTimers();
}

Form1::~Form1() = default;

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
        text1_->setAccessibleName(FromUtf8(access::Find(Control::Text1)->name));
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
        combo_->setAccessibleName(FromUtf8(access::Find(Control::Combo1)->name));
        for (auto role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText}) {
          SetEnabledColor(palette, role, ToQColor(entry.fore));
        }
        for (auto role : {QPalette::Base, QPalette::Button, QPalette::Window}) {
          SetEnabledColor(palette, role, ToQColor(entry.back));
          palette.setColor(QPalette::Disabled, role, ToQColor(entry.back));
        }
        // Locked while a countdown runs, it greys its text as the locked field does and keeps
        // its background: still plainly readable, it shows the action that will come.
        for (auto role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText}) {
          palette.setColor(QPalette::Disabled, role, ToQColor(kSysWindowText, QPalette::Disabled));
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
        button->installEventFilter(this);  // Enter presses it as a click does
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
    const Event tick = TimerEvent(entry.id);
    timer->setInterval(entry.intervalMs);
    // The minute keeps its beat to the millisecond. The dots and the pin fall on whole seconds of
    // the same clock (a precise timer often wakes the program a moment early and then again on
    // time): the dots still step once a second, and while they run the pin's tick comes with
    // one of theirs instead of waking the program on its own.
    timer->setTimerType(entry.id == Control::Timer1 ? Qt::PreciseTimer : Qt::VeryCoarseTimer);
    connect(timer, &QTimer::timeout, this, [this, tick] { events_.Handle(tick); });
    timers_[Index(entry.id)] = timer;
    if (entry.enabledAtCreation) timer->start();
  }

  // Work for the next turn of the event loop: the shape once what is drawn has settled, and the
  // report of a move once Qt is done moving the window.
  shapeSoon_ = new QTimer(this);
  shapeSoon_->setSingleShot(true);
  shapeSoon_->setInterval(0);
  connect(shapeSoon_, &QTimer::timeout, this, &Form1::UpdateSkinShape);
  movedSoon_ = new QTimer(this);
  movedSoon_->setSingleShot(true);
  movedSoon_->setInterval(0);
  connect(movedSoon_, &QTimer::timeout, this, [this] { events_.Handle(Event::Form_Moved); });
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
  events_.Handle(Event::Form_Shown);
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
    case QEvent::KeyPress: {
      // A focused push button takes Enter as it takes Space, as everywhere on the desktop; it is
      // no default button, so Enter elsewhere does nothing.
      auto* button = qobject_cast<QPushButton*>(watched);
      const auto* key = static_cast<QKeyEvent*>(event);
      if (button && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
          key->modifiers() == Qt::NoModifier) {
        if (!key->isAutoRepeat() && button->isEnabled()) button->click();
        return true;
      }
      break;
    }
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace orvane::qt
