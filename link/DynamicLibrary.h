#pragma once

#include <string>

namespace halvenmark {

// A shared library loaded at run time: dlopen on Linux and macOS, LoadLibrary on Windows.
class DynamicLibrary {
  public:
    DynamicLibrary() = default;
    explicit DynamicLibrary(const std::string& name);
    ~DynamicLibrary();
    DynamicLibrary(DynamicLibrary&& other) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    bool isLoaded() const { return handle_ != nullptr; }
    // The symbol's address, or nullptr when the library lacks it.
    void* symbol(const char* name) const;

  private:
    void* handle_ = nullptr;
};

}  // namespace halvenmark
