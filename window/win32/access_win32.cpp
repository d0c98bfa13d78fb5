#include "window/win32/access_win32.h"

#include <initguid.h>  // the interface and property ids of oleacc.h, defined here
#include <oleacc.h>

#include <array>
#include <utility>

#include "form/accessible.h"
#include "window/win32/system_win32.h"
#include "window/win32/text_win32.h"

namespace orvane::win32 {
namespace {

template <typename Fn>
Fn Proc(const UniqueModule& module, const char* name) {
  if (!module) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module.get(), name)));
}

using SysAllocStringFn = BSTR(WINAPI*)(const OLECHAR*);

// The elements Form1 draws itself, in the order a reader meets them after the child windows.
constexpr std::array<Control, 3> kDrawn{Control::Label2, Control::Label6, Control::Label7};

// The drawn element that readers hear whenever it changes, though the focus is elsewhere.
constexpr Control kLive = Control::Label2;

// What Windows 8 added for live regions, beyond the headers of Windows 7 that we build with: the
// event that a live region changed, and the live-setting property with its value Polite (said
// when the reader is done speaking, Assertive would interrupt it).
constexpr DWORD kLiveRegionChanged = 0x8019;
constexpr GUID kLiveSetting{0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr long kPolite = 1;

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

}  // namespace

// Form1's client area as the system describes it (its child windows), followed by the elements
// it draws. Each method that concerns the system's part is passed on to the system's object.
class FormAccessible final : public IAccessible {
 public:
  FormAccessible(HWND form, IAccessible* system, const DrawnElements& drawn, SysAllocStringFn alloc)
      : form_(form), system_(system), drawn_(drawn), alloc_(alloc) {}
  FormAccessible(const FormAccessible&) = delete;
  FormAccessible& operator=(const FormAccessible&) = delete;
  // Only Release deletes it, when the last reference goes.
  virtual ~FormAccessible() = default;

  // Called when the window goes: later calls from readers still holding the object fail.
  void Detach() {
    if (system_) system_->Release();
    system_ = nullptr;
  }

  // The child id by which readers know a drawn element; 0 where there is none.
  long ChildId(Control c) const {
    const long own = SystemChildren();
    for (std::size_t i = 0; own >= 0 && i < kDrawn.size(); ++i) {
      if (kDrawn[i] == c) return own + 1 + static_cast<long>(i);
    }
    return 0;
  }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, __uuidof(IUnknown)) || IsEqualIID(riid, __uuidof(IDispatch)) ||
        IsEqualIID(riid, IID_IAccessible)) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) {
      Detach();
      delete this;
    }
    return static_cast<ULONG>(left);
  }

  // IDispatch: not offered (readers use the IAccessible methods).
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (!system_) return CO_E_OBJNOTCONNECTED;
    return system_->get_accParent(parent);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    if (!count) return E_POINTER;
    const long own = SystemChildren();
    if (own < 0) return CO_E_OBJNOTCONNECTED;
    *count = own + static_cast<long>(kDrawn.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (Drawn(child)) return S_FALSE;  // a simple element, known by its number
    if (!system_) return CO_E_OBJNOTCONNECTED;
    return system_->get_accChild(child, out);
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (const access::Accessible* row = Drawn(child)) {
      return Text(Widen(access::NameOf(*row, drawn_.text(row->id))), name);
    }
    if (!system_) return CO_E_OBJNOTCONNECTED;
    return system_->get_accName(child, name);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    if (Drawn(child)) return Nothing(value);
    if (!system_) return CO_E_OBJNOTCONNECTED;
    return system_->get_accValue(child, value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
    if (Drawn(child)) return Nothing(description);
    if (!system_) return CO_E_OBJNOTCONNECTED;
    return system_->get_accDescription(child, description);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (const access::Accessible* row = Drawn(child)) {
      if (!role) return E_POINTER;
      role->vt = VT_I4;
      role->lVal = row->role == access::Role::Button      ? ROLE_SYSTEM_PUSHBUTTON
                   : row->role == access::Role::Animation ? ROLE_SYSTEM_ANIMATION
                                                          : ROLE_SYSTEM_STATICTEXT;
      return S_OK;
    }
    if (!system_) return CO_E_OBJNOTCONNECTED;
    return system_->get_accRole(child, role);
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    if (const access::Accessible* row = Drawn(child)) {
      if (!state) return E_POINTER;
      state->vt = VT_I4;
      state->lVal = row->role == access::Role::Button      ? 0
                    : row->role == access::Role::Animation ? STATE_SYSTEM_ANIMATED | STATE_SYSTEM_READONLY
                                                           : STATE_SYSTEM_READONLY;
      return S_OK;
    }
    if (!system_) return CO_E_OBJNOTCONNECTED;
    return system_->get_accState(child, state);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    if (Drawn(child)) return Nothing(help);
    if (!system_) return CO_E_OBJNOTCONNECTED;
    return system_->get_accHelp(child, help);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
    if (Drawn(child)) return DISP_E_MEMBERNOTFOUND;
    if (!system_) return CO_E_OBJNOTCONNECTED;
    return system_->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    if (Drawn(child)) return Nothing(shortcut);
    if (!system_) return CO_E_OBJNOTCONNECTED;
    return system_->get_accKeyboardShortcut(child, shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (!system_) return CO_E_OBJNOTCONNECTED;
    return system_->get_accFocus(focus);
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    if (!system_) return CO_E_OBJNOTCONNECTED;
    return system_->get_accSelection(selection);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    if (const access::Accessible* row = Drawn(child)) {
      return row->role == access::Role::Button ? Text(L"Press", action) : Nothing(action);
    }
    if (!system_) return CO_E_OBJNOTCONNECTED;
    return system_->get_accDefaultAction(child, action);
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    if (Drawn(child)) return DISP_E_MEMBERNOTFOUND;
    if (!system_) return CO_E_OBJNOTCONNECTED;
    return system_->accSelect(flags, child);
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                        VARIANT child) override {
    if (const access::Accessible* row = Drawn(child)) {
      if (!left || !top || !width || !height) return E_POINTER;
      RECT box = drawn_.box(row->id);
      MapWindowPoints(form_, nullptr, reinterpret_cast<POINT*>(&box), 2);
      *left = box.left;
      *top = box.top;
      *width = box.right - box.left;
      *height = box.bottom - box.top;
      return S_OK;
    }
    if (!system_) return CO_E_OBJNOTCONNECTED;
    return system_->accLocation(left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    if (Drawn(start)) return DISP_E_MEMBERNOTFOUND;
    if (!system_) return CO_E_OBJNOTCONNECTED;
    return system_->accNavigate(direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
    if (!child) return E_POINTER;
    const long own = SystemChildren();
    if (own < 0) return CO_E_OBJNOTCONNECTED;
    POINT at{x, y};
    ScreenToClient(form_, &at);
    for (std::size_t i = 0; i < kDrawn.size(); ++i) {
      const RECT box = drawn_.box(kDrawn[i]);
      if (PtInRect(&box, at)) {
        child->vt = VT_I4;
        child->lVal = own + 1 + static_cast<long>(i);
        return S_OK;
      }
    }
    return system_->accHitTest(x, y, child);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    if (const access::Accessible* row = Drawn(child)) {
      if (row->role != access::Role::Button) return DISP_E_MEMBERNOTFOUND;
      drawn_.press(row->id);
      return S_OK;
    }
    if (!system_) return CO_E_OBJNOTCONNECTED;
    return system_->accDoDefaultAction(child);
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  long SystemChildren() const {
    long count = 0;
    if (!system_ || FAILED(system_->get_accChildCount(&count))) return -1;
    return count;
  }

  // The drawn element that `child` names; nullptr for the form itself and its child windows.
  const access::Accessible* Drawn(const VARIANT& child) const {
    if (child.vt != VT_I4 || IsSelf(child)) return nullptr;
    const long own = SystemChildren();
    const long at = child.lVal - own - 1;
    if (own < 0 || at < 0 || at >= static_cast<long>(kDrawn.size())) return nullptr;
    return access::Find(kDrawn[static_cast<std::size_t>(at)]);
  }

  HRESULT Text(const std::wstring& text, BSTR* out) const {
    if (!out) return E_POINTER;
    *out = alloc_(text.c_str());
    return *out ? S_OK : E_OUTOFMEMORY;
  }
  static HRESULT Nothing(BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return S_FALSE;
  }

  LONG refs_ = 1;
  HWND form_;
  IAccessible* system_;
  const DrawnElements& drawn_;
  SysAllocStringFn alloc_;
};

Form1Access::Form1Access(HWND form, HWND text1, HWND combo1, DrawnElements drawn)
    : form_(form),
      named_{text1, combo1},
      ole32_(LoadSystemLibrary(L"ole32.dll")),
      oleaut32_(LoadSystemLibrary(L"oleaut32.dll")),
      oleacc_(LoadSystemLibrary(L"oleacc.dll")),
      drawn_(std::move(drawn)) {
  using CoInitializeExFn = HRESULT(WINAPI*)(void*, DWORD);
  using CoCreateInstanceFn = HRESULT(WINAPI*)(REFCLSID, IUnknown*, DWORD, REFIID, void**);
  using CreateStdFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
  const auto coInitializeEx = Proc<CoInitializeExFn>(ole32_, "CoInitializeEx");
  const auto coCreateInstance = Proc<CoCreateInstanceFn>(ole32_, "CoCreateInstance");
  const auto sysAllocString = Proc<SysAllocStringFn>(oleaut32_, "SysAllocString");
  const auto createStd = Proc<CreateStdFn>(oleacc_, "CreateStdAccessibleObject");
  if (!coInitializeEx || !coCreateInstance || !sysAllocString || !createStd) return;
  comStarted_ = SUCCEEDED(coInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  if (!comStarted_) return;

  // The field and the list: named through the system's annotations of standard controls.
  IAccPropServices* services = nullptr;
  if (SUCCEEDED(coCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IAccPropServices, reinterpret_cast<void**>(&services)))) {
    propServices_ = services;
    for (HWND hwnd : named_) {
      const access::Accessible* row = access::Find(hwnd == text1 ? Control::Text1 : Control::Combo1);
      services->SetHwndPropStr(hwnd, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                               PROPID_ACC_NAME, Widen(row->name).c_str());
    }
  }

  IAccessible* system = nullptr;
  if (SUCCEEDED(createStd(form, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&system)))) {
    object_ = new FormAccessible(form, system, drawn_, sysAllocString);
    liveId_ = object_->ChildId(kLive);
  }
  // The count's live setting, an annotation of the form's object for the count's child id:
  // oleacc identifies the simple children of a window's own client object by that id, and a
  // reader that works through UI Automation (Narrator) reads the setting there when the event
  // comes. Windows 7 has no such property and Wine keeps no annotations: the count is then
  // announced to the readers that listen for the event alone.
  if (auto* annotate = static_cast<IAccPropServices*>(propServices_); annotate && liveId_ > 0) {
    VARIANT polite{};
    polite.vt = VT_I4;
    polite.lVal = kPolite;
    annotate->SetHwndProp(form, static_cast<DWORD>(OBJID_CLIENT), static_cast<DWORD>(liveId_), kLiveSetting,
                          polite);
  }
}

Form1Access::~Form1Access() {
  if (object_) {
    object_->Detach();
    object_->Release();
  }
  if (auto* services = static_cast<IAccPropServices*>(propServices_)) {
    const MSAAPROPID named[] = {PROPID_ACC_NAME};
    for (HWND hwnd : named_) {
      services->ClearHwndProps(hwnd, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, named, 1);
    }
    if (liveId_ > 0) {
      services->ClearHwndProps(form_, static_cast<DWORD>(OBJID_CLIENT), static_cast<DWORD>(liveId_),
                               &kLiveSetting, 1);
    }
    services->Release();
  }
  if (comStarted_) {
    if (const auto uninit = Proc<void(WINAPI*)()>(ole32_, "CoUninitialize")) uninit();
  }
}

LRESULT Form1Access::OnGetObject(WPARAM wp, LPARAM lp) {
  if (!object_ || static_cast<DWORD>(lp) != static_cast<DWORD>(OBJID_CLIENT)) return 0;
  using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, IUnknown*);
  const auto lresultFromObject = Proc<LresultFromObjectFn>(oleacc_, "LresultFromObject");
  return lresultFromObject ? lresultFromObject(IID_IAccessible, wp, object_) : 0;
}

void Form1Access::Announce(Control c) {
  if (c != kLive || liveId_ <= 0) return;
  NotifyWinEvent(kLiveRegionChanged, form_, OBJID_CLIENT, liveId_);
}

}  // namespace orvane::win32
