#include "tools/bench/BenchOptions.h"

#include <charconv>
#include <cstdio>
#include <map>

#include "sim/AdapterNames.h"

namespace halvenmark::bench {

namespace {

const std::map<std::string, ButtonIndex> kActions{
    {"find", kFindDeviceButton},
    {"flash", kFlashDeviceButton},
    {"abort", kAbortFlashButton},
    {"ok", kOkButton},
};

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) {
            return parts;
        }
        start = end + 1;
    }
}

// Decimal or 0x hexadecimal, up to `max`.
std::optional<std::uint64_t> number(const std::string& text, std::uint64_t max) {
    std::uint64_t value = 0;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* first = text.data() + (hex ? 2 : 0);
    const char* last = text.data() + text.size();
    const auto result = std::from_chars(first, last, value, hex ? 16 : 10);
    if (text.empty() || result.ec != std::errc() || result.ptr != last || value > max) {
        return std::nullopt;
    }
    return value;
}

std::string hexByte(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

}  // namespace

std::optional<BenchOptions> parseOptions(const std::vector<std::string>& args, std::string& error) {
    BenchOptions options;
    auto needValue = [&](std::size_t& i) -> std::optional<std::string> {
        if (i + 1 >= args.size()) {
            error = args[i] + " needs a value";
            return std::nullopt;
        }
        return args[++i];
    };
    auto byteValue = [&](const std::string& option,
                         const std::string& text) -> std::optional<std::uint8_t> {
        const auto value = number(text, 0xFF);
        if (!value) {
            error = option + " takes a byte (decimal or 0x hexadecimal), not '" + text + "'";
            return std::nullopt;
        }
        return static_cast<std::uint8_t>(*value);
    };
    auto bytePair = [&](const std::string& option, const std::string& text, std::uint8_t& a,
                        std::uint8_t& b) {
        const auto parts = split(text, ',');
        if (parts.size() != 2) {
            error = option + " takes two bytes A,B";
            return false;
        }
        const auto first = byteValue(option, parts[0]);
        const auto second = first ? byteValue(option, parts[1]) : std::nullopt;
        if (!second)
            return false;
        a = *first;
        b = *second;
        return true;
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--trace") {
            options.trace = true;
        } else if (arg == "--memory") {
            options.memory = true;
        } else if (arg == "--timing") {
            options.timing = true;
        } else if (arg == "--refuse-placeholders") {
            options.refusePlaceholders = true;
        } else if (arg == "--usb") {
            options.usb = true;
        } else if (arg == "--usb-fault") {
            const auto value = needValue(i);
            if (!value)
                return std::nullopt;
            const auto fault = sim::usb::parseUsbFault(*value, error);
            if (!fault)
                return std::nullopt;
            options.usbFaults.push_back(*fault);
        } else if (arg == "--no-device") {
            options.rig.deviceAttached = false;
        } else if (arg == "--adapter") {
            const auto value = needValue(i);
            if (!value)
                return std::nullopt;
            options.rig.adapters.clear();
            if (*value != "none") {
                for (const std::string& name : split(*value, ',')) {
                    const std::string description = sim::adapterDescription(name);
                    if (description.empty()) {
                        error = "unknown adapter '" + name +
                                "' (programmer, telemetry, serial-link or none)";
                        return std::nullopt;
                    }
                    options.rig.adapters.push_back(description);
                }
            }
        } else if (arg == "--device" || arg == "--version" || arg == "--cpu") {
            const auto value = needValue(i);
            const auto parsed = value ? byteValue(arg, *value) : std::nullopt;
            if (!parsed)
                return std::nullopt;
            auto& device = options.rig.device;
            (arg == "--device"    ? device.identityCode
             : arg == "--version" ? device.version
                                  : device.cpu) = *parsed;
        } else if (arg == "--rf") {
            const auto value = needValue(i);
            if (!value ||
                !bytePair(arg, *value, options.rig.device.rfFirst, options.rig.device.rfSecond)) {
                return std::nullopt;
            }
        } else if (arg == "--memory-end") {
            const auto value = needValue(i);
            if (!value || !bytePair(arg, *value, options.rig.device.memoryEndVersion,
                                    options.rig.device.memoryEndCheck)) {
                return std::nullopt;
            }
        } else if (arg == "--seed" || arg == "--program-us") {
            const auto value = needValue(i);
            const auto parsed = value ? number(*value, 0xFFFFFFFF) : std::nullopt;
            if (!parsed) {
                error = arg + " takes a whole number";
                return std::nullopt;
            }
            if (arg == "--seed") {
                options.rig.device.seed = static_cast<std::uint32_t>(*parsed);
            } else {
                options.rig.device.programmingTime = std::chrono::microseconds(*parsed);
            }
        } else if (arg == "--fault") {
            const auto value = needValue(i);
            if (!value)
                return std::nullopt;
            const auto fault = sim::parseFault(*value, error);
            if (!fault)
                return std::nullopt;
            options.rig.faults.push_back(*fault);
        } else if (arg == "--firmware") {
            const auto value = needValue(i);
            if (!value)
                return std::nullopt;
            options.firmware = *value;
        } else if (arg == "--screenshots") {
            const auto value = needValue(i);
            if (!value)
                return std::nullopt;
            options.screenshots = *value;
        } else if (const auto action = kActions.find(arg); action != kActions.end()) {
            options.actions.push_back({arg, action->second});
        } else {
            error = "unknown option or action '" + arg + "'";
            return std::nullopt;
        }
    }
    if (options.actions.empty()) {
        options.actions = {{"find", kFindDeviceButton}, {"flash", kFlashDeviceButton}};
    }
    return options;
}

std::string describe(const BenchOptions& options) {
    std::string text = "--adapter ";
    if (options.rig.adapters.empty()) {
        text += "none";
    }
    for (std::size_t i = 0; i < options.rig.adapters.size(); ++i) {
        if (i > 0) {
            text += ',';  // appended apart: GCC 12 warns (-Wrestrict, wrongly) on "," + string
        }
        text += sim::adapterName(options.rig.adapters[i]);
    }
    const auto& device = options.rig.device;
    text += " --device " + hexByte(device.identityCode) + " --version " + hexByte(device.version) +
            " --cpu " + std::to_string(device.cpu) + " --rf " + hexByte(device.rfFirst) + "," +
            hexByte(device.rfSecond) + " --memory-end " + hexByte(device.memoryEndVersion) + "," +
            hexByte(device.memoryEndCheck) + " --seed " + std::to_string(device.seed);
    if (!options.rig.deviceAttached) {
        text += " --no-device";
    }
    for (const sim::Fault& fault : options.rig.faults) {
        text += " --fault " + sim::describeFault(fault);
    }
    if (options.refusePlaceholders) {
        text += " --refuse-placeholders";
    }
    if (options.firmware) {
        text += " --firmware " + *options.firmware;
    }
    if (options.usb) {
        text += " --usb";
    }
    for (const sim::usb::UsbFault& fault : options.usbFaults) {
        text += " --usb-fault " + sim::usb::describeUsbFault(fault);
    }
    for (const Action& action : options.actions) {
        text += " " + action.name;
    }
    return text;
}

}  // namespace halvenmark::bench
