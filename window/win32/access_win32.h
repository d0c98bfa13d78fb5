// What screen readers learn about Form1 on Windows. The field and the list are standard controls:
// they get their names through the system's own annotations (IAccPropServices). The count, the
// dots and Close are drawn on Form1's surface and are no windows, and the system's object knows
// nothing of them: Form1's client area answers WM_GETOBJECT with that object, extended by
// those three elements (Close a push button whose default action is the click). The count is a
// polite live region: readers speak a change only where the focus is, so each minute counted is
// announced with the system's live-region event, and its live setting (an annotation of the
// form's object for the count's child id) tells a reader that the count asks to be heard.
// ole32, oleaut32 and oleacc are loaded from the system folder when this is made; where one is
// missing, or a call fails (Wine has no annotations), the window is read as the system reads it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "form/controls.h"
#include "window/win32/handles_win32.h"

namespace orvane::win32 {

// What the window tells about the elements it draws itself.
struct DrawnElements {
  std::function<RECT(Control)> box;             // client coordinates
  std::function<std::string(Control)> text;     // the caption shown now, UTF-8
  std::function<void(Control)> press;           // the click, posted: it may open a modal box
};

class FormAccessible;

class Form1Access {
 public:
  // Names `text1` and `combo1` and prepares the form's object. Call once the controls exist.
  Form1Access(HWND form, HWND text1, HWND combo1, DrawnElements drawn);
  ~Form1Access();
  Form1Access(const Form1Access&) = delete;
  Form1Access& operator=(const Form1Access&) = delete;

  // The answer to WM_GETOBJECT for the form; 0 where the default procedure is to answer.
  LRESULT OnGetObject(WPARAM wp, LPARAM lp);

  // Has readers speak the count anew, without taking the focus there: call when a minute has
  // been counted. Nothing for the other controls.
  void Announce(Control c);

 private:
  HWND form_;
  HWND named_[2];
  UniqueModule ole32_, oleaut32_, oleacc_;
  bool comStarted_ = false;
  void* propServices_ = nullptr;  // IAccPropServices
  long liveId_ = 0;                // the count's child id in the form's object; 0: none
  FormAccessible* object_ = nullptr;
  DrawnElements drawn_;
};

}  // namespace orvane::win32
