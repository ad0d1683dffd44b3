// The tests over the real USB stack: libftdi1 and libusb talk to emulated FTDI adapters on a
// umockdev testbed, which only a process under umockdev's preload sees. The program runs itself
// again under it, as the bench does.
#include <gtest/gtest.h>

#include <iostream>

#include "sim/usb/EmulationProcess.h"

int main(int argc, char** argv) {
    std::string error;
    if (!halvenmark::sim::usb::runUnderPreload(argv, error)) {
        std::cerr << "halvenmark_usb_tests: " << error << '\n';
        return 1;  // never skipped: a missing umockdev fails the suite
    }
    halvenmark::sim::usb::prepareForProgram();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
