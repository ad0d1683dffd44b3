#include "catalogue/Identification.h"

#include <algorithm>
#include <array>
#include <utility>

#include "catalogue/DeviceCatalogue.h"
#include "catalogue/ImageStore.h"
#include "catalogue/VersionCodes.h"
#include "protocol/Frames.h"
#include "protocol/Messages.h"

namespace halvenmark {

namespace {

constexpr int kIdentityAddress = 0x0010;
constexpr int kIdentityReplyBytes = 12;
constexpr int kIdentityCodePosition = 3;
constexpr int kVersionPosition = 5;
constexpr int kCpuPosition = 7;

constexpr int kMemoryEndBytes = 16;
constexpr int kMemoryEndReplyBytes = 18;
constexpr int kMemoryEndVersionPosition = 17;
constexpr int kMemoryEndCheckPosition = 18;
constexpr std::uint8_t kMemoryEndNoVersionCheck =
    0x0E;  // with 0 before it: keep the identity version

constexpr std::uint8_t kNoFlashableCpu = 13;
constexpr std::uint8_t kLastCpuWithVersionInIdentityBlock = 14;
constexpr std::size_t kImageVersionIndexInIdentityBlock = 34;

// RF firmware versions of the loader that can take an upgrade.
constexpr std::array<std::pair<std::uint8_t, std::uint8_t>, 4> kAcceptedRfPairs{
    {{0x20, 0x09}, {0x20, 0x13}, {0x20, 0x18}, {0x1F, 0xCF}}};

}  // namespace

void Identification::CheckDevice() {
    LinkState& st = s_.state;
    if (!purged())
        return;
    s_.view.setStatusText(text::kCheckingDevice);
    if (!frames::controlExchange(st, s_.link, frames::kWake)) {
        leave(Exit::NoDevice);
        return;
    }
    if (!readIdentity())
        return;

    st.PictureResId = catalogue::kGenericPictureId;
    st.FirmwareResId = 0;
    const DeviceTypeEntry* row = catalogue::lookup(st.DeviceTypeCode);
    if (row != nullptr) {
        st.DeviceTypeName = std::string(row->name);
        st.PictureResId = row->pictureId;
        st.FirmwareResId = row->imageId;
        st.ImageSize = row->imageSize;
        if (row->versionAtMemoryEnd && !readVersionAtMemoryEnd(row->imageSize))
            return;
    }

    if (!purged())
        return;
    if (st.IdReplyByte7 == kNoFlashableCpu) {
        leave(Exit::NoFlashableCpu);
        return;
    }
    if (!purged())
        return;
    if (!catalogue::skipsRfFirmwareCheck(st.DeviceTypeCode) && !checkRfFirmware())
        return;
    if (st.FirmwareResId == 0) {
        leave(Exit::NotSupported);
        return;
    }
    if (!prepareImage())
        return;
    showDevice();
}

bool Identification::purged() {
    s_.link.PurgeAdapter();
    if (s_.state.LinkStatus != ft::kOk) {
        leave(Exit::UsbFailure);
        return false;
    }
    return true;
}

void Identification::unscrambleReply(int lastPosition) {
    for (int position = frames::kFirstDataPosition; position <= lastPosition; ++position) {
        s_.state.RxBuffer.at(position) = UnscrambleByte(s_.state.RxBuffer.at(position));
    }
}

bool Identification::readIdentity() {
    LinkState& st = s_.state;
    frames::putReadMemory(st, kIdentityAddress);
    if (!frames::exchange(st, s_.link, kIdentityReplyBytes)) {
        leave(Exit::ReadError);
        return false;
    }
    // Whatever the loader sent beyond the twelve bytes read is thrown away here.
    if (!purged())
        return false;
    unscrambleReply(kIdentityReplyBytes);
    if (!frames::hasReadHeader(st)) {
        leave(Exit::ReadError);
        return false;
    }
    st.DeviceTypeCode = st.RxBuffer.at(kIdentityCodePosition);
    st.IdReplyByte5 = st.RxBuffer.at(kVersionPosition);
    st.IdReplyByte7 = st.RxBuffer.at(kCpuPosition);
    return true;
}

bool Identification::readVersionAtMemoryEnd(int imageSize) {
    LinkState& st = s_.state;
    frames::putReadMemory(st, 2 * imageSize - kMemoryEndBytes);
    if (!frames::exchange(st, s_.link, kMemoryEndReplyBytes)) {
        leave(Exit::ReadError);
        return false;
    }
    unscrambleReply(kMemoryEndReplyBytes);
    if (!frames::hasReadHeader(st)) {
        leave(Exit::ReadError);
        return false;
    }
    const std::uint8_t candidate = st.RxBuffer.at(kMemoryEndVersionPosition);
    const std::uint8_t check = st.RxBuffer.at(kMemoryEndCheckPosition);
    if (!(candidate == 0 && check == kMemoryEndNoVersionCheck)) {
        st.IdReplyByte5 = candidate;
    }
    return true;
}

bool Identification::checkRfFirmware() {
    LinkState& st = s_.state;
    if (!frames::controlExchange(st, s_.link, frames::kInfo)) {
        leave(Exit::ReadError);
        return false;
    }
    const std::pair<std::uint8_t, std::uint8_t> pair{st.RxBuffer.at(frames::kInfoFirstRfPosition),
                                                     st.RxBuffer.at(frames::kInfoSecondRfPosition)};
    if (std::find(kAcceptedRfPairs.begin(), kAcceptedRfPairs.end(), pair) ==
        kAcceptedRfPairs.end()) {
        leave(Exit::RfFirmware);
        return false;
    }
    return true;
}

// A device whose image, auxiliary image or picture the program does not carry is refused before
// anything of it is shown, and no version is read from an image that did not load.
bool Identification::prepareImage() {
    LinkState& st = s_.state;
    LoadFirmwareImage(st, s_.store);
    const int aux = auxImageOf_ != nullptr ? auxImageOf_(st.FirmwareResId) : 0;
    if (st.OperationFailed != 0 || (aux != 0 && !s_.store.find(ResourceType::Jpg, aux)) ||
        !s_.store.find(ResourceType::Bitmap, st.PictureResId)) {
        leave(Exit::NotSupported);
        return false;
    }
    return true;
}

void Identification::showDevice() {
    LinkState& st = s_.state;
    s_.view.setPicture(st.PictureResId);
    s_.view.setDeviceName(st.DeviceTypeName);

    const std::size_t versionIndex = st.IdReplyByte7 <= kLastCpuWithVersionInIdentityBlock
                                         ? kImageVersionIndexInIdentityBlock
                                         : static_cast<std::size_t>(2 * st.ImageSize - 2);
    st.IdWorkValue = UnscrambleByte(st.ImageData.at(versionIndex));
    st.DeviceVersionText = versionText(st.IdReplyByte5);
    st.ImageVersionText = versionText(st.IdWorkValue);
    st.DeviceVersionText = std::string(catalogue::categoryWord(st.DeviceTypeCode)) +
                           st.DeviceVersionText + std::string(text::kUpgradingTo) +
                           st.ImageVersionText;
    s_.view.setStatusText(st.DeviceVersionText);

    s_.view.setButtonVisible(kFindDeviceButton, false);
    s_.view.setButtonVisible(kFlashDeviceButton, true);
    s_.view.setButtonVisible(kAbortFlashButton, true);
    s_.view.setButtonEnabled(kFlashDeviceButton, true);
    s_.view.setButtonEnabled(kAbortFlashButton, true);
}

void Identification::leave(Exit exit) {
    struct ExitText {
        std::string_view text;
        std::string_view title;
        bool setsFailure;
    };
    auto describe = [](Exit e) -> ExitText {
        switch (e) {
            case Exit::NoDevice:
                return {text::kNoDevice, text::kCheckDeviceTitle, true};
            case Exit::ReadError:
                return {text::kReadingError, text::kReadErrorTitle, true};
            case Exit::UsbFailure:
                return {text::kUsbFailure, text::kUsbErrorTitle, false};
            case Exit::NoFlashableCpu:
                return {text::kNoFlashableCpu, text::kCpuErrorTitle, false};
            case Exit::RfFirmware:
                return {text::kRfFirmwareNeeded, text::kRfFirmwareTitle, true};
            case Exit::NotSupported:
                return {text::kNotSupported, text::kNotSupportedTitle, true};
        }
        return {text::kReadingError, text::kReadErrorTitle, true};
    };
    const ExitText shown = describe(exit);
    if (exit == Exit::UsbFailure) {
        // The adapter is gone: close the window (which closes the adapter) before telling the
        // user; the program ends once the box is dismissed.
        s_.view.closeWindow();
    }
    s_.report(shown.text, shown.title);
    if (shown.setsFailure) {
        s_.state.OperationFailed = -1;
    }
}

}  // namespace halvenmark
