// Orvane on Linux: Form1 on Qt Widgets under X11, power requests through systemd-logind.
#include <QApplication>
#include <QByteArray>
#include <cstdio>
#include <memory>

#include "power/power_platform.h"
#include "power/sleep_hold.h"
#include "window/qt/convert_qt.h"
#include "window/qt/form1_qt.h"
#include "window/qt/single_instance_qt.h"
#include "window/qt/x11_qt.h"

namespace {

// The skin needs X11 (a shaped window placed where the program says). Without an X display there
// is nothing to show, and Qt's own failure would be an abort: say so plainly instead.
bool CheckX11Display() {
  const QByteArray display = qgetenv("DISPLAY");
  if (display.isEmpty()) {
    std::fprintf(stderr, "orvane: no X display: DISPLAY is not set. Orvane needs an X11 desktop.\n");
    return false;
  }
  const bool ok = orvane::qt::x11::DisplayOpens(display.constData());
  if (!ok) {
    std::fprintf(stderr, "orvane: cannot open the X display \"%s\". Orvane needs an X11 desktop.\n",
                 display.constData());
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  // X11 wherever there is an X display, even when the desktop asks Qt for Wayland: native Wayland
  // has no absolute placement and no shaped input, so the skin would silently break.
  if (!CheckX11Display()) return 1;
  // One Orvane at a time: a second one would open exactly over the first and hide a countdown
  // that still runs. A second start brings the first forward and ends, with no welcome box.
  orvane::qt::SingleInstance instance;
  if (instance.AnotherRuns()) {
    const bool reached = instance.BringRunningForward();
    std::fprintf(stderr, "orvane: Orvane is already running%s.\n",
                 reached ? ": its window is brought to the front" : "");
    return 0;
  }
  if (!instance.Unguarded().empty()) {
    std::fprintf(stderr, "orvane: cannot tell whether Orvane already runs: %s\n",
                 instance.Unguarded().c_str());
  }
  qputenv("QT_QPA_PLATFORM", "xcb");
  // The program takes no command line, and Qt is handed none: its own options (-platform,
  // -reverse, -stylesheet, -qwindowtitle, ...) would change the skin.
  char* args[] = {argc > 0 ? argv[0] : const_cast<char*>("orvane"), nullptr};
  int count = 1;
  // Repaints through shared memory come back as completion events, and each wakes two threads:
  // four or five wake-ups a second for the dots alone. The window is small; plain requests cost
  // nothing noticeable and wake no one.
  if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");

  QApplication app(count, args);
  // The controls' white must not change with the desktop's style: the colour key depends on it.
  QApplication::setStyle("Fusion");
  QApplication::setApplicationName("orvane");
  QGuiApplication::setDesktopFileName("org.orvane.Orvane");
  // The program ends through the Close label or when its window is closed, never because a
  // message box was the last window open.
  QApplication::setQuitOnLastWindowClosed(false);
  orvane::qt::RegisterFontSubstitutes();

  const std::unique_ptr<orvane::PowerPlatform> platform = orvane::MakeSystemPowerPlatform();
  const std::unique_ptr<orvane::SleepHold> hold = orvane::MakeSystemSleepHold();
  orvane::qt::Form1 form(*platform, *hold);
  instance.Listen([&form] { form.BringForward(); });
  form.LoadAndShow();
  if (form.Ended()) return 0;
  return QApplication::exec();
}
