#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "flash/ProbePatterns.h"
#include "protocol/ProgramSections.h"

// How each device family is flashed, as data: FlashDevice reads the route of the device's
// image id and runs its steps in order.
namespace halvenmark::routes {

// The probe pattern and auxiliary image of a first-form route.
struct AuxVariant {
    const ProbePattern* pattern;
    int auxResId;        // "JPG" resource written without decoding
    FirstFormArea area;  // covers the auxiliary image exactly, from image index 0
};

constexpr AuxVariant kAuxA{&ProbePatternA, 1, {0x0020, 0x0164, 0}};
constexpr AuxVariant kAuxB{&ProbePatternB, 2, {0x0A00, 0x0BDC, 0}};

// One second-form pass: written in 64-byte blocks, read back in 16-byte blocks.
struct BlockPass {
    std::int16_t start;
    std::int16_t lastWriteBlock;
    std::int16_t lastVerifyBlock;
};

constexpr std::int32_t kWriteBlockBytes = 64;
constexpr std::int32_t kReadBlockBytes = 16;

struct UpdateVariant {
    std::int32_t progressMax;  // twice the bytes of the pass
    BlockPass pass;
};

constexpr UpdateVariant kUpdate8K{10240, {0x0C00, 0x1FC0, 0x1FF0}};
constexpr UpdateVariant kUpdate16K{26624, {0x0C00, 0x3FC0, 0x3FF0}};
constexpr UpdateVariant kExpanderMain{28672, {0x0800, 0x3FC0, 0x3FF0}};

// The expanders' loader area, rewritten for older versions between two addressed EX frames.
constexpr BlockPass kExpanderLowArea{0x0100, 0x07C0, 0x07F0};
constexpr std::uint8_t kExpanderLowAreaUpToVersion = 0x17;
constexpr std::int16_t kExpanderWithoutLowArea = 400;
constexpr int kExAddressBeforeLowArea = 0x3A00;
constexpr int kExAddressAfterLowArea = 0x0150;

// Device bytes that image 105 keeps: read back before writing and put into the image.
struct PreservedFrame {
    int address;     // word address of the read
    int imageIndex;  // where its first data byte goes
    int count;       // how many of its data bytes are kept
};

constexpr PreservedFrame kPreserved105[] = {
    {0x0010, 0x20, 1}, {0x0018, 0x30, 8}, {0x001C, 0x38, 8}};

constexpr FirstFormArea kArea105Upper{0x0C00, 0x0FFC, 0x1800};
constexpr FirstFormArea kArea105Main{0x0010, 0x07FC, 0x0020};
constexpr FirstFormArea kArea105Middle{0x0800, 0x0BFC, 0x1000};

enum class StepKind {
    CheckFlashable,
    TransferAuxImage,
    LoadFirmwareImage,
    ProgramUpperSection,
    ProgramLowerSection,
    PreserveDeviceBytes,
    WriteArea,
    ShortEx,
    UpdateAndVerify,
    UpdateExpander,
};

struct Step {
    StepKind kind;
    const FirstFormArea* area = nullptr;  // WriteArea only
};

struct Route {
    std::string_view name;
    std::int32_t progressMax;     // 0: the update routine sets its own
    const AuxVariant* aux;        // first-form routes
    const UpdateVariant* update;  // UpdateAndVerify
    std::span<const Step> steps;
};

// The route for a firmware image id; every id not routed elsewhere takes the default route.
const Route& routeFor(std::int16_t imageId);

// The auxiliary image the route of a firmware image writes, or 0 for none.
int auxImageOf(std::int16_t imageId);

}  // namespace halvenmark::routes
