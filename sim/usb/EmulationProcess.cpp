#include "sim/usb/EmulationProcess.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace halvenmark::sim::usb {

namespace {

constexpr const char* kPreloadVariable = "HALVENMARK_UMOCKDEV_PRELOAD";
constexpr const char* kRestartedVariable = "HALVENMARK_UNDER_UMOCKDEV";
constexpr const char* kPreloadName = "libumockdev-preload";

}  // namespace

bool underPreload() {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        if (line.find(kPreloadName) != std::string::npos)
            return true;
    }
    return false;
}

namespace {

// The capabilities that let root open a file whatever its mode.
constexpr int kPermissionOverrides[] = {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH};

void dropPermissionOverrides() {
    for (int capability : kPermissionOverrides) {
        ::prctl(PR_CAPBSET_DROP, capability, 0, 0, 0);  // for the programs started from here
    }
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    if (::syscall(SYS_capget, &header, data) != 0) {
        return;
    }
    for (int capability : kPermissionOverrides) {
        const auto bit = static_cast<__u32>(CAP_TO_MASK(capability));
        data[CAP_TO_INDEX(capability)].effective &= ~bit;
        data[CAP_TO_INDEX(capability)].permitted &= ~bit;
        data[CAP_TO_INDEX(capability)].inheritable &= ~bit;
    }
    ::syscall(SYS_capset, &header, data);
}

}  // namespace

std::string preloadLibrary() {
    const char* chosen = std::getenv(kPreloadVariable);
    return chosen != nullptr && *chosen != '\0' ? chosen : HALVENMARK_UMOCKDEV_PRELOAD;
}

bool runUnderPreload(char** argv, std::string& error) {
    if (underPreload()) {
        ::unsetenv(kRestartedVariable);  // what this process starts begins afresh
        return true;
    }
    const std::string library = preloadLibrary();
    if (std::getenv(kRestartedVariable) != nullptr) {
        error = "umockdev's preload library " + library + " did not load";
        return false;
    }
    if (::access(library.c_str(), R_OK) != 0) {
        error = "the USB emulation needs umockdev's preload library " + library +
                ", which is not there (Debian: sudo apt install umockdev)";
        return false;
    }
    const char* earlier = std::getenv("LD_PRELOAD");
    const std::string preload =
        earlier != nullptr && *earlier != '\0' ? library + ":" + earlier : library;
    ::setenv("LD_PRELOAD", preload.c_str(), 1);
    ::setenv(kRestartedVariable, "1", 1);
    // By its own path, so that the process keeps its name (ps, /proc/PID/comm).
    char self[4096] = {};
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    ::execv(length > 0 ? self : "/proc/self/exe", argv);
    error = "cannot run the program again under umockdev's preload";
    return false;
}

void prepareForProgram() {
    // umockdev sleeps for zero time after every ioctl to let other threads in; with the default
    // timer slack each of those sleeps lasts 50 µs, thousands of times per flash.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
    if (::geteuid() == 0) {
        dropPermissionOverrides();
    }
}

}  // namespace halvenmark::sim::usb
