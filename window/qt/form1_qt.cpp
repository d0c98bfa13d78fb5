// Form1's controls as the event procedures see them.
#include "window/qt/form1_qt.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "form/layout.h"
#include "window/qt/convert_qt.h"
#include "window/qt/x11_qt.h"

namespace orvane::qt {
namespace {

// A box comes to the front and takes the keyboard as soon as it is shown, as far as the window
// manager lets a program do that: at the target minute the form is mostly behind other windows,
// and a box that opens unseen behind them leaves the user waiting for an action that was refused.
// Shown here, modal as its exec() would show it; the activation waits for the window's map.
void ComeForward(QMessageBox& box) {
  box.setWindowModality(Qt::ApplicationModal);
  box.show();
  box.raise();
  box.activateWindow();
}

}  // namespace

void Form1::BringForward() {
  if (ended_) return;
  if (isVisible()) {
    raise();
    x11::Activate(*this);
  }
  // The welcome box before the window is shown, a refusal or the goodbye box after: in front.
  if (QWidget* box = QApplication::activeModalWidget()) {
    box->raise();
    x11::Activate(*box);
  }
}

QWidget* Form1::Widget(Control c) const { return widgets_[static_cast<int>(c)]; }

QTimer* Form1::Timer(Control c) const { return timers_[static_cast<int>(c)]; }

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
    if (text.isEmpty()) x11::ClearTitle(*this);
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
  Widget(c)->setEnabled(enabled);
}

std::int16_t Form1::ListIndex(Control) const {
  return static_cast<std::int16_t>(combo_->currentIndex());
}

void Form1::SetForeColor(Control c, Color color) {
  QWidget* widget = Widget(c);
  QPalette palette = widget->palette();
  const QColor qcolor = ToQColor(color);
  for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    SetEnabledColor(palette, role, qcolor);
  }
  widget->setPalette(palette);
}

int Form1::Top(Control) const { return TopOnScreen(); }

void Form1::SetTop(Control, int top) { PutTop(top); }

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
  ComeForward(box);
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

void Form1::StopAndHide() {
  ended_ = true;
  for (QTimer* timer : timers_) {
    if (timer) timer->stop();
  }
  shapeSoon_->stop();
  movedSoon_->stop();
  hide();
}

void Form1::EndProgram() {
  StopAndHide();
  QCoreApplication::exit(0);
}

void Form1::EndWithError(std::string_view procedure, std::string_view what) {
  // The box first, the end after it: quitting the application's loop first would close the box
  // the moment it opened.
  StopAndHide();
  QMessageBox box(QMessageBox::Critical, "Orvane",
                  "Orvane stopped because of an unexpected error in " + FromUtf8(procedure) +
                      ":\n\n" + FromUtf8(what),
                  QMessageBox::Ok);
  box.setTextFormat(Qt::PlainText);
  ComeForward(box);
  box.exec();
  std::fflush(nullptr);
  std::_Exit(1);
}

}  // namespace orvane::qt
