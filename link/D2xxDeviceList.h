#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace halvenmark {

// One device as the vendor's D2XX library lists it.
struct D2xxListedDevice {
    std::string description;
    std::string serial;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    bool openElsewhere = false;  // another program has it open
};

// What the D2XX library (by default the platform's) lists; nullopt when the library, or its
// listing calls, are not there.
std::optional<std::vector<D2xxListedDevice>> listD2xxDevices(const std::string& libraryName);

}  // namespace halvenmark
