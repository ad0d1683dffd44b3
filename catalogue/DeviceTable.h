#pragma once

#include <array>

#include "catalogue/DeviceCatalogue.h"

namespace halvenmark::catalogue {

// key, display name, picture id, image id, image size (words), version at memory end
inline constexpr std::array<DeviceTypeEntry, 32> kDeviceTable{{
    {0x00, "6 channel end pin receiver", 101, 102, 4096, false},
    {0x01, "8 channel top pin receiver", 102, 100, 4096, false},
    {0x02, "10 channel top pin receiver", 103, 101, 4096, false},
    {0x03, "6 channel Kestrel-A v4 receiver", 100, 108, 4096, true},
    {0x04, "6 channel Kestrel-B v4 receiver", 100, 108, 4096, true},
    {0x05, "3 channel top pin receiver (RGB LED)", 104, 103, 4096, false},
    {0x06, "6 channel top pin receiver", 101, 102, 4096, false},
    {0x07, "8 channel end pin receiver", 102, 100, 4096, false},
    {0x08, "10 channel end pin receiver", 103, 101, 4096, false},
    {0x09, "6 channel Kestrel-A receiver", 100, 105, 4096, false},
    {0x0A, "6 channel Kestrel-B receiver", 100, 105, 4096, false},
    {0x0B, "6 channel Wren receiver", 100, 105, 4096, false},
    {0x0C, "6 channel Kestrel-A II receiver", 100, 106, 4096, true},
    {0x0D, "6 channel Kestrel-B II receiver", 100, 106, 4096, true},
    {0x0E, "6 channel Wren II receiver", 100, 106, 4096, true},
    {0x10, "Satellite receiver", 105, 104, 4096, false},
    {0x11, "RFU", 100, 107, 8192, true},
    {0x20, "Tandem A Expander", 300, 300, 8192, true},
    {0x21, "Tandem B Expander", 301, 301, 8192, true},
    {0x22, "Tandem C Expander", 302, 302, 8192, true},
    {0x30, "Tandem A V2 Expander", 300, 400, 8192, false},
    {0x80, "Futaba/Hitec transmitter module", 201, 200, 4096, false},
    {0x81, "JR transmitter module", 202, 201, 4096, false},
    {0x82, "Universal transmitter module", 203, 202, 4096, false},
    {0x83, "Multiplex EVO transmitter module", 204, 203, 4096, false},
    {0x84, "M8/M11 transmitter module", 205, 204, 4096, false},
    {0x85, "Multiplex Profi transmitter module", 206, 205, 4096, false},
    {0x86, "Graupner MCxx transmitter module", 207, 206, 4096, false},
    {0x87, "Graupner MX-24 transmitter module", 208, 207, 4096, false},
    {0x88, "Graupner MX-16 transmitter", 209, 208, 4096, false},
    {0x89, "Graupner XD6 transmitter", 210, 209, 4096, false},
    {0x8B, "JR11x transmitter module", 212, 212, 4096, false},
}};

}  // namespace halvenmark::catalogue
