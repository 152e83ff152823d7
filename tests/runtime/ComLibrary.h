// Loads the built library with dlopen, as a host that does not link it would, and resolves its
// exported C functions. Shared by the runtime tests; the path comes from CMake.
#pragma once

#include <dlfcn.h>

#include <QString>

#include "zarnetcalc/ComHelpers.h"

struct ComLibrary {
    void* handle = nullptr;
    decltype(&DllCanUnloadNow) canUnloadNow = nullptr;
    decltype(&DllGetClassObject) getClassObject = nullptr;
    decltype(&DllRegisterServer) registerServer = nullptr;
    decltype(&DllUnregisterServer) unregisterServer = nullptr;
    decltype(&ZarnetCalcCreateObject) createObject = nullptr;
    decltype(&ZarnetCalcWrapWindow) wrapWindow = nullptr;
    decltype(&ZarnetCalcGetErrorDescription) errorDescription = nullptr;

    // Empty on success, else what failed.
    QString Load() {
        handle = dlopen(ZARNETCALC_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            return QString::fromLocal8Bit(dlerror());
        }
        QString missing;
        auto resolve = [&](auto& function, const char* name) {
            function =
                reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(handle, name));
            if (!function) {
                missing += QString::fromLatin1(name) + QLatin1Char(' ');
            }
        };
        resolve(canUnloadNow, "DllCanUnloadNow");
        resolve(getClassObject, "DllGetClassObject");
        resolve(registerServer, "DllRegisterServer");
        resolve(unregisterServer, "DllUnregisterServer");
        resolve(createObject, "ZarnetCalcCreateObject");
        resolve(wrapWindow, "ZarnetCalcWrapWindow");
        resolve(errorDescription, "ZarnetCalcGetErrorDescription");
        return missing.isEmpty() ? QString() : QStringLiteral("missing exports: ") + missing;
    }

    // The calling thread's last error description (consumed), or "" when there is none.
    QString LastError() const {
        char16_t* text = nullptr;
        if (errorDescription(&text) != zarnetcalc::com::S_OK || !text) {
            return {};
        }
        const QString result = QString::fromUtf16(text);
        std::free(text);
        return result;
    }
};
