// zc-bench-opening.exe: the calculator's opening time on Windows beside a bare Win32 dialog (one
// static text, DialogBoxIndirect over the same owner), opened in turn, pair by pair, so that a
// busy machine slows both alike. Prints the medians of Show to first paint and of the round trip
// (Show returning after Close at first paint), and the median ratios of the pairs.
// Usage: zc-bench-opening.exe PATH\zarnetcalc.dll [PAIRS]; run by scripts/bench.sh under Wine.
#include <windows.h>

#include <wrl/client.h>
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "common/win32/WindowForm.h"
#include "zarnetcalc/ZarnetCalc_h.h"

namespace {

using Microsoft::WRL::ComPtr;

double Now() {
    static const double frequency = [] {
        LARGE_INTEGER f{};
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t{};
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / frequency;
}

// One opening: the moment its first WM_PAINT reached a window other than the owner, and how it
// is closed then (posted, so that the paint itself runs first).
struct Opening {
    HWND owner = nullptr;
    double painted = 0;
    void (*close)(HWND dialog) = nullptr;
} g_opening;

void SeePaint(HWND window) {
    if (g_opening.painted != 0 || window == nullptr) {
        return;
    }
    const HWND dialog = GetAncestor(window, GA_ROOT);
    if (dialog == g_opening.owner) {
        return;
    }
    g_opening.painted = Now();
    g_opening.close(dialog);
}
// A paint arrives retrieved from the queue or sent (UpdateWindow): both are watched.
LRESULT CALLBACK Retrieved(int code, WPARAM removed, LPARAM message) {
    const auto* msg = reinterpret_cast<const MSG*>(message);
    if (code == HC_ACTION && removed == PM_REMOVE && msg->message == WM_PAINT) {
        SeePaint(msg->hwnd);
    }
    return CallNextHookEx(nullptr, code, removed, message);
}
LRESULT CALLBACK Sent(int code, WPARAM fromThread, LPARAM message) {
    const auto* msg = reinterpret_cast<const CWPSTRUCT*>(message);
    if (code == HC_ACTION && msg->message == WM_PAINT) {
        SeePaint(msg->hwnd);
    }
    return CallNextHookEx(nullptr, code, fromThread, message);
}

void CloseCalculator(HWND dialog) {
    PostMessageW(dialog, WM_KEYDOWN, VK_F2, 0);  // F2 closes, as Close does
}
void CloseBare(HWND dialog) {
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

// The bare dialog's template in memory: a caption and one static text "0" (the item starts on
// a DWORD, as a template's items must).
struct alignas(4) BareTemplate {
    DLGTEMPLATE dialog{
        DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 1, 0, 0, 160, 60};
    WORD menu = 0;
    WORD windowClass = 0;
    wchar_t title[5] = L"Bare";
    DLGITEMTEMPLATE item{WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 10, 10, 100, 12, 1};
    WORD itemClass[2] = {0xFFFF, 0x0082};  // the static class
    wchar_t itemText[2] = L"0";
    WORD creationData = 0;
};
static_assert(offsetof(BareTemplate, item) % 4 == 0);

INT_PTR CALLBACK BareProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_COMMAND && LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return message == WM_INITDIALOG;
}

struct Times {
    double paint;
    double roundTrip;
};

// Lets what one opening leaves behind finish before the next is timed, so that no opening pays
// for the one before (the owner repainting where the dialog was, the window system's answers to
// the close): done when no message has come for a few milliseconds.
void Settle() {
    for (;;) {
        MSG msg{};
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT) == WAIT_TIMEOUT) {
            return;
        }
    }
}

// Opens with open(), closes at the first paint, then settles (not timed); the two times from the
// start.
template <class Open>
Times Measure(void (*close)(HWND), Open open) {
    g_opening.painted = 0;
    g_opening.close = close;
    const double start = Now();
    open();
    const double returned = Now();
    Settle();
    return {g_opening.painted - start, returned - start};
}

double Median(std::vector<double> values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: zc-bench-opening PATH\\zarnetcalc.dll [PAIRS]\n");
        return 2;
    }
    const int pairs = argc > 2 ? std::max(1, _wtoi(argv[2])) : 50;
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        return 1;
    }
    // The class straight from the library: no registration needed.
    const HMODULE library = LoadLibraryW(argv[1]);
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    const auto getClassObject = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(GetProcAddress(library, "DllGetClassObject")));
    ComPtr<IClassFactory> factory;
    ComPtr<_clsZarnetCalc> calc;
    if (getClassObject == nullptr ||
        FAILED(getClassObject(CLSID_clsZarnetCalc, IID_PPV_ARGS(&factory))) ||
        FAILED(factory->CreateInstance(nullptr, IID_PPV_ARGS(&calc)))) {
        std::fprintf(stderr, "zc-bench-opening: cannot create the calculator from the library\n");
        return 1;
    }

    g_opening.owner = CreateWindowExW(0, L"STATIC", L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100,
                                      100, 640, 480, nullptr, nullptr, nullptr, nullptr);
    auto* form = new zarnetcalc::win32::WindowForm(g_opening.owner);
    calc->put_MyOwner(form);
    form->Release();
    const HHOOK retrieved =
        SetWindowsHookExW(WH_GETMESSAGE, Retrieved, nullptr, GetCurrentThreadId());
    const HHOOK sent = SetWindowsHookExW(WH_CALLWNDPROC, Sent, nullptr, GetCurrentThreadId());
    const BareTemplate bare;
    // What the figures depend on, printed with them.
    using WineVersion = const char*(CDECL*)();
    const auto wineVersion = reinterpret_cast<WineVersion>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")));
    std::printf(
        "measured on: %s%s, %u DPI; the bare dialog: DialogBoxIndirect with one static "
        "text over the same owner\n",
        wineVersion ? "Wine " : "Windows", wineVersion ? wineVersion() : "",
        GetDpiForWindow(g_opening.owner));

    std::vector<double> calcPaint, barePaint, paintRatio, calcTrip, bareTrip, tripRatio;
    for (int i = -5; i < pairs; ++i) {  // five pairs to warm up, not counted
        const Times c = Measure(CloseCalculator, [&] { calc->Show(); });
        const Times b = Measure(CloseBare, [&] {
            DialogBoxIndirectParamW(nullptr, &bare.dialog, g_opening.owner, BareProc, 0);
        });
        if (i < 0 || c.paint <= 0 || b.paint <= 0) {
            continue;
        }
        calcPaint.push_back(c.paint);
        barePaint.push_back(b.paint);
        paintRatio.push_back(c.paint / b.paint);
        calcTrip.push_back(c.roundTrip);
        bareTrip.push_back(b.roundTrip);
        tripRatio.push_back(c.roundTrip / b.roundTrip);
    }
    UnhookWindowsHookEx(retrieved);
    UnhookWindowsHookEx(sent);
    if (calcPaint.empty()) {
        std::fprintf(stderr, "zc-bench-opening: no opening was painted\n");
        return 1;
    }
    std::printf(
        "Show to first paint: calculator %.2f ms, bare dialog %.2f ms (medians of %zu "
        "pairs)\n",
        Median(calcPaint) * 1e3, Median(barePaint) * 1e3, calcPaint.size());
    std::printf("round trip (closed at first paint): calculator %.2f ms, bare dialog %.2f ms\n",
                Median(calcTrip) * 1e3, Median(bareTrip) * 1e3);
    std::printf("opening ratio (first paint, paired): %.2f times the bare dialog\n",
                Median(paintRatio));
    std::printf("opening ratio (round trip, paired): %.2f times the bare dialog\n",
                Median(tripRatio));
    calc.Reset();
    factory.Reset();
    DestroyWindow(g_opening.owner);
    CoUninitialize();
    return 0;
}
