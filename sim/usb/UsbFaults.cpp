#include "sim/usb/UsbFaults.h"

#include <array>
#include <charconv>

#include "sim/AdapterNames.h"

namespace halvenmark::sim::usb {

namespace {

enum class Value { None, Count, Text };

struct KindName {
    std::string_view name;
    UsbFaultKind kind;
    Value value;
};

constexpr std::array<KindName, 11> kKinds{{
    {"no-permission", UsbFaultKind::NoPermission, Value::None},
    {"kernel-driver", UsbFaultKind::KernelDriver, Value::None},
    {"busy", UsbFaultKind::Busy, Value::None},
    {"unplug-after", UsbFaultKind::UnplugAfter, Value::Count},
    {"cbus-not-io", UsbFaultKind::CbusNotIo, Value::None},
    {"product", UsbFaultKind::Product, Value::Text},
    {"eeprom-refuses", UsbFaultKind::EepromRefuses, Value::Count},
    {"bad-eeprom-checksum", UsbFaultKind::BadEepromChecksum, Value::None},
    {"other-chip", UsbFaultKind::OtherChip, Value::None},
    {"claim-fails", UsbFaultKind::ClaimFails, Value::None},
    {"latency-unread", UsbFaultKind::LatencyUnread, Value::None},
}};

}  // namespace

std::optional<UsbFault> parseUsbFault(std::string_view text, std::string& error) {
    UsbFault fault{};
    // A product text may hold colons itself: only a known adapter name after the last one scopes.
    if (const auto colon = text.rfind(':'); colon != std::string_view::npos) {
        const std::string description = adapterDescription(text.substr(colon + 1));
        if (!description.empty()) {
            fault.adapter = description;
            text = text.substr(0, colon);
        } else if (text.substr(0, text.find('=')) != "product") {
            error = "a USB fault acts on programmer, telemetry or serial-link, not '" +
                    std::string(text.substr(colon + 1)) + "'";
            return std::nullopt;
        }
    }
    const auto equals = text.find('=');
    const std::string_view name = text.substr(0, equals);
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view{} : text.substr(equals + 1);
    const KindName* kind = nullptr;
    for (const KindName& k : kKinds) {
        if (k.name == name)
            kind = &k;
    }
    if (kind == nullptr) {
        error = "unknown USB fault '" + std::string(name) + "'";
        return std::nullopt;
    }
    fault.kind = kind->kind;
    if ((equals != std::string_view::npos) != (kind->value != Value::None)) {
        error = "USB fault '" + std::string(name) +
                (kind->value == Value::None ? "' takes no value" : "' needs a value");
        return std::nullopt;
    }
    if (kind->value == Value::Count) {
        const auto result = std::from_chars(value.data(), value.data() + value.size(), fault.count);
        if (value.empty() || result.ec != std::errc() ||
            result.ptr != value.data() + value.size() || fault.count < 0) {
            error = "USB fault '" + std::string(name) + "' needs a count, not '" +
                    std::string(value) + "'";
            return std::nullopt;
        }
    }
    if (kind->value == Value::Text) {
        if (value.empty() || value.size() > kLongestProduct) {
            error = "USB fault 'product' needs a text of 1 to " + std::to_string(kLongestProduct) +
                    " characters (what the chip's EEPROM holds)";
            return std::nullopt;
        }
        fault.text = std::string(value);
    }
    return fault;
}

std::string describeUsbFault(const UsbFault& fault) {
    std::string text;
    for (const KindName& k : kKinds) {
        if (k.kind == fault.kind)
            text = std::string(k.name);
    }
    if (fault.kind == UsbFaultKind::UnplugAfter || fault.kind == UsbFaultKind::EepromRefuses) {
        text += '=';
        text += std::to_string(fault.count);
    } else if (fault.kind == UsbFaultKind::Product) {
        text += '=';
        text += fault.text;
    }
    if (!fault.adapter.empty()) {
        text += ':';
        text += adapterName(fault.adapter);
    }
    return text;
}

bool actsOn(const UsbFault& fault, std::string_view description) {
    return fault.adapter.empty() || fault.adapter == description;
}

}  // namespace halvenmark::sim::usb
