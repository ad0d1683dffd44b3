// A library that exports only one of the calls the D2XX backend needs.
#include <cstdint>

#ifdef _WIN32
#define STANDIN_EXPORT extern "C" __declspec(dllexport)
#else
#define STANDIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

STANDIN_EXPORT std::uint32_t FT_OpenEx(void*, std::uint32_t, void**) {
    return 2;
}
