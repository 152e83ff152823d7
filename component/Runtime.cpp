// The runtime's shared machinery: lock counts for unload polling, thread tokens for
// the apartment check, member failures as result codes, identifier texts. What differs between
// platforms (error info, texts, type information, the library's path) is in qt/ and win32/.
#include "component/Runtime.h"

#include <atomic>
#include <cstdio>
#include <new>

#include "common/CountedObject.h"
#include "zarnetcalc/Error.h"

namespace zarnetcalc::runtime {

namespace {

std::atomic<long> g_locks{0};
std::atomic<std::uint64_t> g_threads{0};

}  // namespace

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
HRESULT CanUnloadNow() {
    return com::LiveObjects().load() == 0 && g_locks.load() == 0 ? S_OK : S_FALSE;
}

std::uint64_t CurrentThreadToken() {
    thread_local const std::uint64_t token = ++g_threads;
    return token;
}

MemberFailure FailureFromCurrentException() {
    try {
        throw;
    } catch (const zarnetcalc::Error& e) {
        return {HResultFromErrorNumber(e.Number()), e.what()};
    } catch (const std::bad_alloc&) {
        return {E_OUTOFMEMORY, "Out of memory"};
    } catch (const std::exception& e) {
        return {E_FAIL, e.what()};
    } catch (...) {
        return {E_UNEXPECTED, "An unexpected failure inside the component"};
    }
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

}  // namespace zarnetcalc::runtime
