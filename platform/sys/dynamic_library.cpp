#include "platform/sys/dynamic_library.h"

#include "platform/sys/wide_string.h"
#include "platform/sys/win32_errors.h"

#include <cstdlib>
#include <dlfcn.h>
#include <unistd.h>

namespace vx {
namespace {
thread_local std::string t_lastLoadFailure;
}

ModuleHandle LoadLibrary(std::u16string_view path) {
    void* handle = ::dlopen(Utf16ToUtf8(path).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        t_lastLoadFailure = why ? why : "unknown failure";
        SetLastError(ERROR_MOD_NOT_FOUND);
    }
    return handle;
}

void* GetProcAddress(ModuleHandle module, const char* symbol) {
    ::dlerror();
    void* address = ::dlsym(module, symbol);
    if (!address) {
        SetLastError(ERROR_PROC_NOT_FOUND);
    }
    return address;
}

std::string LastLoadFailure() { return t_lastLoadFailure; }

std::u16string GetModuleFileName(const void* address) {
    Dl_info info{};
    if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return {};
    }
    std::string name = info.dli_fname;
    // The main program may be reported by the name it was started with: make it absolute.
    if (!name.empty() && name.front() != '/') {
        char resolved[4096];
        if (::realpath(name.c_str(), resolved) != nullptr) {
            name = resolved;
        } else {
            const ssize_t n = ::readlink("/proc/self/exe", resolved, sizeof resolved - 1);
            if (n > 0) {
                resolved[n] = '\0';
                name = resolved;
            }
        }
    }
    return Utf8ToUtf16(name);
}

} // namespace vx
