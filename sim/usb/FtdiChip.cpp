#include "sim/usb/FtdiChip.h"

#include "link/FtdiEeprom.h"

#include <algorithm>
#include <cmath>

namespace halvenmark::sim::usb {

namespace {

constexpr int kBitsPerByte = 10;             // start bit, 8 data bits, stop bit
constexpr double kBaudTolerance = 0.03;      // what a UART's sampling still reads correctly
constexpr std::uint8_t kModemStatus = 0x11;  // CTS asserted (the device side drives it)
constexpr std::uint8_t kLineStatus = 0x60;  // transmitter holding register and shift register empty
constexpr std::uint8_t kGetStatus = 0x00;
constexpr std::uint8_t kGetDescriptor = 0x06;
constexpr std::uint8_t kDeviceDescriptorType = 1;
constexpr std::uint8_t kConfigurationDescriptorType = 2;
constexpr std::uint8_t kStringDescriptorType = 3;
constexpr std::size_t kDeviceDescriptorBytes = 18;

constexpr std::uint8_t kCbus2Direction = 0x40;  // in the CBUS bit-bang mask
constexpr std::uint8_t kCbus2Level = 0x04;

ControlAnswer stall() {
    return {true, {}};
}

ControlAnswer answer(std::vector<std::uint8_t> data, std::uint16_t length) {
    if (data.size() > length) {
        data.resize(length);
    }
    return {false, std::move(data)};
}

}  // namespace

FtdiChip::FtdiChip(ChipIdentity identity, std::uint8_t cbus2Function, SerialSide line,
                   ChipFaults faults)
    : identity_(std::move(identity)),
      line_(line),
      faults_(faults),
      serial_(
          [this](std::size_t bytes) {
              return std::chrono::duration_cast<SerialLine::Duration>(byteTime() *
                                                                      static_cast<long>(bytes));
          },
          line.echoes),
      eeprom_(ft232rEeprom(identity_, cbus2Function)),
      clock_([this] { clockLoop(); }) {
    serial_.setDevice(line.device);
    serial_.setFaults(line.faults);
    std::lock_guard lock(mutex_);
    if (faults_.badEepromChecksum) {
        eeprom_[kEepromBytes - 1] ^= 0x01;
    }
    startFromEepromLocked();
}

void FtdiChip::startFromEepromLocked() {
    cbus2Io_ = ftdi::cbus2Function(eeprom_, ftdi::EepromChip::Ft232r) == kCbusIoMode;
}

void FtdiChip::powerCycle() {
    std::lock_guard lock(mutex_);
    baud_ = 9600;
    lineProperties_ = kLine8N1;
    flowControl_ = 0;
    latencyMs_ = kDefaultLatencyMs;
    latencySet_ = false;
    pin2_ = Pin2::Released;
    pin2History_.push_back(Pin2::Released);
    arriving_.clear();
    serial_.reset();
    heldWord_.reset();
    startFromEepromLocked();
}

std::vector<std::uint8_t> FtdiChip::eeprom() const {
    std::lock_guard lock(mutex_);
    return eeprom_;
}

ControlAnswer FtdiChip::writeEepromLocked(std::uint16_t address, std::uint16_t value) {
    const std::size_t words = kEepromBytes / 2;
    if (address >= words ||
        (faults_.eepromRefusesFrom >= 0 && address >= faults_.eepromRefusesFrom)) {
        return stall();
    }
    if (address % 2 == 0) {
        heldWord_ = std::pair(address, value);
        return {};
    }
    const auto put = [this](std::uint16_t at, std::uint16_t word) {
        eeprom_[2 * std::size_t{at}] = static_cast<std::uint8_t>(word & 0xFF);
        eeprom_[2 * std::size_t{at} + 1] = static_cast<std::uint8_t>(word >> 8);
    };
    if (heldWord_ && heldWord_->first == address - 1) {
        put(heldWord_->first, heldWord_->second);
    }
    put(address, value);
    heldWord_.reset();
    return {};
}

FtdiChip::~FtdiChip() {
    stop();
}

void FtdiChip::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (clock_.joinable()) {
        clock_.join();
    }
}

ControlAnswer FtdiChip::control(const SetupPacket& setup, std::span<const std::uint8_t>) {
    if (setup.isVendor()) {
        // A purge may fail by the line's faults, which the bench's presses share: line first.
        const bool purge = setup.request == request::kReset && setup.value != kResetSio;
        std::unique_lock<std::mutex> lineLock;
        if (purge && line_.lock != nullptr) {
            lineLock = std::unique_lock(*line_.lock);
        }
        if (purge && line_.faults != nullptr && line_.faults->purgeFails()) {
            return stall();
        }
        std::lock_guard lock(mutex_);
        return vendorRequest(setup);
    }
    if (setup.deviceToHost() && setup.request == kGetDescriptor) {
        const auto type = static_cast<std::uint8_t>(setup.value >> 8);
        const auto index = static_cast<std::uint8_t>(setup.value & 0xFF);
        const std::vector<std::uint8_t> all = ft232rDescriptors(faults_.release);
        if (type == kDeviceDescriptorType) {
            return answer({all.begin(), all.begin() + kDeviceDescriptorBytes}, setup.length);
        }
        if (type == kConfigurationDescriptorType) {
            return answer({all.begin() + kDeviceDescriptorBytes, all.end()}, setup.length);
        }
        if (type == kStringDescriptorType) {
            switch (index) {
                case 0:
                    return answer(languageDescriptor(), setup.length);
                case kManufacturerIndex:
                    return answer(stringDescriptor(identity_.manufacturer), setup.length);
                case kProductIndex:
                    return answer(stringDescriptor(identity_.product), setup.length);
                case kSerialIndex:
                    return answer(stringDescriptor(identity_.serial), setup.length);
                default:
                    return stall();
            }
        }
        return stall();
    }
    if (setup.deviceToHost() && setup.request == kGetStatus) {
        return answer({0, 0}, setup.length);
    }
    return setup.deviceToHost() ? stall() : ControlAnswer{};
}

ControlAnswer FtdiChip::vendorRequest(const SetupPacket& setup) {
    switch (setup.request) {
        case request::kReset:
            if (setup.value != kPurgeHostToLine) {
                arriving_.clear();  // what came from the line, also what is still coming
            }
            return {};
        case request::kModemControl:
        case request::kEventChar:
        case request::kErrorChar:
            return {};
        case request::kFlowControl:
            flowControl_ = static_cast<std::uint16_t>(setup.index & 0xFF00);
            return {};
        case request::kBaudRate:
            baud_ = baudRateOfDivisor(setup.value, setup.index);
            return {};
        case request::kLineProperties:
            lineProperties_ = setup.value;
            return {};
        case request::kModemStatus:
            return answer({kModemStatus, kLineStatus}, setup.length);
        case request::kSetLatencyTimer: {
            const auto milliseconds = static_cast<std::uint8_t>(setup.value & 0xFF);
            if (milliseconds == 0) {
                return stall();
            }
            latencyMs_ = milliseconds;
            latencySet_ = true;
            return {};
        }
        case request::kGetLatencyTimer:
            if (faults_.latencyUnread && latencySet_) {
                return stall();
            }
            return answer({latencyMs_}, setup.length);
        case request::kBitMode:
            setBitMode(static_cast<std::uint8_t>(setup.value & 0xFF),
                       static_cast<std::uint8_t>(setup.value >> 8));
            return {};
        case request::kReadPins:
            return answer({static_cast<std::uint8_t>(pin2_ == Pin2::Low ? 0x0B : 0x0F)},
                          setup.length);
        case request::kReadEeprom: {
            const std::size_t offset = (2 * std::size_t{setup.index}) % kEepromBytes;
            return answer({eeprom_[offset], eeprom_[offset + 1]}, setup.length);
        }
        case request::kWriteEeprom:
            return writeEepromLocked(setup.index, setup.value);
        case request::kEraseEeprom:
            return {};  // the FT232R's internal EEPROM has no erase: it takes the request, no more
        default:
            return stall();
    }
}

void FtdiChip::setBitMode(std::uint8_t mask, std::uint8_t mode) {
    Pin2 pin = Pin2::Released;  // the pin keeps the function its EEPROM gives it
    if (mode == kBitModeCbus && cbus2Io_ && (mask & kCbus2Direction) != 0) {
        pin = (mask & kCbus2Level) != 0 ? Pin2::High : Pin2::Low;
    }
    if (pin != pin2_) {
        pin2_ = pin;
        pin2History_.push_back(pin);
    }
}

bool FtdiChip::deviceHears() const {
    return line_.device != nullptr && pin2_ == Pin2::Low && lineProperties_ == kLine8N1 &&
           std::abs(baud_ - line_.deviceBaud) <= kBaudTolerance * line_.deviceBaud;
}

FtdiChip::Clock::duration FtdiChip::byteTime() const {
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(kBitsPerByte / baud_));
}

void FtdiChip::bulkOut(std::span<const std::uint8_t> data) {
    const std::vector<std::uint8_t> frame(data.begin(), data.end());
    std::unique_lock<std::mutex> lineLock;
    if (line_.lock != nullptr) {
        lineLock = std::unique_lock(*line_.lock);
    }
    {
        std::lock_guard lock(mutex_);
        ++framesSent_;
        const Clock::duration byte = byteTime();
        const auto now =
            std::chrono::duration_cast<SerialLine::Duration>(Clock::now().time_since_epoch());
        for (const SerialLine::Burst& burst : serial_.send(frame, now, deviceHears())) {
            const Clock::time_point first(
                std::chrono::duration_cast<Clock::duration>(burst.firstIn));
            for (std::size_t i = 0; i < burst.bytes.size(); ++i) {
                arriving_.push_back({burst.bytes[i], first + byte * static_cast<long>(i)});
            }
        }
    }
    wake_.notify_all();
}

void FtdiChip::bulkIn(UrbId id, int length, InCompletion& sink) {
    {
        std::lock_guard lock(mutex_);
        pendingIn_.push_back({id, length, &sink, {}});
    }
    wake_.notify_all();
}

void FtdiChip::cancelIn(UrbId id) {
    std::lock_guard lock(mutex_);
    std::erase_if(pendingIn_, [id](const PendingIn& in) { return in.id == id; });
}

std::size_t FtdiChip::arrivedBy(Clock::time_point t) const {
    std::size_t count = 0;
    while (count < arriving_.size() && arriving_[count].at <= t) {
        ++count;
    }
    return count;
}

void FtdiChip::appendPacketLocked(PendingIn& in, std::size_t dataBytes, Clock::time_point now) {
    in.bytes.push_back(kModemStatus);
    in.bytes.push_back(kLineStatus);
    for (std::size_t i = 0; i < dataBytes; ++i) {
        in.bytes.push_back(arriving_.front().value);
        arriving_.pop_front();
    }
    dataPackets_ += dataBytes > 0 ? 1 : 0;
    lastPacketAt_ = now;
}

bool FtdiChip::servePacketsLocked(PendingIn& in, Clock::time_point now) {
    for (;;) {
        const int room = in.length - static_cast<int>(in.bytes.size());
        if (room < kPacketBytes) {
            return true;  // the transfer's buffer is full
        }
        const std::size_t available = arrivedBy(now);
        if (available >= static_cast<std::size_t>(kPacketDataBytes)) {
            appendPacketLocked(in, kPacketDataBytes, now);  // a full packet goes at once
            continue;
        }
        if (now >= lastPacketAt_ + std::chrono::milliseconds(latencyMs_)) {
            appendPacketLocked(in, available, now);  // a short packet ends the transfer
            return true;
        }
        return false;
    }
}

FtdiChip::Clock::time_point FtdiChip::nextEventLocked() const {
    Clock::time_point next = lastPacketAt_ + std::chrono::milliseconds(latencyMs_);
    if (arriving_.size() >= static_cast<std::size_t>(kPacketDataBytes)) {
        next = std::min(next, arriving_[kPacketDataBytes - 1].at);
    }
    return next;
}

void FtdiChip::clockLoop() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (pendingIn_.empty()) {
            wake_.wait(lock);
            continue;
        }
        const Clock::time_point now = Clock::now();
        if (servePacketsLocked(pendingIn_.front(), now)) {
            PendingIn done = std::move(pendingIn_.front());
            pendingIn_.pop_front();
            ++inTransfers_;
            lock.unlock();
            done.sink->completeIn(done.id, std::move(done.bytes));
            lock.lock();
            continue;
        }
        wake_.wait_until(lock, nextEventLocked());
    }
}

double FtdiChip::baudRate() const {
    std::lock_guard lock(mutex_);
    return baud_;
}

std::uint16_t FtdiChip::lineProperties() const {
    std::lock_guard lock(mutex_);
    return lineProperties_;
}

std::uint16_t FtdiChip::flowControl() const {
    std::lock_guard lock(mutex_);
    return flowControl_;
}

std::uint8_t FtdiChip::latencyMs() const {
    std::lock_guard lock(mutex_);
    return latencyMs_;
}

std::vector<FtdiChip::Pin2> FtdiChip::pin2History() const {
    std::lock_guard lock(mutex_);
    return pin2History_;
}

std::int64_t FtdiChip::framesSent() const {
    std::lock_guard lock(mutex_);
    return framesSent_;
}

std::int64_t FtdiChip::dataPackets() const {
    std::lock_guard lock(mutex_);
    return dataPackets_;
}

std::int64_t FtdiChip::inTransfers() const {
    std::lock_guard lock(mutex_);
    return inTransfers_;
}

}  // namespace halvenmark::sim::usb
