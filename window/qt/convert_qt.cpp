#include "window/qt/convert_qt.h"

#include <QGuiApplication>
#include <cmath>
#include <cstdint>

namespace orvane::qt {
namespace {

QColor FromRgb(Color color) {
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

Color ToRgb(const QColor& color) {
  return Rgb(static_cast<std::uint8_t>(color.red()), static_cast<std::uint8_t>(color.green()),
             static_cast<std::uint8_t>(color.blue()));
}

QColor OffKey(const QColor& color) { return FromRgb(layout::OffKey(ToRgb(color))); }

}  // namespace

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The system colours are the desktop's palette, as the application was given it; the desktop
// colour has no role there and stays black. Every one but the window colour (the minutes
// field's see-through inside) is kept off the colour key.
QColor ToQColor(Color color, QPalette::ColorGroup group) {
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

void SetEnabledColor(QPalette& palette, QPalette::ColorRole role, const QColor& color) {
  palette.setColor(QPalette::Active, role, color);
  palette.setColor(QPalette::Inactive, role, color);
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

void RegisterFontSubstitutes() {
  QFont::insertSubstitutions("Tahoma", {"Liberation Sans", "DejaVu Sans Condensed"});
  QFont::insertSubstitutions("MS Sans Serif", {"Liberation Sans", "DejaVu Sans Condensed"});
  QFont::insertSubstitutions("Tempus Sans ITC", {"Comic Neue", "DejaVu Sans Condensed"});
}

int FontPixelSize(int centipoints) {
  return static_cast<int>(std::lround(centipoints * 96.0 / 7200.0));
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

}  // namespace orvane::qt
