// Built into the programs of the sanitizer build only. They run under umockdev's preload over
// the emulated adapters, which then comes before AddressSanitizer's runtime in the library list.
extern "C" const char* __asan_default_options() {
    return "verify_asan_link_order=0";
}
