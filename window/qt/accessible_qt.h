// What screen readers learn about Form1 on Linux, through Qt's accessibility bridge (AT-SPI):
// the names and roles of the form's accessibility table for the labels, so that the count is
// named for what it counts, the dots are an animation and Close is a button whose press is the
// click. The field and the list carry their names as Qt widgets.
#pragma once

namespace orvane::qt {

// Installs the interface factory for the form's labels; call before the form is built. Calls
// after the first do nothing.
void InstallAccessibility();

}  // namespace orvane::qt
