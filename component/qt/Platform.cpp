// The runtime's platform services on Linux, where the library stands in for the component
// runtime itself: the per-thread error description, texts as BSTRs, variant conversion to a
// number, the library's path. There is no type library here.
#include <dlfcn.h>

#include <QString>
#include <filesystem>
#include <string>

#include "component/qt/Platform.h"

namespace zarnetcalc::runtime {

namespace {

thread_local bool t_hasError = false;
thread_local std::u16string t_error;

}  // namespace

void ClearErrorInfo() {
    t_hasError = false;
    t_error.clear();
}

HRESULT ReportError(HRESULT hr, std::string_view description) {
    try {
        t_error =
            QString::fromUtf8(description.data(), qsizetype(description.size())).toStdU16String();
        t_hasError = true;
    } catch (...) {
        t_hasError = false;  // out of memory: the code alone must do
    }
    return hr;
}

BSTR TakeErrorDescription(bool* had) {
    *had = t_hasError;
    if (!t_hasError) {
        return nullptr;
    }
    BSTR text = SysAllocStringLen(t_error.data(), static_cast<UINT>(t_error.size()));
    if (text) {
        ClearErrorInfo();
    }
    return text;
}

BSTR AllocText(std::string_view utf8) {
    const QString text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.utf16()),
                             static_cast<UINT>(text.size()));
}

// The numeric kinds a host here can send; Empty reads as 0, as in automation.
HRESULT VariantToNumber(const VARIANT& value, double* number) {
    switch (value.vt) {
        case VT_EMPTY:
            *number = 0;
            return S_OK;
        case VT_I2:
            *number = value.iVal;
            return S_OK;
        case VT_I4:
            *number = value.lVal;
            return S_OK;
        case VT_R4:
            *number = value.fltVal;
            return S_OK;
        case VT_R8:
            *number = value.dblVal;
            return S_OK;
        case VT_BOOL:
            *number = value.boolVal;
            return S_OK;
        default:
            return DISP_E_TYPEMISMATCH;
    }
}

UINT TypeInfoCount() {
    return 0;
}

HRESULT LoadTypeInfo(ITypeInfo** typeInfo) {
    *typeInfo = nullptr;
    return E_NOTIMPL;
}

std::string TypeLibraryPlatform() {
    return {};
}

std::optional<std::uint32_t> OtherRegistryView() {
    return std::nullopt;
}

std::string LibraryPath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&CanUnloadNow), &info) == 0 || !info.dli_fname) {
        return {};
    }
    std::error_code error;
    const auto absolute = std::filesystem::absolute(info.dli_fname, error);
    return error ? std::string(info.dli_fname) : absolute.lexically_normal().string();
}

}  // namespace zarnetcalc::runtime
