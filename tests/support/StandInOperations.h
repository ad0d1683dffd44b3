#pragma once

#include <functional>

#include "app/FrmStart.h"

namespace halvenmark::testing {

// Stand-ins for identification and flashing that do what a test tells them.
class StandInOperations : public DeviceOperations {
  public:
    std::function<void()> check;
    std::function<void()> flash;
    int checks = 0;
    int flashes = 0;

    void CheckDevice() override {
        ++checks;
        if (check)
            check();
    }
    void FlashDevice() override {
        ++flashes;
        if (flash)
            flash();
    }
};

}  // namespace halvenmark::testing
