#pragma once

#include <string>

// Putting a process where the emulated adapters can serve it: under umockdev's preload, which
// takes the process's /sys, /dev and ioctls to the testbed.
namespace halvenmark::sim::usb {

// The preload library: $HALVENMARK_UMOCKDEV_PRELOAD, or the one this build was made against.
std::string preloadLibrary();

// Whether this process runs under the preload.
bool underPreload();

// True when this process runs under the preload. Otherwise it runs the program again with the
// preload and never returns, or, when the library is not there (or did not load), returns false
// with the reason in `error`.
bool runUnderPreload(char** argv, std::string& error);

// Readies the process (and what it starts) to run the program under test: file permissions apply
// as they do to a user (a root user gives up overriding them), and umockdev's forced yield after
// each ioctl returns at once instead of after the timer slack.
void prepareForProgram();

}  // namespace halvenmark::sim::usb
