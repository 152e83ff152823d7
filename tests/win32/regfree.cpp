// zc-regfree.exe: a client of the component with nothing in the registry, through the manifest
// embedded in it and the component's assembly manifest beside zarnetcalc.dll in its folder.
// Prints what it created and read; the harness compares the lines with regfree.expected.
#include <windows.h>

#include <oleauto.h>

#include <wrl/client.h>
#include <cstdio>

#include "zarnetcalc/ZarnetCalc_h.h"

namespace {

using Microsoft::WRL::ComPtr;

// Sets Result, reads it back and looks a member up by name through the type library.
void Use(const char* how, HRESULT created, _clsZarnetCalc* calc) {
    std::printf("%s: 0x%08lX\n", how, static_cast<unsigned long>(created));
    if (FAILED(created)) {
        return;
    }
    double result = 0;
    calc->put_Result(2.5);
    calc->get_Result(&result);
    OLECHAR name[] = L"Result";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    const HRESULT found = calc->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    std::printf("  Result %g, GetIDsOfNames(Result) 0x%08lX\n", result,
                static_cast<unsigned long>(found));
}

}  // namespace

int main() {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        return 1;
    }
    {
        ComPtr<_clsZarnetCalc> calc;
        HRESULT hr = CoCreateInstance(CLSID_clsZarnetCalc, nullptr, CLSCTX_INPROC_SERVER,
                                      IID__clsZarnetCalc, &calc);
        Use("CoCreateInstance(CLSID_clsZarnetCalc)", hr, calc.Get());

        // The identifier found for the programmatic identifier is used as it is: through an
        // activation context it need not equal the class's own.
        CLSID clsid{};
        hr = CLSIDFromProgID(L"ZarnetCalc.clsZarnetCalc", &clsid);
        if (SUCCEEDED(hr)) {
            hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__clsZarnetCalc, &calc);
        }
        Use("CLSIDFromProgID and CoCreateInstance", hr, calc.Get());

        // The library came from the program's own folder.
        wchar_t library[MAX_PATH] = L"";
        wchar_t program[MAX_PATH] = L"";
        GetModuleFileNameW(GetModuleHandleW(L"zarnetcalc.dll"), library, MAX_PATH);
        GetModuleFileNameW(nullptr, program, MAX_PATH);
        *wcsrchr(program, L'\\') = L'\0';
        const bool beside = wcsncmp(library, program, wcslen(program)) == 0 &&
                            wcschr(library + wcslen(program) + 1, L'\\') == nullptr;
        std::printf("zarnetcalc.dll from the program's folder: %s\n", beside ? "yes" : "no");
    }
    CoUninitialize();
    return 0;
}
