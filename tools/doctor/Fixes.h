#pragma once

// The commands the connection doctor gives for each problem. The README's troubleshooting gives
// the same ones (a test holds the two to it).
namespace halvenmark::doctor::fix {

constexpr const char* kListFtdiDevices = "lsusb | grep 0403";
// The package installs the udev rule; a missing one comes back with the package.
constexpr const char* kInstallRule = "sudo apt install --reinstall halvenmark-updater";
constexpr const char* kReloadRules = "sudo udevadm control --reload-rules && sudo udevadm trigger";
constexpr const char* kJoinPlugdev = "sudo usermod -aG plugdev $USER";
constexpr const char* kEndHolder = "kill PID";
constexpr const char* kUnloadSerialDriver = "sudo rmmod ftdi_sio";
constexpr const char* kStopBrltty = "sudo systemctl stop brltty-udev.service brltty.service";
constexpr const char* kRemoveBrltty = "sudo apt remove brltty";
constexpr const char* kCbus2IoMode = "halvenmark-doctor --fix-cbus";
constexpr const char* kCheckPack = "halvenmark-updater --check-firmware PACK";
constexpr const char* kInstallPack = "halvenmark-updater --install-firmware PACK";

// Every command above, for the test that finds each in the README.
constexpr const char* kAll[] = {kListFtdiDevices, kInstallRule,        kReloadRules, kJoinPlugdev,
                                kEndHolder,       kUnloadSerialDriver, kStopBrltty,  kRemoveBrltty,
                                kCbus2IoMode,     kCheckPack,          kInstallPack};

}  // namespace halvenmark::doctor::fix
