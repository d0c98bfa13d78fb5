// The form's values in Qt's terms: texts, colours (system colours from the desktop's palette,
// kept off the colour key), fonts and the style of a message box.
#pragma once

#include <QColor>
#include <QFont>
#include <QMessageBox>
#include <QPalette>
#include <QString>
#include <string_view>

#include "form/controls.h"
#include "form/layout.h"

namespace orvane::qt {

QString FromUtf8(std::string_view text);

// A colour of the form as the keyed window draws it; a system colour is taken from the
// application's palette in the given colour group.
QColor ToQColor(Color color, QPalette::ColorGroup group = QPalette::Active);

// The desktop's palette with every colour kept off the colour key: what the style draws of its
// own (bevels, frames, the focus mark, greyed texts) stays visible and clickable.
QPalette OffKeyPalette();

// A control's own colour, for its enabled look only: disabled controls keep the style's greyed
// colours, so that a locked field or button still looks locked.
void SetEnabledColor(QPalette& palette, QPalette::ColorRole role, const QColor& color);

QFont ToQFont(const layout::Font& font);

// The Debian fonts that stand in for the form's Windows faces; call once, before Form1 is built.
void RegisterFontSubstitutes();

// The pixel size of a font given in centipoints, at the form's 96 dots per inch.
int FontPixelSize(int centipoints);

// The icon of a message box of the given style (buttons plus icon, as the platform numbers them).
QMessageBox::Icon BoxIcon(int style);

}  // namespace orvane::qt
