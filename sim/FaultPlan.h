#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "sim/SimAdapter.h"

namespace halvenmark::sim {

// The faults the simulated adapter and device can show, each deterministic for a seed.
enum class FaultKind {
    RefuseWrites,      // =N  the next N write frames are refused
    CorruptReads,      // =N  one wrong data byte, with a checksum that matches it
    BadChecksumReads,  // =N  a wrong checksum byte
    BadHeaderReads,    // =N  two other letters than "RM"
    SilentAfter,       // =N  after N more frames the device answers nothing
    ExReply,           // =XY EX frames are answered with these two characters
    WakeReply,         // =XYZ wake frames are answered with these three characters
    PurgeFails,        //     the adapter's purge returns a failure status
    SplitReplies,      //     every reply reaches the host in two reads
    Drop,              // =P  the reply is lost
    Flip,              // =P  one reply byte is flipped
    StoreFlip,         // =P  one written byte is stored wrongly
};

// When a fault acts: from the start, or only during the first press of one button.
enum class FaultScope { Always, Find, Flash };

struct Fault {
    FaultKind kind;
    FaultScope scope = FaultScope::Always;
    std::int64_t count = 0;  // N
    double probability = 0;  // P
    std::string reply;       // XY, XYZ
};

// Parses KIND[=VALUE][@ACTION]; nullopt with a reason in `error` when it is not one.
std::optional<Fault> parseFault(std::string_view text, std::string& error);
std::string describeFault(const Fault& fault);

// The set of faults of one run, asked by the device and the adapter as frames pass.
class FaultPlan : public LineFaults {
  public:
    explicit FaultPlan(std::uint32_t seed, std::vector<Fault> faults = {});

    // The bench's button presses; faults scoped to a button act during its first press.
    void beginPress(FaultScope button);
    void endPress();

    // Device side. The counting ones use up one of their count when they act.
    bool refuseWrite();
    bool corruptRead();
    bool badChecksumRead();
    bool badHeaderRead();
    bool silent();  // called once per frame the device receives
    std::optional<std::string> exReply();
    std::optional<std::string> wakeReply();
    bool storeFlip();

    // Line side.
    bool purgeFails() override;
    bool splitReplies() override;
    void onReply(std::vector<std::uint8_t>& reply) override;

    std::mt19937& random() { return random_; }
    bool chance(double probability);

  private:
    struct Active {
        Fault fault;
        std::int64_t remaining;
    };

    bool acting(const Fault& fault) const;
    Active* find(FaultKind kind);
    bool takeCount(FaultKind kind);

    std::vector<Active> faults_;
    std::mt19937 random_;
    FaultScope pressing_ = FaultScope::Always;  // Always: no press running
    bool findPressed_ = false;
    bool flashPressed_ = false;
    bool firstFind_ = false;
    bool firstFlash_ = false;
};

}  // namespace halvenmark::sim
