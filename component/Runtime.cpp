// The runtime's shared machinery: object and lock counts for unload polling, the per-thread error
// description, identifier texts, and the window wrapper hosts pass as MyOwner. The calculator
// object and class factory are in Dispatch.cpp, registration and create-by-name in their own files.
#include "component/Runtime.h"

#include <dlfcn.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <stdexcept>

#include <QPointer>
#include <QWidget>

#include "zarnetcalc/clsZarnetCalc.h"

namespace zarnetcalc::runtime {

namespace {

std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

thread_local bool t_hasError = false;
thread_local std::u16string t_error;

// A host window as a form object. It watches the window through a QPointer, so a window that is
// destroyed while wrapped reads as null instead of dangling.
class WindowObject final : public IZarnetCalcWindow {
  public:
    explicit WindowObject(QWidget* window) : window_(window) { ObjectCreated(); }
    WindowObject(const WindowObject&) = delete;
    WindowObject& operator=(const WindowObject&) = delete;

    HRESULT QueryInterface(const IID& riid, void** ppv) override {
        if (!ppv) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_IZarnetCalcWindow) {
            *ppv = static_cast<IZarnetCalcWindow*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    QWidget* Window() override { return window_.data(); }

  private:
    ~WindowObject() { ObjectDestroyed(); }

    std::atomic<ULONG> refs_{1};
    QPointer<QWidget> window_;
};

}  // namespace

void ObjectCreated() {
    ++g_objects;
}
void ObjectDestroyed() {
    --g_objects;
}
long LiveObjects() {
    return g_objects.load();
}
void ServerLock() {
    ++g_locks;
}
bool ServerUnlock() {
    long current = g_locks.load();
    while (current > 0) {
        if (g_locks.compare_exchange_weak(current, current - 1)) {
            return true;
        }
    }
    return false;
}
long ServerLocks() {
    return g_locks.load();
}

void ClearErrorInfo() {
    t_hasError = false;
    t_error.clear();
}

HRESULT SetErrorInfo(HRESULT hr, const QString& description) {
    try {
        t_error = description.toStdU16String();
        t_hasError = true;
    } catch (...) {
        t_hasError = false;  // out of memory: the code alone must do
    }
    return hr;
}

HRESULT HResultFromCurrentException(int* errorNumber, QString* description) {
    HRESULT hr = E_UNEXPECTED;
    QString text;
    try {
        throw;
    } catch (const zarnetcalc::Error& e) {
        hr = HResultFromErrorNumber(e.Number());
        text = QString::fromUtf8(e.what());
        if (errorNumber) {
            *errorNumber = e.Number();
        }
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
        text = QStringLiteral("Out of memory");
    } catch (const std::exception& e) {
        hr = E_FAIL;
        text = QString::fromUtf8(e.what());
    } catch (...) {
        hr = E_UNEXPECTED;
        text = QStringLiteral("An unexpected failure inside the component");
    }
    if (description) {
        *description = text;
    }
    return SetErrorInfo(hr, text);
}

char16_t* DuplicateText(const QString& text) {
    const auto size = static_cast<std::size_t>(text.size());
    auto* copy = static_cast<char16_t*>(std::malloc((size + 1) * sizeof(char16_t)));
    if (!copy) {
        return nullptr;
    }
    std::memcpy(copy, text.utf16(), size * sizeof(char16_t));
    copy[size] = u'\0';
    return copy;
}

std::string GuidToString(const GUID& g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.Data1), unsigned{g.Data2}, unsigned{g.Data3},
                  unsigned{g.Data4[0]}, unsigned{g.Data4[1]}, unsigned{g.Data4[2]},
                  unsigned{g.Data4[3]}, unsigned{g.Data4[4]}, unsigned{g.Data4[5]},
                  unsigned{g.Data4[6]}, unsigned{g.Data4[7]});
    return text;
}

std::optional<GUID> GuidFromString(const std::string& text) {
    // Exactly {8-4-4-4-12} hex digits; anything else (spaces, missing braces) is malformed.
    static constexpr char kPattern[] = "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
    if (text.size() != sizeof kPattern - 1) {
        return std::nullopt;
    }
    std::string digits;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (kPattern[i] == 'X') {
            const bool hex =
                (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
            if (!hex) {
                return std::nullopt;
            }
            digits += c;
        } else if (c != kPattern[i]) {
            return std::nullopt;
        }
    }
    auto field = [&digits](std::size_t at, std::size_t count) {
        return std::stoull(digits.substr(at, count), nullptr, 16);
    };
    GUID g{};
    g.Data1 = static_cast<std::uint32_t>(field(0, 8));
    g.Data2 = static_cast<std::uint16_t>(field(8, 4));
    g.Data3 = static_cast<std::uint16_t>(field(12, 4));
    for (std::size_t i = 0; i < 8; ++i) {
        g.Data4[i] = static_cast<std::uint8_t>(field(16 + 2 * i, 2));
    }
    return g;
}

HRESULT CanUnloadNow() {
    return LiveObjects() == 0 && ServerLocks() == 0 && ClassFactoryReferences() == 0 ? S_OK
                                                                                     : S_FALSE;
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

using namespace zarnetcalc::runtime;

extern "C" ZARNETCALC_EXPORT HRESULT ZarnetCalcWrapWindow(QWidget* window, IUnknown** ppv) {
    ClearErrorInfo();
    if (!ppv) {
        return SetErrorInfo(E_POINTER,
                            QStringLiteral("ZarnetCalcWrapWindow: the out-pointer is null"));
    }
    *ppv = nullptr;
    if (!window) {
        return SetErrorInfo(E_POINTER, QStringLiteral("ZarnetCalcWrapWindow: the window is null"));
    }
    try {
        *ppv = new WindowObject(window);
        return S_OK;
    } catch (...) {
        return HResultFromCurrentException();
    }
}

extern "C" ZARNETCALC_EXPORT HRESULT ZarnetCalcGetErrorDescription(char16_t** description) {
    if (!description) {
        return E_POINTER;
    }
    *description = nullptr;
    if (!t_hasError) {
        return S_FALSE;
    }
    *description = DuplicateText(QString::fromStdU16String(t_error));
    if (!*description) {
        return E_OUTOFMEMORY;
    }
    ClearErrorInfo();
    return S_OK;
}
