// The calculator controls' own accessible objects on Win32: the standard object of the control,
// with the name, value and state that its presentation asks for; every other call is the
// standard object's.
#include "forms/win32/Accessibility.h"

#include <oleacc.h>
#include <wrl/client.h>

#include "common/CountedObject.h"
#include "common/win32/WideText.h"

namespace zarnetcalc::forms::win32::accessibility {
namespace {

using Microsoft::WRL::ComPtr;

constexpr const wchar_t* kProperty = L"ZarnetCalc.Presentation";
// IAccessible's identifier, written out: the one in MinGW's import library is not a constant.
constexpr IID kIidAccessible = {
    0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

WNDPROC g_staticProcedure = nullptr;
WNDPROC g_buttonProcedure = nullptr;

Presentation PresentationOf(HWND control) {
    return static_cast<Presentation>(reinterpret_cast<INT_PTR>(GetPropW(control, kProperty)) - 1);
}

bool IsSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

BSTR Text(HWND control) {
    const std::wstring text = zarnetcalc::win32::Widen(zarnetcalc::win32::WindowText(control));
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

class ControlObject final : public zarnetcalc::com::CountedObject<ControlObject, IAccessible> {
  public:
    static constexpr const char* kName = "An accessible object";
    ControlObject(HWND control, ComPtr<IAccessible> standard)
        : control_(control), standard_(std::move(standard)) {}

    static bool Implements(REFIID riid) {
        return IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
               IsEqualIID(riid, kIidAccessible);
    }

    // IDispatch: the standard object's.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        return standard_->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
        return standard_->GetTypeInfo(index, lcid, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override {
        return standard_->GetIDsOfNames(riid, names, count, lcid, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* info,
                                     UINT* argErr) override {
        return standard_->Invoke(id, riid, lcid, flags, params, result, info, argErr);
    }

    // IAccessible: name, value and state as presented; the rest the standard object's.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (IsSelf(child) && name != nullptr && PresentationOf(control_) == Presentation::Readout) {
            *name = Text(control_);
            return S_OK;
        }
        return standard_->get_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        if (IsSelf(child) && value != nullptr &&
            PresentationOf(control_) == Presentation::Readout) {
            *value = Text(control_);
            return S_OK;
        }
        return standard_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        const HRESULT hr = standard_->get_accState(child, state);
        const Presentation presentation = PresentationOf(control_);
        if (SUCCEEDED(hr) && IsSelf(child) && state != nullptr && state->vt == VT_I4 &&
            (presentation == Presentation::OutOfTheWay || presentation == Presentation::Hidden)) {
            state->lVal |= STATE_SYSTEM_INVISIBLE;
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return standard_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        return standard_->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** result) override {
        return standard_->get_accChild(child, result);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        return standard_->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        return standard_->get_accRole(child, role);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* text) override {
        return standard_->get_accHelp(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* text) override {
        return standard_->get_accKeyboardShortcut(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
        return standard_->get_accFocus(child);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return standard_->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* text) override {
        return standard_->get_accDefaultAction(child, text);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        return standard_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override {
        return standard_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        return standard_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
        return standard_->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return standard_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return standard_->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return standard_->put_accValue(child, value);
    }

  private:
    friend class zarnetcalc::com::CountedObject<ControlObject, IAccessible>;  // deletes it
    ~ControlObject() = default;

    HWND control_;
    ComPtr<IAccessible> standard_;
};

// The presented controls' window procedure, over the system's STATIC or BUTTON one.
LRESULT CALLBACK PresentedProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    wchar_t name[16] = {};
    GetClassNameW(control, name, 16);
    const WNDPROC system = lstrcmpiW(name, L"Button") == 0 ? g_buttonProcedure : g_staticProcedure;
    const Presentation presentation = PresentationOf(control);
    if (message == WM_NCHITTEST &&
        (presentation == Presentation::Hidden || presentation == Presentation::Speaker)) {
        return HTTRANSPARENT;  // the mouse passes through to whatever lies under it
    }
    if (message == WM_GETOBJECT && static_cast<LONG>(lParam) == OBJID_CLIENT) {
        ComPtr<IAccessible> standard;
        if (SUCCEEDED(
                CreateStdAccessibleObject(control, OBJID_CLIENT, kIidAccessible, &standard))) {
            ComPtr<IAccessible> object;
            object.Attach(new ControlObject(control, std::move(standard)));
            return LresultFromObject(kIidAccessible, wParam, object.Get());
        }
    }
    if (message == WM_NCDESTROY) {
        RemovePropW(control, kProperty);
    }
    return CallWindowProcW(system, control, message, wParam, lParam);
}

}  // namespace

void Present(HWND control, Presentation presentation) {
    if (control == nullptr) {
        return;
    }
    SetPropW(control, kProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(presentation) + 1));
    wchar_t name[16] = {};
    GetClassNameW(control, name, 16);
    WNDPROC& system = lstrcmpiW(name, L"Button") == 0 ? g_buttonProcedure : g_staticProcedure;
    const auto previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PresentedProcedure)));
    if (system == nullptr) {
        system = previous;
    }
}

void AnnounceName(HWND control) {
    if (control != nullptr) {
        NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, control, OBJID_CLIENT, CHILDID_SELF);
    }
}

}  // namespace zarnetcalc::forms::win32::accessibility
