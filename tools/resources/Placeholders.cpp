#include "tools/resources/Placeholders.h"

#include <algorithm>
#include <string_view>

#include "catalogue/DeviceCatalogue.h"
#include "catalogue/ImageCodec.h"
#include "catalogue/StoreLayout.h"
#include "catalogue/VersionCodes.h"
#include "flash/Routes.h"
#include "tools/resources/Canvas.h"

namespace halvenmark::tools {

namespace {

constexpr std::uint8_t kFirstFormCpu = 14;   // version read from the identity block
constexpr std::uint8_t kSecondFormCpu = 15;  // version read from the end of memory
constexpr std::uint8_t kMemoryEndCheck = 0x0E;

const DeviceTypeEntry& firstRowFor(int imageId) {
    for (const DeviceTypeEntry& entry : catalogue::entries()) {
        if (entry.imageId == imageId) {
            return entry;
        }
    }
    return catalogue::entries().front();
}

void fillText(std::vector<std::uint8_t>& bytes, std::string_view text) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(text[i % text.size()]);
    }
}

// A recognisable payload: a repeated text naming the image, with the identity block and the
// version code where identification reads them, stored scrambled as a device holds them.
std::vector<std::uint8_t> firmwarePayload(int imageId) {
    const DeviceTypeEntry& row = firstRowFor(imageId);
    const auto imageBytes = static_cast<std::size_t>(2 * row.imageSize);
    std::vector<std::uint8_t> image(imageBytes);
    fillText(image,
             "HALVENMARK PLACEHOLDER FIRMWARE " + std::to_string(imageId) + " - NOT FOR DEVICES. ");

    const bool byteAddressed =
        routes::routeFor(static_cast<std::int16_t>(imageId)).update != nullptr;
    const std::size_t identity = byteAddressed ? 0x10 : 0x20;  // where the read at 0x0010 lands
    const std::uint8_t version = placeholderVersion(imageId);
    image[identity] = ScrambleByte(row.key);
    image[identity + 2] = ScrambleByte(version);
    image[identity + 4] = ScrambleByte(byteAddressed ? kSecondFormCpu : kFirstFormCpu);
    image[34] = ScrambleByte(version);
    image[imageBytes - 2] = ScrambleByte(version);
    image[imageBytes - 1] = ScrambleByte(kMemoryEndCheck);
    return image;
}

std::vector<std::uint8_t> auxPayload(int id, std::size_t bytes) {
    std::vector<std::uint8_t> image(bytes);
    fillText(image, "HALVENMARK PLACEHOLDER AUXILIARY IMAGE " + std::to_string(id) + ". ");
    return image;
}

// ---- pictures -------------------------------------------------------------------------

enum class Kind { Generic, Receiver, Satellite, Module, Expander };

struct Picture {
    int id;
    Kind kind;
    std::string_view line1;
    std::string_view line2;
    int pins;
};

constexpr Picture kPictures[] = {
    {100, Kind::Generic, "HALVENMARK", "DEVICE", 0},
    {101, Kind::Receiver, "6 CHANNEL", "RECEIVER", 6},
    {102, Kind::Receiver, "8 CHANNEL", "RECEIVER", 8},
    {103, Kind::Receiver, "10 CHANNEL", "RECEIVER", 10},
    {104, Kind::Receiver, "3 CHANNEL", "RECEIVER RGB LED", 3},
    {105, Kind::Satellite, "SATELLITE", "RECEIVER", 0},
    {201, Kind::Module, "FUTABA/HITEC", "MODULE", 0},
    {202, Kind::Module, "JR", "MODULE", 0},
    {203, Kind::Module, "UNIVERSAL", "MODULE", 0},
    {204, Kind::Module, "MULTIPLEX EVO", "MODULE", 0},
    {205, Kind::Module, "M8/M11", "MODULE", 0},
    {206, Kind::Module, "MULTIPLEX PROFI", "MODULE", 0},
    {207, Kind::Module, "GRAUPNER MCXX", "MODULE", 0},
    {208, Kind::Module, "GRAUPNER MX-24", "MODULE", 0},
    {209, Kind::Module, "GRAUPNER MX-16", "TRANSMITTER", 0},
    {210, Kind::Module, "GRAUPNER XD6", "TRANSMITTER", 0},
    {211, Kind::Module, "TRANSMITTER", "MODULE", 0},
    {212, Kind::Module, "JR11X", "MODULE", 0},
    {300, Kind::Expander, "TANDEM", "EXPANDER", 12},
};

constexpr Color kBackground{232, 238, 244};
constexpr Color kBody{52, 58, 70};
constexpr Color kEdge{20, 24, 30};
constexpr Color kLabel{250, 250, 250};
constexpr Color kPin{212, 170, 60};
constexpr Color kAccent{40, 120, 200};
constexpr Color kInk{25, 30, 40};

void drawPins(Canvas& canvas, int x, int y, int count) {
    for (int i = 0; i < count; ++i) {
        canvas.fillRect(x + i * 7, y, 3, 10, kPin);
    }
}

void drawDevice(Canvas& canvas, const Picture& picture) {
    switch (picture.kind) {
        case Kind::Generic:
            canvas.fillRect(45, 18, 70, 52, kBody);
            canvas.frameRect(45, 18, 70, 52, kEdge);
            canvas.text(68, 30, "?", kLabel, 4);
            break;
        case Kind::Receiver: {
            const int width = std::max(60, picture.pins * 7 + 16);
            const int x = (160 - width) / 2;
            canvas.fillRect(x, 30, width, 40, kBody);
            canvas.frameRect(x, 30, width, 40, kEdge);
            drawPins(canvas, x + 8, 20, picture.pins);
            canvas.line(x + width - 6, 30, x + width + 8, 6, kEdge);  // antenna
            canvas.text(x + 6, 44, "RX", kLabel, 2);
            break;
        }
        case Kind::Satellite:
            canvas.fillRect(55, 34, 50, 30, kBody);
            canvas.frameRect(55, 34, 50, 30, kEdge);
            canvas.line(100, 34, 130, 8, kEdge);
            canvas.line(60, 34, 30, 8, kEdge);
            canvas.text(64, 42, "SAT", kLabel, 2);
            break;
        case Kind::Module:
            canvas.fillRect(50, 20, 60, 52, kBody);
            canvas.frameRect(50, 20, 60, 52, kEdge);
            canvas.fillRect(74, 4, 12, 16, kEdge);  // antenna socket
            canvas.disc(80, 4, 4, kAccent);
            canvas.text(62, 38, "TX", kLabel, 3);
            break;
        case Kind::Expander:
            canvas.fillRect(30, 30, 100, 40, kBody);
            canvas.frameRect(30, 30, 100, 40, kEdge);
            drawPins(canvas, 38, 20, picture.pins);
            canvas.text(42, 44, "EXP", kLabel, 2);
            break;
    }
}

std::vector<std::uint8_t> pictureBmp(const Picture& picture) {
    Canvas canvas(160, 120, kBackground);
    drawDevice(canvas, picture);
    canvas.text((160 - Canvas::textWidth(picture.line1)) / 2, 84, picture.line1, kInk);
    canvas.text((160 - Canvas::textWidth(picture.line2)) / 2, 96, picture.line2, kInk);
    canvas.text(160 - Canvas::textWidth(std::to_string(picture.id)) - 3, 111,
                std::to_string(picture.id), kAccent);
    return canvas.bmp();
}

}  // namespace

std::uint8_t placeholderVersion(int imageId) {
    return static_cast<std::uint8_t>(0x20 + imageId % 10);
}

std::vector<PlaceholderFile> makePlaceholders() {
    std::vector<PlaceholderFile> files;
    for (const catalogue::StoreSlot& slot : catalogue::kStoreLayout) {
        if (slot.type != ResourceType::Jpg) {
            continue;
        }
        const bool auxiliary =
            slot.id == routes::kAuxA.auxResId || slot.id == routes::kAuxB.auxResId;
        // Auxiliary images are stored as they are written, without encoding.
        files.push_back(
            {ResourceType::Jpg, slot.id, catalogue::resourcePath(ResourceType::Jpg, slot.id),
             auxiliary ? auxPayload(slot.id, slot.bytes)
                       : codec::encode(firmwarePayload(slot.id),
                                       static_cast<std::uint32_t>(slot.id), slot.bytes)});
    }
    for (const Picture& picture : kPictures) {
        files.push_back({ResourceType::Bitmap, picture.id,
                         catalogue::resourcePath(ResourceType::Bitmap, picture.id),
                         pictureBmp(picture)});
    }
    return files;
}

}  // namespace halvenmark::tools
