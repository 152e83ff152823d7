// The calculator's face window: its model of entries, drawing, mouse and Space, focus within it,
// and the events screen readers hear. Its accessible object is Accessibility.cpp's; the keyboard
// beyond Space, and what the labels show, are the dialog's.
#include "forms/win32/Keypad.h"

#include <vsstyle.h>

#include <algorithm>
#include <cwctype>
#include <numeric>

#include "forms/AccessKey.h"
#include "forms/Twips.h"
#include "forms/win32/Accessibility.h"
#include "forms/win32/DialogWindow.h"
#include "forms/win32/Pictures.h"

namespace zarnetcalc::forms::win32 {
namespace {

using layout::ControlDef;
using layout::ControlKind;
using layout::kControls;

constexpr const wchar_t* kKeypadClass = L"ZarnetCalc.Keypad";
constexpr UINT kPostedClick = WM_APP + 1;  // wParam: the collection index

ATOM RegisterKeypadClass(WNDPROC procedure) {
    return RegisterFormsClass(kKeypadClass, procedure);
}

// The access key of a caption, in lower case.
char32_t LowerAccessKeyOf(const char* caption) {
    const auto key = static_cast<unsigned char>(AccessKeyOf(std::string_view(caption)));
    return static_cast<char32_t>(std::towlower(key));
}

}  // namespace

Keypad* Keypad::FromWindow(HWND window) {
    if (window == nullptr || !IsWindow(window) ||
        GetClassLongPtrW(window, GCW_ATOM) != RegisterKeypadClass(WindowProc)) {
        return nullptr;
    }
    return reinterpret_cast<Keypad*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// The published child ids count the same entries as a keypad holds.
static_assert([] {
    long id = 0;
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        const long expected = kControls[i].kind == ControlKind::Timer ? 0 : ++id;
        if (controls::CalculatorChildId(controls::kCalculatorControls[i]) != expected) {
            return false;
        }
    }
    return true;
}());

bool Keypad::Holds(std::size_t index) {
    return kControls[index].kind != ControlKind::Timer;
}

Keypad::Keypad(HWND parent, int id, std::function<void(std::size_t)> onClick,
               LabelPainter paintLabel)
    : onClick_(std::move(onClick)), paintLabel_(std::move(paintLabel)) {
    entryOf_.fill(-1);
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        if (Holds(i)) {
            entryOf_[i] = static_cast<int>(entries_.size());
            entries_.push_back(Entry{i, RECT{}, true, std::wstring()});
        }
    }
    tabOrder_.resize(entries_.size());
    std::iota(tabOrder_.begin(), tabOrder_.end(), std::size_t{0});
    std::stable_sort(tabOrder_.begin(), tabOrder_.end(), [this](std::size_t a, std::size_t b) {
        return kControls[entries_[a].index].tabIndex < kControls[entries_[b].index].tabIndex;
    });
    // Labels are no stops of the tab order.
    std::erase_if(tabOrder_, [this](std::size_t e) {
        return kControls[entries_[e].index].kind != ControlKind::Button;
    });
    RECT client{};
    GetClientRect(parent, &client);
    if (RegisterKeypadClass(WindowProc) != 0) {
        CreateWindowExW(0, kKeypadClass, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS,
                        0, 0, client.right, client.bottom, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), FormsModule(), this);
    }
    if (hwnd_ != nullptr) {
        theme_ = OpenThemeData(hwnd_, L"BUTTON");
    }
    if (!tabOrder_.empty()) {
        focus_ = tabOrder_.front();  // the dialog opens with the focus on the "1" key
    }
}

Keypad::~Keypad() {
    if (hwnd_ != nullptr) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    if (theme_ != nullptr) {
        CloseThemeData(theme_);
    }
}

void Keypad::Layout(int dpi, HFONT font) {
    dpi_ = dpi;
    font_ = font;
    for (Entry& entry : entries_) {
        const ControlDef& def = kControls[entry.index];
        const PixelEdges e = PixelRect(def.left, def.top, def.width, def.height, dpi);
        entry.rect = RECT{e.left, e.top, e.right, e.bottom};
    }
    if (hwnd_ != nullptr) {
        RECT client{};
        GetClientRect(GetParent(hwnd_), &client);
        SetWindowPos(hwnd_, nullptr, 0, 0, client.right, client.bottom,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
        InvalidateRect(hwnd_, nullptr, TRUE);
    }
}

// ---- the model ---------------------------------------------------------------------------

RECT Keypad::ClientRect(std::size_t index) const {
    const auto e = EntryOf(index);
    return e ? entries_[*e].rect : RECT{};
}

RECT Keypad::ScreenRect(std::size_t index) const {
    RECT r = ClientRect(index);
    MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::optional<std::size_t> Keypad::EntryOf(std::size_t index) const {
    if (index >= entryOf_.size() || entryOf_[index] < 0) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(entryOf_[index]);
}

void Keypad::SetEnabled(std::size_t index, bool enabled) {
    const auto e = EntryOf(index);
    if (!e || entries_[*e].enabled == enabled) {
        return;
    }
    entries_[*e].enabled = enabled;
    if (!enabled && pressed_ == e) {
        pressed_.reset();
        spaceDown_ = false;
    }
    Redraw(e);
    if (hwnd_ != nullptr) {
        NotifyWinEvent(EVENT_OBJECT_STATECHANGE, hwnd_, OBJID_CLIENT, ChildId(*e));
    }
}

bool Keypad::Enabled(std::size_t index) const {
    const auto e = EntryOf(index);
    return e && entries_[*e].enabled;
}

void Keypad::Focus(std::size_t index) {
    const auto e = EntryOf(index);
    if (!e || focus_ == e) {
        return;
    }
    const auto old = focus_;
    focus_ = e;
    spaceDown_ = false;
    Redraw(old);
    Redraw(e);
    // The "=" key shows as the default button while the focus holder, which stands for "=", has
    // the focus: both moves change it.
    const auto tmp = EntryOf(layout::IndexOf(layout::ControlRole::Tmp));
    if (old == tmp || e == tmp) {
        Redraw(EntryOf(layout::IndexOf(layout::ControlRole::Keypad, calculator::key::kEquals)));
    }
    if (HasFocus()) {
        NotifyFocus();
    }
}

std::optional<std::size_t> Keypad::Focused() const {
    return focus_ ? std::optional(entries_[*focus_].index) : std::nullopt;
}

std::optional<std::size_t> Keypad::Next(bool backwards) const {
    if (tabOrder_.empty()) {
        return std::nullopt;
    }
    auto at = std::find(tabOrder_.begin(), tabOrder_.end(), focus_.value_or(tabOrder_.front()));
    std::size_t place = at == tabOrder_.end() ? 0 : std::size_t(at - tabOrder_.begin());
    // The next stop that can take the focus, round the tab order.
    for (std::size_t step = 0; step < tabOrder_.size(); ++step) {
        place = backwards ? (place + tabOrder_.size() - 1) % tabOrder_.size()
                          : (place + 1) % tabOrder_.size();
        if (entries_[tabOrder_[place]].enabled) {
            return entries_[tabOrder_[place]].index;
        }
    }
    return std::nullopt;
}

std::optional<std::size_t> Keypad::ForAccessKey(char32_t key) const {
    for (const Entry& entry : entries_) {
        if (IsKey(entry) && LowerAccessKeyOf(kControls[entry.index].caption) == key) {
            return entry.index;
        }
    }
    return std::nullopt;
}

// A disabled key ignores its keyboard equivalents, as it ignores the mouse.
void Keypad::Click(std::size_t index) {
    if (Enabled(index)) {
        onClick_(index);
    }
}

void Keypad::PostClick(std::size_t index) {
    if (hwnd_ != nullptr) {
        PostMessageW(hwnd_, kPostedClick, index, 0);
    }
}

void Keypad::SetText(std::size_t index, const std::wstring& text) {
    const auto e = EntryOf(index);
    if (!e) {
        return;
    }
    entries_[*e].text = text;
    if (hwnd_ == nullptr) {
        return;
    }
    const LONG child = ChildId(*e);
    if (IsLabel(entries_[*e])) {
        InvalidateRect(hwnd_, &entries_[*e].rect, FALSE);
        NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, hwnd_, OBJID_CLIENT, child);
    }
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, hwnd_, OBJID_CLIENT, child);
}

const std::wstring& Keypad::Text(std::size_t index) const {
    static const std::wstring none;
    const auto e = EntryOf(index);
    return e ? entries_[*e].text : none;
}

Keypad::EntryFacts Keypad::Facts(std::size_t e) const {
    const Entry& entry = entries_[e];
    const ControlDef& def = kControls[entry.index];
    EntryFacts facts{entry.index,   Widen(def.accessibleName), IsKey(entry),    IsLabel(entry),
                     entry.enabled, HasFocus() && focus_ == e, ShowsPressed(e), IsDefault(entry),
                     entry.rect};
    const layout::Presentation presentation = layout::PresentationOf(def);
    if (facts.label || presentation == layout::Presentation::Speaker) {
        facts.name = entry.text;
    }
    MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&facts.screen), 2);
    return facts;
}

std::optional<std::size_t> Keypad::EntryAt(POINT screen) const {
    POINT client = screen;
    ScreenToClient(hwnd_, &client);
    // The indicator (earlier in the collection) before the display it lies on, then the keys.
    for (std::size_t e = 0; e < entries_.size(); ++e) {
        if (IsLabel(entries_[e]) && PtInRect(&entries_[e].rect, client)) {
            return e;
        }
    }
    return HitTest(client);
}

bool Keypad::IsKey(const Entry& entry) {
    const ControlDef& def = kControls[entry.index];
    return def.kind == ControlKind::Button && !layout::IsHidden(def);
}

bool Keypad::IsLabel(const Entry& entry) {
    const layout::Presentation presentation = layout::PresentationOf(kControls[entry.index]);
    return presentation == layout::Presentation::Readout ||
           presentation == layout::Presentation::Indicator;
}

bool Keypad::IsDefault(const Entry& entry) const {
    const auto tmp = EntryOf(layout::IndexOf(layout::ControlRole::Tmp));
    return focus_ && focus_ == tmp && kControls[entry.index].role == layout::ControlRole::Keypad &&
           kControls[entry.index].index == calculator::key::kEquals;
}

bool Keypad::ShowsPressed(std::size_t e) const {
    return pressed_ == e && (mouseInside_ || spaceDown_);
}

std::optional<std::size_t> Keypad::HitTest(POINT client) const {
    for (std::size_t e = 0; e < entries_.size(); ++e) {
        if (IsKey(entries_[e]) && PtInRect(&entries_[e].rect, client)) {
            return e;
        }
    }
    return std::nullopt;
}

void Keypad::Redraw(std::optional<std::size_t> e) {
    if (e && hwnd_ != nullptr && IsKey(entries_[*e])) {
        InvalidateRect(hwnd_, &entries_[*e].rect, TRUE);
    }
}

void Keypad::SetHot(std::optional<std::size_t> e) {
    if (hot_ != e) {
        const auto old = std::exchange(hot_, e);
        Redraw(old);
        Redraw(e);
    }
}

void Keypad::NotifyFocus() const {
    if (focus_) {
        NotifyWinEvent(EVENT_OBJECT_FOCUS, hwnd_, OBJID_CLIENT, ChildId(*focus_));
    }
}

// ---- drawing ------------------------------------------------------------------------------

void Keypad::Paint(HDC dc) const {
    const zarnetcalc::win32::SelectedObject font(dc,
                                                 font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    RECT dirty{};
    GetClipBox(dc, &dirty);
    RECT overlap{};
    // Asked once a paint: under Wine each is a round trip to the window server.
    const auto cues =
        static_cast<WORD>(SendMessageW(GetAncestor(hwnd_, GA_ROOT), WM_QUERYUISTATE, 0, 0));
    const std::optional<std::size_t> focused = HasFocus() ? focus_ : std::nullopt;
    for (const Entry& entry : entries_) {
        if (IsKey(entry) && IntersectRect(&overlap, &entry.rect, &dirty)) {
            PaintKey(dc, entry, cues, focused);
        }
    }
    // The labels last, and backwards: the display first, then the indicator in front of its left
    // end.
    for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
        if (IsLabel(*entry) && IntersectRect(&overlap, &entry->rect, &dirty)) {
            const int saved = SaveDC(dc);
            paintLabel_(dc, entry->index, entry->rect);
            RestoreDC(dc, saved);
        }
    }
}

// A push button in its state: the visual style's part where themes are on, else the classic
// frame in the system's colours (which high contrast sets); its caption with the access key
// underlined unless the keyboard cues are hidden, or its picture; the focus rectangle where the
// cues allow it.
void Keypad::PaintKey(HDC dc, const Entry& entry, WORD cues,
                      std::optional<std::size_t> focus) const {
    const std::size_t e = static_cast<std::size_t>(&entry - entries_.data());
    const ControlDef& def = kControls[entry.index];
    const bool pressed = ShowsPressed(e);
    const bool focused = focus == e;
    RECT face = entry.rect;
    const std::wstring caption = Widen(def.caption);
    const UINT textFormat =
        DT_CENTER | DT_VCENTER | DT_SINGLELINE | ((cues & UISF_HIDEACCEL) != 0 ? DT_HIDEPREFIX : 0);
    if (theme_ != nullptr) {
        const int state = !entry.enabled     ? PBS_DISABLED
                          : pressed          ? PBS_PRESSED
                          : hot_ == e        ? PBS_HOT
                          : IsDefault(entry) ? PBS_DEFAULTED
                                             : PBS_NORMAL;
        DrawThemeBackground(theme_, dc, BP_PUSHBUTTON, state, &entry.rect, nullptr);
        GetThemeBackgroundContentRect(theme_, dc, BP_PUSHBUTTON, state, &entry.rect, &face);
        if (!layout::HasPicture(def)) {
            DrawThemeText(theme_, dc, BP_PUSHBUTTON, state, caption.c_str(), -1, textFormat, 0,
                          &face);
        }
    } else {
        if (IsDefault(entry)) {  // the classic default button's dark outline
            FrameRect(dc, &face, GetSysColorBrush(COLOR_WINDOWFRAME));
            InflateRect(&face, -1, -1);
        }
        DrawFrameControl(dc, &face, DFC_BUTTON,
                         DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED | DFCS_FLAT : 0));
        InflateRect(&face, -2, -2);
        if (pressed) {
            OffsetRect(&face, 1, 1);
        }
        if (!layout::HasPicture(def)) {
            SetTextColor(dc, GetSysColor(entry.enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
            RECT text = face;
            DrawTextW(dc, caption.c_str(), -1, &text, textFormat);
        }
    }
    if (layout::HasPicture(def)) {
        const int size = MulDiv(16, dpi_, USER_DEFAULT_SCREEN_DPI);
        DrawQuestionMark(dc, (face.left + face.right - size) / 2,
                         (face.top + face.bottom - size) / 2, size);
    }
    if (focused && (cues & UISF_HIDEFOCUS) == 0) {
        RECT ring = face;
        InflateRect(&ring, -1, -1);
        DrawFocusRect(dc, &ring);
    }
}

// ---- the window ---------------------------------------------------------------------------

LRESULT CALLBACK Keypad::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Keypad* self = ObjectOfWindow(hwnd, message, lParam, &Keypad::hwnd_);
    return self != nullptr ? self->Handle(message, wParam, lParam)
                           : DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT Keypad::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            if (HDC dc = BeginPaint(hwnd_, &paint)) {
                Paint(dc);
                EndPaint(hwnd_, &paint);
            }
            return 0;
        }
        case WM_LBUTTONDOWN: {
            // A press inside an enabled key holds the mouse until the release; the key takes the
            // focus, as a button does.
            const auto e = HitTest(at);
            if (e && entries_[*e].enabled) {
                pressed_ = e;
                mouseInside_ = true;
                spaceDown_ = false;
                SetCapture(hwnd_);
                Focus(entries_[*e].index);
                SetFocus(hwnd_);
                Redraw(e);
            }
            return 0;
        }
        case WM_MOUSEMOVE:
            if (pressed_ && GetCapture() == hwnd_) {
                // Leaving the key lets it up; coming back presses it again.
                const bool inside = PtInRect(&entries_[*pressed_].rect, at) != FALSE;
                if (inside != mouseInside_) {
                    mouseInside_ = inside;
                    Redraw(pressed_);
                }
            } else {
                const auto e = HitTest(at);
                SetHot(e && entries_[*e].enabled ? e : std::nullopt);
                if (!tracking_) {
                    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd_, 0};
                    tracking_ = TrackMouseEvent(&track) != FALSE;
                }
            }
            return 0;
        case WM_MOUSELEAVE:
            tracking_ = false;
            SetHot(std::nullopt);
            return 0;
        case WM_LBUTTONUP:
            if (pressed_ && GetCapture() == hwnd_) {
                // Released inside the key it was pressed on: exactly that key clicks.
                const std::size_t e = *pressed_;
                const bool inside = PtInRect(&entries_[e].rect, at) != FALSE;
                ReleaseCapture();  // WM_CAPTURECHANGED lets the key up
                if (inside) {
                    Click(entries_[e].index);
                }
            }
            return 0;
        case WM_CAPTURECHANGED:
            if (pressed_ && !spaceDown_) {
                const auto e = std::exchange(pressed_, std::nullopt);
                mouseInside_ = false;
                Redraw(e);
            }
            return 0;
        case WM_KEYDOWN:
            if (wParam == VK_SPACE && focus_ && entries_[*focus_].enabled && !pressed_) {
                pressed_ = focus_;
                spaceDown_ = true;
                Redraw(focus_);
            }
            return 0;
        case WM_KEYUP:
            if (wParam == VK_SPACE && spaceDown_ && pressed_) {
                const std::size_t e = *std::exchange(pressed_, std::nullopt);
                spaceDown_ = false;
                Redraw(e);
                Click(entries_[e].index);
            }
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            if (message == WM_KILLFOCUS && spaceDown_) {
                spaceDown_ = false;
                Redraw(std::exchange(pressed_, std::nullopt));
            }
            Redraw(focus_);
            if (message == WM_SETFOCUS) {
                NotifyFocus();
            }
            return 0;
        case WM_UPDATEUISTATE:
            DefWindowProcW(hwnd_, message, wParam, lParam);
            InvalidateRect(hwnd_, nullptr, TRUE);
            return 0;
        case WM_THEMECHANGED:
            if (theme_ != nullptr) {
                CloseThemeData(theme_);
            }
            theme_ = OpenThemeData(hwnd_, L"BUTTON");
            InvalidateRect(hwnd_, nullptr, TRUE);
            return 0;
        case WM_GETOBJECT:
            if (static_cast<LONG>(lParam) == OBJID_CLIENT) {
                return accessibility::KeypadObject(*this, wParam);
            }
            break;
        case kPostedClick:
            Click(static_cast<std::size_t>(wParam));
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace zarnetcalc::forms::win32
