#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "sim/LineFaults.h"
#include "sim/SerialLine.h"
#include "sim/SerialPeer.h"
#include "sim/usb/Ft232r.h"
#include "sim/usb/UsbDevice.h"

namespace halvenmark::sim::usb {

// What is wrong with the chip itself.
struct ChipFaults {
    int eepromRefusesFrom = -1;              // the first word whose write the EEPROM refuses, or -1
    bool badEepromChecksum = false;          // its EEPROM's checksum word does not hold
    bool latencyUnread = false;              // its latency timer reads back no more once set
    std::uint16_t release = kFt232rRelease;  // bcdDevice: another value makes it another chip
};

// What stands behind the chip's serial pins.
struct SerialSide {
    SerialPeer* device = nullptr;  // nullptr: nothing answers
    LineFaults* faults = nullptr;
    std::mutex* lock = nullptr;  // guards device and faults, which the bench's presses also touch
    double deviceBaud = 0;       // the rate the device's loader listens at
    bool echoes = false;         // a one-wire line: every byte sent comes straight back
};

// An FT232R USB serial chip in real time. It answers libftdi's vendor requests as the chip does
// (baud divisor, line properties, flow control, CBUS bit-bang, latency timer, modem status,
// purges, EEPROM reads and writes), puts bulk OUT data on its serial line at the programmed rate
// and returns what arrives in 64-byte IN packets, each headed by the two status bytes: a full
// packet as soon as 62 bytes are there, otherwise whatever is there (perhaps nothing) when the
// latency timer, restarted by every packet sent, runs out.
//
// The device behind the line hears a frame only when the line runs at its rate (within 3 %),
// as 8N1, and while CBUS pin 2 is driven low, which needs the EEPROM to put that pin in I/O
// mode: otherwise it answers nothing, as a real device would.
class FtdiChip : public UsbDevice {
  public:
    using Clock = std::chrono::steady_clock;

    enum class Pin2 { Released, High, Low };

    FtdiChip(ChipIdentity identity, std::uint8_t cbus2Function, SerialSide line,
             ChipFaults faults = {});
    ~FtdiChip() override;
    FtdiChip(const FtdiChip&) = delete;
    FtdiChip& operator=(const FtdiChip&) = delete;

    // Stops answering IN transfers (its clock stops); the destructor does it too.
    void stop();

    // Unplugged and plugged in again: the chip starts afresh from its EEPROM (which keeps what
    // was written to it), its CBUS pins taking the functions the EEPROM now gives them.
    void powerCycle();

    std::vector<std::uint8_t> eeprom() const;

    ControlAnswer control(const SetupPacket& setup, std::span<const std::uint8_t> dataOut) override;
    void bulkOut(std::span<const std::uint8_t> data) override;
    void bulkIn(UrbId id, int length, InCompletion& sink) override;
    void cancelIn(UrbId id) override;

    // What the host programmed, for tests.
    double baudRate() const;
    std::uint16_t lineProperties() const;
    std::uint16_t flowControl() const;
    std::uint8_t latencyMs() const;
    std::vector<Pin2> pin2History() const;  // every change of CBUS pin 2, from Released
    std::int64_t framesSent() const;
    std::int64_t dataPackets() const;  // IN packets that carried data
    std::int64_t inTransfers() const;

  private:
    struct Arriving {
        std::uint8_t value;
        Clock::time_point at;  // when the byte has come in from the line
    };
    struct PendingIn {
        UrbId id;
        int length;
        InCompletion* sink;
        std::vector<std::uint8_t> bytes;
    };

    ControlAnswer vendorRequest(const SetupPacket& setup);
    ControlAnswer writeEepromLocked(std::uint16_t address, std::uint16_t value);
    void startFromEepromLocked();
    void setBitMode(std::uint8_t mask, std::uint8_t mode);
    bool deviceHears() const;
    Clock::duration byteTime() const;
    std::size_t arrivedBy(Clock::time_point t) const;
    // Adds the packets the chip sends now; true when the transfer is complete.
    bool servePacketsLocked(PendingIn& in, Clock::time_point now);
    Clock::time_point nextEventLocked() const;
    void appendPacketLocked(PendingIn& in, std::size_t dataBytes, Clock::time_point now);
    void clockLoop();

    const ChipIdentity identity_;
    const SerialSide line_;
    const ChipFaults faults_;
    SerialLine serial_;  // the line behind the pins, the one the simulated adapter models too

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;

    // The EEPROM, and the even word of a pair whose odd word has not come yet: the FT232R commits
    // its EEPROM in pairs of words, even then odd.
    std::vector<std::uint8_t> eeprom_;
    std::optional<std::pair<std::uint16_t, std::uint16_t>> heldWord_;
    bool cbus2Io_ = false;  // read from the EEPROM at power-up

    double baud_ = 9600;
    std::uint16_t lineProperties_ = kLine8N1;
    std::uint16_t flowControl_ = 0;
    std::uint8_t latencyMs_ = kDefaultLatencyMs;
    bool latencySet_ = false;
    Pin2 pin2_ = Pin2::Released;
    std::vector<Pin2> pin2History_{Pin2::Released};

    std::deque<Arriving> arriving_;
    Clock::time_point lastPacketAt_{};
    std::deque<PendingIn> pendingIn_;
    std::int64_t framesSent_ = 0;
    std::int64_t dataPackets_ = 0;
    std::int64_t inTransfers_ = 0;

    std::thread clock_;  // last: starts once everything above is ready
};

}  // namespace halvenmark::sim::usb
