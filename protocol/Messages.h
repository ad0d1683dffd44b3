#pragma once

#include <string_view>

// Every text the updater shows, in one place. Spaces inside them are part of the text.
namespace halvenmark::text {

// Window.
constexpr std::string_view kCaptionPrefix = "Halvenmark\u00AE Firmware Updater v";
constexpr std::string_view kDefaultStatus = "Put device in programming mode and click button below";
constexpr std::string_view kFindDevice = "Find Device";
constexpr std::string_view kFlashDevice = "Flash Device";
constexpr std::string_view kAbortFlash = "Abort Flash";
constexpr std::string_view kOk = "Ok!";
constexpr std::string_view kAlreadyRunning = " already running! ";
constexpr std::string_view kAdapterNotFound = "Serial Link, HMU, or Telemetry Station not found!";
constexpr std::string_view kHardwareNotPresent = "Hardware Not Present";

// What a screen reader says of the window's controls besides their text.
constexpr std::string_view kStatusDescription = "Status";
constexpr std::string_view kDeviceNameDescription = "Device name";
constexpr std::string_view kFlashProgressName = "Flash progress";
constexpr std::string_view kGenericPictureName = "Generic device picture";
constexpr std::string_view kDevicePicturePrefix = "Picture of the ";

// Identification.
constexpr std::string_view kCheckingDevice = "Checking Device...";
constexpr std::string_view kNoDevice = "No device detected!";
constexpr std::string_view kCheckDeviceTitle = "Check Device";
constexpr std::string_view kReadingError = "Error reading device!";
constexpr std::string_view kReadErrorTitle = "Read Error";
constexpr std::string_view kUsbFailure = "USB Connection Failure!";
constexpr std::string_view kUsbErrorTitle = "USB Error";
constexpr std::string_view kNoFlashableCpu = "This device does not have a flashable CPU!";
constexpr std::string_view kCpuErrorTitle = "CPU Error!";
constexpr std::string_view kRfFirmwareNeeded = "This device requires v3.x RF firmware upgrade!";
constexpr std::string_view kRfFirmwareTitle = "RF Firmware Failure!";
constexpr std::string_view kNotSupported = "Device not currently supported for upgrading!";
constexpr std::string_view kNotSupportedTitle = "Device not supported!";
constexpr std::string_view kUpgradingTo = "  -  Upgrading to: v";
constexpr std::string_view kUnknownVersion = "?.?";
constexpr std::string_view kSatelliteCategory = "Satellite Receiver: v";
constexpr std::string_view kExpanderCategory = "Expander: v";
constexpr std::string_view kReceiverCategory = "Receiver: v";
constexpr std::string_view kTransmitterCategory = "Transmitter: v";

// Flashing.
constexpr std::string_view kFlashingDevice = "Flashing device...";
constexpr std::string_view kFlashComplete = "Flash Complete!";
constexpr std::string_view kWriteErrorCorrupted = "Device write error!  Data is corrupted!";
constexpr std::string_view kWriteErrorCannotFlash =
    "Device write error!  Device can not be flashed - data is corrupted!";
constexpr std::string_view kVerifyErrorCorrupted = "Device verify error!  Data is corrupted!";
constexpr std::string_view kCommunicationError =
    "Device communication error - Corruption possible!";
constexpr std::string_view kCheckConnection = "Check HMU/Telemetry Station for proper connection.";
constexpr std::string_view kCannotBeFlashed = "This device can not be flashed!";
constexpr std::string_view kWriteFailureTitle = "Write Failure!";
constexpr std::string_view kReadFailureTitle = "Read Failure!";
constexpr std::string_view kUpdateFailureTitle = "Update Failure!";
constexpr std::string_view kCommunicationFailureTitle = "Communication Failure!";

// Firmware packs: the product's images supplied beside the program.
constexpr std::string_view kPackRefusedTitle = "Firmware Pack Refused";
constexpr std::string_view kPackRefused =
    "This firmware pack cannot be used, and no device has been touched:";
constexpr std::string_view kPackRefusedAdvice =
    "Get a complete copy of the pack from its maker, or remove it to use the built-in images.";

}  // namespace halvenmark::text
