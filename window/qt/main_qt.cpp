// Orvane on Linux: Form1 on Qt Widgets under X11, power requests through systemd-logind.
#include <QApplication>
#include <QByteArray>
#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

#include "power/power_platform.h"
#include "window/qt/convert_qt.h"
#include "window/qt/form1_qt.h"
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

// The arguments without any choice of Qt platform ("-platform NAME", "--platform=NAME"): the
// skin needs X11 whatever was asked for.
std::vector<char*> WithoutPlatformChoice(int argc, char** argv) {
  std::vector<char*> kept;
  for (int i = 0; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (i > 0 && (arg == "-platform" || arg == "--platform")) {
      ++i;  // and its value
      continue;
    }
    if (i > 0 && (arg.starts_with("-platform=") || arg.starts_with("--platform="))) continue;
    kept.push_back(argv[i]);
  }
  kept.push_back(nullptr);
  return kept;
}

}  // namespace

int main(int argc, char** argv) {
  // X11 wherever there is an X display, even when the desktop asks Qt for Wayland: native Wayland
  // has no absolute placement and no shaped input, so the skin would silently break.
  if (!CheckX11Display()) return 1;
  qputenv("QT_QPA_PLATFORM", "xcb");
  std::vector<char*> args = WithoutPlatformChoice(argc, argv);
  int count = static_cast<int>(args.size()) - 1;
  // Repaints through shared memory come back as completion events, and each wakes two threads:
  // four or five wake-ups a second for the dots alone. The window is small; plain requests cost
  // nothing noticeable and wake no one.
  if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");

  QApplication app(count, args.data());
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
