// The calculator's accessible objects on Win32: each is the system's standard object of its
// window, with what the keypad's children and the labels' presentation change; every other call
// is the standard object's.
#include "forms/win32/Accessibility.h"

#include <oleacc.h>
#include <wrl/client.h>

#include <string>

#include "common/CountedObject.h"
#include "common/win32/WideText.h"
#include "forms/AccessKey.h"
#include "forms/win32/Keypad.h"

namespace zarnetcalc::forms::win32::accessibility {
namespace {

using Microsoft::WRL::ComPtr;

// IAccessible's identifier, written out: the one in MinGW's import library is not a constant.
constexpr IID kIidAccessible = {
    0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

BSTR Text(const std::wstring& text) {
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

bool IsSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The standard object of a window, to which every call goes that Derived does not answer itself.
template <class Derived>
class OverStandard : public zarnetcalc::com::CountedObject<Derived, IAccessible> {
  public:
    static constexpr const char* kName = "An accessible object";
    explicit OverStandard(ComPtr<IAccessible> standard) : standard_(std::move(standard)) {}

    static bool Implements(REFIID riid) {
        return IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
               IsEqualIID(riid, kIidAccessible);
    }

    // IDispatch
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

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return standard_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        return standard_->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** result) override {
        return standard_->get_accChild(child, result);
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        return standard_->get_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return standard_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        return standard_->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        return standard_->get_accRole(child, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return standard_->get_accState(child, state);
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

  protected:
    ComPtr<IAccessible> standard_;
};

// Hands an object made for window to the client asking (wParam as WM_GETOBJECT got it).
template <class Object, class... Arguments>
LRESULT HandOut(HWND window, WPARAM wParam, Arguments&&... arguments) {
    ComPtr<IAccessible> standard;
    if (FAILED(CreateStdAccessibleObject(window, OBJID_CLIENT, kIidAccessible, &standard))) {
        return 0;
    }
    const auto object = Object::template Create<ComPtr<IAccessible>>(
        window, std::move(standard), std::forward<Arguments>(arguments)...);
    return LresultFromObject(kIidAccessible, wParam, object.Get());
}

// ---- the keypad: a child per entry ---------------------------------------------------------

class KeypadAccessible final : public OverStandard<KeypadAccessible> {
  public:
    KeypadAccessible(HWND keypad, ComPtr<IAccessible> standard)
        : OverStandard(std::move(standard)), keypad_(keypad) {}

    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (count == nullptr) {
            return E_POINTER;
        }
        const Keypad* keypad = Live();
        *count = keypad != nullptr ? static_cast<long>(keypad->EntryCount()) : 0;
        return keypad != nullptr ? S_OK : CO_E_OBJNOTCONNECTED;
    }
    // The children are simple elements, answered by this object through their ids.
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** result) override {
        if (result == nullptr) {
            return E_POINTER;
        }
        *result = nullptr;
        return Entry(child) ? S_FALSE : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (IsSelf(child)) {
            return standard_->get_accName(child, name);
        }
        return Answer(child, name,
                      [](const Keypad::EntryFacts& facts) { return Text(facts.name); });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        if (IsSelf(child)) {
            return standard_->get_accValue(child, value);
        }
        // A label's value is what it shows; a key has none.
        return Answer(child, value, [](const Keypad::EntryFacts& facts) {
            return facts.label ? Text(facts.name) : nullptr;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        if (IsSelf(child)) {
            return standard_->get_accDescription(child, text);
        }
        return Answer(child, text, [](const Keypad::EntryFacts& facts) -> BSTR {
            return Presentation(facts) == layout::Presentation::Speaker
                       ? Text(zarnetcalc::win32::Widen(layout::kSpeakerDescription))
                       : nullptr;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (IsSelf(child)) {
            return standard_->get_accRole(child, role);
        }
        return AnswerVariant(child, role, [](const Keypad::EntryFacts& facts) {
            return layout::kControls[facts.index].kind == layout::ControlKind::Button
                       ? ROLE_SYSTEM_PUSHBUTTON
                       : ROLE_SYSTEM_STATICTEXT;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (IsSelf(child)) {
            return standard_->get_accState(child, state);
        }
        return AnswerVariant(child, state, [](const Keypad::EntryFacts& facts) {
            const bool button = layout::kControls[facts.index].kind == layout::ControlKind::Button;
            long bits = 0;
            bits |= button && facts.enabled ? STATE_SYSTEM_FOCUSABLE : 0;
            bits |= facts.focused ? STATE_SYSTEM_FOCUSED : 0;
            bits |= facts.enabled ? 0 : STATE_SYSTEM_UNAVAILABLE;
            bits |= facts.isDefault ? STATE_SYSTEM_DEFAULT : 0;
            bits |= facts.pressed ? STATE_SYSTEM_PRESSED : 0;
            bits |= facts.label ? STATE_SYSTEM_READONLY : 0;
            // The focus holder is never drawn, but it is what a screen reader follows.
            bits |= Presentation(facts) == layout::Presentation::OutOfTheWay
                        ? STATE_SYSTEM_INVISIBLE
                        : 0;
            return bits;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* text) override {
        if (IsSelf(child)) {
            return standard_->get_accKeyboardShortcut(child, text);
        }
        return Answer(child, text, [](const Keypad::EntryFacts& facts) -> BSTR {
            const char key = AccessKeyOf(std::string_view(layout::kControls[facts.index].caption));
            return key != 0 ? Text(L"Alt+" + std::wstring(1, static_cast<wchar_t>(key))) : nullptr;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
        if (child == nullptr) {
            return E_POINTER;
        }
        VariantInit(child);
        const Keypad* keypad = Live();
        if (keypad == nullptr) {
            return CO_E_OBJNOTCONNECTED;
        }
        if (const auto focused = keypad->Focused(); focused && keypad->HasFocus()) {
            child->vt = VT_I4;
            child->lVal = Keypad::ChildId(*keypad->EntryOf(*focused));
            return S_OK;
        }
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* text) override {
        if (IsSelf(child)) {
            return standard_->get_accDefaultAction(child, text);
        }
        return Answer(child, text, [](const Keypad::EntryFacts& facts) -> BSTR {
            return layout::kControls[facts.index].kind == layout::ControlKind::Button
                       ? Text(L"Press")
                       : nullptr;
        });
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        if (IsSelf(child)) {
            return standard_->accDoDefaultAction(child);
        }
        const auto facts = Entry(child);
        if (!facts) {
            return E_INVALIDARG;
        }
        if (layout::kControls[facts->index].kind != layout::ControlKind::Button ||
            !facts->enabled) {
            return DISP_E_MEMBERNOTFOUND;
        }
        Mutable()->PostClick(facts->index);  // runs after this call, as a click would
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        if (IsSelf(child)) {
            return standard_->accSelect(flags, child);
        }
        const auto facts = Entry(child);
        if (!facts || (flags & ~SELFLAG_TAKEFOCUS) != 0 || !facts->enabled) {
            return E_INVALIDARG;
        }
        Keypad* keypad = Mutable();
        keypad->Focus(facts->index);
        SetFocus(keypad->Hwnd());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override {
        if (IsSelf(child)) {
            return standard_->accLocation(left, top, width, height, child);
        }
        const auto facts = Entry(child);
        if (!facts) {
            return E_INVALIDARG;
        }
        if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) {
            return E_POINTER;
        }
        *left = facts->screen.left;
        *top = facts->screen.top;
        *width = facts->screen.right - facts->screen.left;
        *height = facts->screen.bottom - facts->screen.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        const Keypad* keypad = Live();
        if (end == nullptr) {
            return E_POINTER;
        }
        VariantInit(end);
        if (keypad == nullptr) {
            return CO_E_OBJNOTCONNECTED;
        }
        // The children in collection order, first to last.
        std::optional<std::size_t> to;
        const std::size_t count = keypad->EntryCount();
        if (IsSelf(start) && (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD)) {
            to = direction == NAVDIR_FIRSTCHILD ? 0 : count - 1;
        } else if (IsSelf(start)) {
            return standard_->accNavigate(direction, start, end);
        } else if (const auto from = EntryIndex(start); !from) {
            return E_INVALIDARG;
        } else if (direction == NAVDIR_NEXT && *from + 1 < count) {
            to = *from + 1;
        } else if (direction == NAVDIR_PREVIOUS && *from > 0) {
            to = *from - 1;
        }
        if (!to || count == 0) {
            return S_FALSE;
        }
        end->vt = VT_I4;
        end->lVal = Keypad::ChildId(*to);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
        const Keypad* keypad = Live();
        if (child == nullptr) {
            return E_POINTER;
        }
        VariantInit(child);
        if (keypad == nullptr) {
            return CO_E_OBJNOTCONNECTED;
        }
        if (const auto entry = keypad->EntryAt(POINT{x, y})) {
            child->vt = VT_I4;
            child->lVal = Keypad::ChildId(*entry);
            return S_OK;
        }
        return standard_->accHitTest(x, y, child);
    }

  private:
    friend class zarnetcalc::com::CountedObject<KeypadAccessible, IAccessible>;  // deletes it
    ~KeypadAccessible() = default;

    static layout::Presentation Presentation(const Keypad::EntryFacts& facts) {
        return layout::PresentationOf(layout::kControls[facts.index]);
    }
    // The keypad while its window lives; a client may hold this object longer.
    const Keypad* Live() const { return Keypad::FromWindow(keypad_); }
    Keypad* Mutable() const { return Keypad::FromWindow(keypad_); }
    // The entry a child id names.
    std::optional<std::size_t> EntryIndex(const VARIANT& child) const {
        const Keypad* keypad = Live();
        if (keypad == nullptr || child.vt != VT_I4) {
            return std::nullopt;
        }
        return keypad->EntryOfChild(child.lVal);
    }
    std::optional<Keypad::EntryFacts> Entry(const VARIANT& child) const {
        const auto entry = EntryIndex(child);
        return entry ? std::optional(Live()->Facts(*entry)) : std::nullopt;
    }
    template <class Make>
    HRESULT Answer(const VARIANT& child, BSTR* out, Make make) const {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        const auto facts = Entry(child);
        if (!facts) {
            return E_INVALIDARG;
        }
        *out = make(*facts);
        return *out != nullptr ? S_OK : S_FALSE;
    }
    template <class Make>
    HRESULT AnswerVariant(const VARIANT& child, VARIANT* out, Make make) const {
        if (out == nullptr) {
            return E_POINTER;
        }
        VariantInit(out);
        const auto facts = Entry(child);
        if (!facts) {
            return E_INVALIDARG;
        }
        out->vt = VT_I4;
        out->lVal = make(*facts);
        return S_OK;
    }

    HWND keypad_;
};

}  // namespace

LRESULT KeypadObject(const Keypad& keypad, WPARAM wParam) {
    return HandOut<KeypadAccessible>(keypad.Hwnd(), wParam);
}

}  // namespace zarnetcalc::forms::win32::accessibility
