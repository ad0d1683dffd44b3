#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/doctor/Findings.h"

namespace halvenmark::doctor {

// Something that keeps the updater from its adapter or its device, with what fixes it.
struct Problem {
    std::string subject;  // the device it concerns, or "this machine"
    std::string cause;
    std::vector<std::string> details;
    std::vector<std::string> fixes;  // commands
};

struct Diagnosis {
    std::vector<Problem> problems;
    std::optional<std::size_t> opened;  // the device the updater would open
    bool wakes = true;  // a device can be woken through it (its CBUS pin 2 is in I/O mode)

    // Whether the updater would open an adapter that can reach a device: the doctor's exit 0.
    bool works() const { return opened.has_value() && wakes; }
};

// What the updater would do with these findings: the first adapter in its order of preference
// that it can open, and every problem found on the way.
Diagnosis diagnose(const Findings& findings);

// The report: every FTDI device with what was found of it, the backends, the problems with
// their fixes, and last the verdict line.
void printReport(const Findings& findings, const Diagnosis& diagnosis, std::ostream& out);

// The adapter's kind as the user reads it ("Device Programmer"), by its index in the updater's
// order of preference.
std::string adapterName(std::size_t index);

}  // namespace halvenmark::doctor
