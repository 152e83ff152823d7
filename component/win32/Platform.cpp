// The runtime's platform services on Windows: error descriptions through the system's error
// objects, texts as BSTRs, variant conversion by oleaut32, the type library embedded in this
// library, and the library's path and registration extras. The entry points are
// EntryPointsWin32.cpp; what the members do is ComponentWin32.cpp.
#include "component/win32/Platform.h"

#include <wrl/client.h>

#include "common/win32/WideText.h"

namespace zarnetcalc::runtime {

using Microsoft::WRL::ComPtr;
using zarnetcalc::win32::Widen;

namespace {

HMODULE g_module = nullptr;

// This library's file path; "" when unknown. Paths longer than MAX_PATH are read whole.
std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(g_module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) {
            return {};
        }
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        if (path.size() >= 32768) {
            return {};
        }
        path.resize(path.size() * 2);
    }
}

// The text in the system's ANSI code page, or nothing when a character has no exact form there.
bool ToAnsi(const std::wstring& text, std::string* out) {
    if (text.empty()) {
        out->clear();
        return true;
    }
    BOOL lossy = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(),
                                      static_cast<int>(text.size()), nullptr, 0, nullptr, &lossy);
    if (n <= 0 || lossy) {
        return false;
    }
    out->assign(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                        out->data(), n, nullptr, &lossy);
    return !lossy;
}

}  // namespace

void RememberModule(HMODULE module) {
    g_module = module;
}
HMODULE Module() {
    return g_module;
}

void ClearErrorInfo() {
    SetErrorInfo(0, nullptr);
}

// The description goes into an error object for the calling thread, where GetErrorInfo (and the
// script engines, through Invoke's exception info) find it. Out of memory, the code alone must do.
HRESULT ReportError(HRESULT hr, std::string_view description) {
    ComPtr<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(&create))) {
        return hr;
    }
    try {
        std::wstring source = Widen(kProgID);
        std::wstring text = Widen(description);
        create->SetGUID(IID__clsZarnetCalc);
        create->SetSource(source.data());
        create->SetDescription(text.data());
        ComPtr<IErrorInfo> info;
        if (SUCCEEDED(create.As(&info))) {
            SetErrorInfo(0, info.Get());
        }
    } catch (...) {
    }
    return hr;
}

BSTR AllocText(std::string_view utf8) {
    try {
        const std::wstring text = Widen(utf8);
        return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    } catch (...) {
        return nullptr;  // out of memory
    }
}

// As automation converts: numbers, Booleans, Empty (0), texts in the user's locale, an object's
// default value; Null or a text that is no number fail, and so does an overflow, as such.
HRESULT VariantToNumber(const VARIANT& value, double* number) {
    VARIANT converted;
    VariantInit(&converted);
    const HRESULT hr = VariantChangeTypeEx(&converted, const_cast<VARIANT*>(&value),
                                           LOCALE_USER_DEFAULT, 0, VT_R8);
    if (FAILED(hr)) {
        return hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH;
    }
    *number = converted.dblVal;
    return S_OK;
}

UINT TypeInfoCount() {
    return 1;
}

// From the type library embedded in this library (resource 1 TYPELIB), registered or not.
HRESULT LoadTypeInfo(ITypeInfo** typeInfo) {
    *typeInfo = nullptr;
    const std::wstring path = ModulePath();
    if (path.empty()) {
        const DWORD error = GetLastError();
        return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    ComPtr<ITypeLib> library;
    const HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library);
    if (FAILED(hr)) {
        return hr;
    }
    return library->GetTypeInfoOfGuid(IID__clsZarnetCalc2, typeInfo);  // the default interface
}

// In the ANSI code page the registry's text functions take; a path that has no exact form there
// is given by its short (8.3) form, and "" when there is none.
std::string LibraryPath() {
    const std::wstring path = ModulePath();
    std::string text;
    if (!path.empty() && ToAnsi(path, &text)) {
        return text;
    }
    std::wstring shortPath(path.size() + 1, L'\0');
    const DWORD n = path.empty() ? 0
                                 : GetShortPathNameW(path.c_str(), shortPath.data(),
                                                     static_cast<DWORD>(shortPath.size()));
    if (n == 0 || n >= shortPath.size()) {
        return {};
    }
    shortPath.resize(n);
    return ToAnsi(shortPath, &text) ? text : std::string();
}

std::string TypeLibraryPlatform() {
    return ZC_TYPELIB_PLATFORM;
}

std::optional<std::uint32_t> OtherRegistryView() {
    // On 32-bit Windows the flag is ignored and names this view, which then no longer holds the
    // class when unregistration asks.
    return sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

}  // namespace zarnetcalc::runtime
