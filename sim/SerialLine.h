#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "sim/LineFaults.h"
#include "sim/SerialPeer.h"

namespace halvenmark::sim {

// The serial line between an adapter and the device, the one model of it that the simulated
// adapter (on its virtual clock) and the emulated chip (on the real one) share: bytes in flight
// at the line rate, the Serial Link's echo, the device's reply after its processing time, and the
// line's faults (a reply dropped or changed, a reply split by a pause longer than the program's
// read time-out, so that each part costs a read that times out on every adapter alike).
//
// It keeps no clock: each frame goes out at a time the adapter gives, and the line answers with
// the bursts of bytes that come back and when each arrives; the adapter turns them into what
// its host sees (the latency timer, USB packets).
class SerialLine {
  public:
    using Duration = std::chrono::nanoseconds;  // on the adapter's clock

    // What comes back together, without a pause: byte i has come in by `firstIn + byteTime(i)`
    // after the first.
    struct Burst {
        std::vector<std::uint8_t> bytes;
        Duration firstIn{0};  // when the first byte's last bit has come in
        Duration lastIn{0};   // when the last byte's has
    };

    // The pause between the parts of a split reply.
    static constexpr Duration kSplitPause = std::chrono::milliseconds(375);

    // `timeOf(n)`: how long n bytes take on the line at its present rate (the adapter knows its
    // rate's granularity).
    using TimeOf = std::function<Duration(std::size_t bytes)>;

    SerialLine(TimeOf timeOf, bool echoes) : timeOf_(std::move(timeOf)), echoes_(echoes) {}

    void setDevice(SerialPeer* device) { device_ = device; }
    void setFaults(LineFaults* faults) { faults_ = faults; }
    void setEchoes(bool echoes) { echoes_ = echoes; }
    // Every reply comes back in `parts` parts, a split pause apart (tests of the receive loop).
    void setReplyParts(int parts) { replyParts_ = parts; }
    // The next echo comes back `bytes` short.
    void shortenNextEcho(int bytes) { echoShortfall_ = bytes; }

    // Puts `frame` on the line no earlier than `now`. The device hears it when `deviceHears`
    // (the adapter's pins and rate allow it); its reply, after the line's faults, follows.
    std::vector<Burst> send(std::span<const std::uint8_t> frame, Duration now, bool deviceHears);

    Duration wireTime() const { return wire_; }
    // When the line is free again: the end of the last byte sent or coming back.
    Duration freeAt() const { return freeAt_; }
    // The line starts afresh (the adapter is closed or plugged in again).
    void reset() { freeAt_ = Duration{0}; }

  private:
    TimeOf timeOf_;
    bool echoes_;
    SerialPeer* device_ = nullptr;
    LineFaults* faults_ = nullptr;
    int replyParts_ = 1;
    int echoShortfall_ = 0;
    Duration freeAt_{0};
    Duration wire_{0};
};

}  // namespace halvenmark::sim
