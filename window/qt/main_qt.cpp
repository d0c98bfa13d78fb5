// Orvane on Linux: Form1 on Qt Widgets under X11, power requests through systemd-logind.
#include <xcb/xcb.h>

#include <QApplication>
#include <QByteArray>
#include <cstdio>
#include <memory>

#include "power/power_platform.h"
#include "window/qt/form1_qt.h"

namespace {

// The skin needs X11 (a shaped window placed where the program says). Without an X display there
// is nothing to show, and Qt's own failure would be an abort: say so plainly instead.
bool CheckX11Display() {
  const QByteArray display = qgetenv("DISPLAY");
  if (display.isEmpty()) {
    std::fprintf(stderr, "orvane: no X display: DISPLAY is not set. Orvane needs an X11 desktop.\n");
    return false;
  }
  xcb_connection_t* connection = xcb_connect(display.constData(), nullptr);
  const bool ok = xcb_connection_has_error(connection) == 0;
  xcb_disconnect(connection);
  if (!ok) {
    std::fprintf(stderr, "orvane: cannot open the X display \"%s\". Orvane needs an X11 desktop.\n",
                 display.constData());
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
  if (qgetenv("QT_QPA_PLATFORM").startsWith("xcb") && !CheckX11Display()) return 1;
  // Repaints through shared memory come back as completion events, and each wakes two threads:
  // four or five wake-ups a second for the dots alone. The window is small; plain requests cost
  // nothing noticeable and wake no one.
  if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");

  QApplication app(argc, argv);
  // The controls' white must not change with the desktop's style: the colour key depends on it.
  QApplication::setStyle("Fusion");
  QApplication::setApplicationName("orvane");
  QGuiApplication::setDesktopFileName("org.orvane.Orvane");
  // The program ends through the Close label or when its window is closed, never because a
  // message box was the last window open.
  QApplication::setQuitOnLastWindowClosed(false);
  orvane::qt::RegisterFontSubstitutes();

  const std::unique_ptr<orvane::PowerPlatform> platform = orvane::MakeSystemPowerPlatform();
  orvane::qt::Form1 form(*platform);
  form.LoadAndShow();
  if (form.Ended()) return 0;
  return QApplication::exec();
}
