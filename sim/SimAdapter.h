#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "link/FtDriver.h"
#include "sim/LineFaults.h"
#include "sim/SerialLine.h"
#include "sim/SerialPeer.h"

namespace halvenmark::sim {

enum class FtFunction {
    OpenEx,
    Close,
    Read,
    Write,
    Purge,
    SetBaudRate,
    SetBitMode,
    SetFlowControl,
    SetLatencyTimer,
    SetUSBParameters,
    SetDataCharacteristics,
    SetChars,
    SetTimeouts,
};

// Thrown by the simulated adapter when a run's simulated time passes its limit: the program
// under test has hung.
struct SimulatedHang {};

// The adapter as the driver sees it, without hardware: which of the three adapters are
// attached, the peer behind the serial line, a log of every call, and a virtual clock. A read
// that times out advances the clock by the read time-out and returns at once, so nothing waits
// in real time. The clock also models the line: 10 bits per byte at the configured baud rate,
// the latency timer before received bytes reach the host, and the peer's processing time.
class SimAdapter : public FtDriver {
  public:
    using Nanoseconds = std::chrono::nanoseconds;

    SimAdapter();
    SimAdapter(const SimAdapter&) = delete;
    SimAdapter& operator=(const SimAdapter&) = delete;

    void attach(std::string description) { attached_.insert(std::move(description)); }
    void setPeer(SerialPeer* peer) { line_.setDevice(peer); }
    void setLineFaults(LineFaults* faults) {
        lineFaults_ = faults;  // a purge that fails is the adapter's
        line_.setFaults(faults);
    }
    // The call log and the record of written frames (on by default).
    void setCallLogEnabled(bool enabled) { logCalls_ = enabled; }
    // Every call after the virtual clock has passed `limit` throws SimulatedHang.
    void setTimeLimit(Nanoseconds limit) { timeLimit_ = limit; }

    // The next `times` calls of `function` return `status`. An injected I/O error (4) on a read
    // still delivers the bytes, as the driver does; any other failing read delivers none.
    void injectStatus(FtFunction function, FtStatus status, int times = 1);
    // Every reply comes back in `parts` parts, each a read of its own.
    void setReplyParts(int parts) { line_.setReplyParts(parts); }
    // The Serial Link's next echo comes back `bytes` short.
    void shortenNextEcho(int bytes) { line_.shortenNextEcho(bytes); }

    const std::vector<std::string>& calls() const { return calls_; }
    void clearCalls() { calls_.clear(); }
    const std::vector<std::vector<std::uint8_t>>& writes() const { return writes_; }

    Nanoseconds now() const { return now_; }
    Nanoseconds wireTime() const { return line_.wireTime(); }
    std::int64_t framesSent() const { return framesSent_; }
    std::uint8_t bitMode() const { return bitMask_; }
    bool isOpen() const { return open_; }
    std::size_t pendingBytes() const { return rx_.size(); }

    std::string_view backendOf(FtHandle) const override { return "the simulated adapter"; }
    FtStatus OpenEx(const char* description, std::uint32_t flags, FtHandle* handle) override;
    FtStatus Close(FtHandle handle) override;
    FtStatus Read(FtHandle handle, void* buffer, std::uint32_t bytesToRead,
                  std::uint32_t* bytesReturned) override;
    FtStatus Write(FtHandle handle, const void* buffer, std::uint32_t bytesToWrite,
                   std::uint32_t* bytesWritten) override;
    FtStatus Purge(FtHandle handle, std::uint32_t mask) override;
    FtStatus SetBaudRate(FtHandle handle, std::uint32_t baudRate) override;
    FtStatus SetBitMode(FtHandle handle, std::uint8_t mask, std::uint8_t mode) override;
    FtStatus SetFlowControl(FtHandle handle, std::uint16_t flowControl, std::uint8_t xon,
                            std::uint8_t xoff) override;
    FtStatus SetLatencyTimer(FtHandle handle, std::uint8_t milliseconds) override;
    FtStatus SetUSBParameters(FtHandle handle, std::uint32_t inTransferSize,
                              std::uint32_t outTransferSize) override;
    FtStatus SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                    std::uint8_t parity) override;
    FtStatus SetChars(FtHandle handle, std::uint8_t eventChar, std::uint8_t eventCharEnabled,
                      std::uint8_t errorChar, std::uint8_t errorCharEnabled) override;
    FtStatus SetTimeouts(FtHandle handle, std::uint32_t readTimeoutMs,
                         std::uint32_t writeTimeoutMs) override;

  private:
    struct PendingByte {
        std::uint8_t value;
        Nanoseconds readyAt;  // when it reaches the host
    };

    // Logs the call and returns an injected status, or checks the handle. The arguments are
    // described only when the log is on: reads and writes pass here for every frame.
    template <typename Describe>
    FtStatus begin(FtFunction function, FtHandle handle, Describe describeArguments);

    std::set<std::string> attached_;
    LineFaults* lineFaults_ = nullptr;
    bool logCalls_ = true;

    std::map<FtFunction, std::deque<FtStatus>> injected_;

    std::vector<std::string> calls_;
    std::vector<std::vector<std::uint8_t>> writes_;

    bool open_ = false;
    std::string openDescription_;
    std::uint32_t baudRate_ = 9600;
    std::uint8_t latencyMs_ = 16;
    std::uint32_t readTimeoutMs_ = 0;
    std::uint8_t bitMask_ = 0;

    Nanoseconds now_{0};
    Nanoseconds timeLimit_ = Nanoseconds::max();
    std::int64_t framesSent_ = 0;
    std::deque<PendingByte> rx_;
    SerialLine line_;  // last: its timing reads baudRate_
};

const char* functionName(FtFunction function);

}  // namespace halvenmark::sim
