#include "link/DynamicLibrary.h"

#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace halvenmark {

DynamicLibrary::DynamicLibrary(const std::string& name) {
#ifdef _WIN32
    handle_ = reinterpret_cast<void*>(LoadLibraryA(name.c_str()));
#else
    handle_ = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
}

DynamicLibrary::~DynamicLibrary() {
    if (handle_ == nullptr) {
        return;
    }
#ifdef _WIN32
    FreeLibrary(reinterpret_cast<HMODULE>(handle_));
#else
    dlclose(handle_);
#endif
}

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
}

void* DynamicLibrary::symbol(const char* name) const {
    if (handle_ == nullptr) {
        return nullptr;
    }
#ifdef _WIN32
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(handle_), name));
#else
    return dlsym(handle_, name);
#endif
}

}  // namespace halvenmark
