#include "tools/bench/Campaign.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <random>
#include <sstream>

#include "catalogue/DeviceCatalogue.h"
#include "catalogue/ImageStore.h"
#include "resources/EmbeddedResources.h"
#include "sim/RouteCoverage.h"
#include "tools/bench/Bench.h"
#include "tools/bench/BenchView.h"
#include "tools/bench/UsbBench.h"

namespace halvenmark::bench {

namespace {

// A run whose simulated time passes this has hung: the longest sound flash, every retry
// budget spent on silent reads included, stays far below it.
constexpr auto kHangBound = std::chrono::minutes(30);

class Generator {
  public:
    explicit Generator(std::uint32_t seed) : random_(seed) {}
    std::uint32_t below(std::uint32_t n) { return random_() % n; }
    bool chance(double p) { return static_cast<double>(random_()) / 4294967296.0 < p; }
    std::uint32_t next() { return random_(); }

  private:
    std::mt19937 random_;
};

sim::Fault randomFault(Generator& g) {
    sim::Fault fault{};
    fault.kind = static_cast<sim::FaultKind>(g.below(12));
    const std::uint32_t scope = g.below(4);
    fault.scope = scope == 1   ? sim::FaultScope::Find
                  : scope == 2 ? sim::FaultScope::Flash
                               : sim::FaultScope::Always;
    switch (fault.kind) {
        case sim::FaultKind::RefuseWrites:
        case sim::FaultKind::CorruptReads:
        case sim::FaultKind::BadChecksumReads:
        case sim::FaultKind::BadHeaderReads:
            fault.count =
                g.chance(0.7) ? g.below(20) : 40 + g.below(30);  // below and around the budget
            break;
        case sim::FaultKind::SilentAfter:
            fault.count = g.chance(0.5) ? g.below(20) : g.below(6000);
            break;
        case sim::FaultKind::ExReply:
            fault.reply = g.chance(0.5) ? "EX" : (g.chance(0.5) ? "ex" : "XE");
            break;
        case sim::FaultKind::WakeReply:
            fault.reply = g.chance(0.5) ? "VNR" : (g.chance(0.5) ? "vnr" : "VNX");
            break;
        case sim::FaultKind::PurgeFails:
        case sim::FaultKind::SplitReplies:
            break;
        case sim::FaultKind::Drop:
        case sim::FaultKind::Flip:
        case sim::FaultKind::StoreFlip:
            fault.probability = g.chance(0.5) ? 0.0005 * g.below(10) : 0.02 * g.below(10);
            break;
    }
    return fault;
}

BenchOptions randomSession(Generator& g) {
    BenchOptions options;
    const auto rows = catalogue::entries();
    auto& device = options.rig.device;
    device.identityCode = g.chance(0.05)
                              ? static_cast<std::uint8_t>(g.below(256))
                              : rows[g.below(static_cast<std::uint32_t>(rows.size()))].key;
    if (g.chance(0.1)) {
        device.identityCode |= 0x40;
    }
    device.version = static_cast<std::uint8_t>(g.chance(0.8) ? 0x10 + g.below(0x0A) : g.below(256));
    device.cpu = static_cast<std::uint8_t>(g.chance(0.05) ? 13 : 14 + g.below(2));
    if (g.chance(0.1)) {
        device.rfFirst = 0x20;
        device.rfSecond = static_cast<std::uint8_t>(g.below(256));
    }
    if (g.chance(0.3)) {
        device.memoryEndVersion = static_cast<std::uint8_t>(0x10 + g.below(0x10));
    }
    device.seed = g.next();
    static const std::array<const char*, 3> kAdapters{
        sim::kProgrammerDescription, sim::kTelemetryDescription, sim::kSerialLinkDescription};
    options.rig.adapters = {kAdapters[g.below(3)]};
    const std::uint32_t faults = g.below(4);
    for (std::uint32_t i = 0; i < faults; ++i) {
        options.rig.faults.push_back(randomFault(g));
    }
    options.actions = {{"find", kFindDeviceButton}, {"flash", kFlashDeviceButton}};
    return options;
}

// Whether the device's memory holds, wherever the route wrote, the image the program chose for
// the device it identified, with the bytes the route keeps left as they were. (A device that
// identifies itself wrongly, with sound replies, gets the image of what it claims to be.)
bool memoryHoldsTheImage(sim::ProgramRig& rig, const ResourceStore& store) {
    const LinkState& st = rig.state();
    LinkState scratch;
    scratch.FirmwareResId = st.FirmwareResId;
    scratch.ImageSize = st.ImageSize;
    LoadFirmwareImage(scratch, store);
    return scratch.OperationFailed == 0 &&
           sim::routeWroteImage(rig.device(), scratch.ImageData, st.FirmwareResId, st.IdReplyByte5);
}

Verdict judge(const BenchOptions& options, const ResourceStore& store) {
    std::ostringstream ignored;
    BenchView view(ignored);
    sim::SimulatedRig rig(options.rig, view, store);
    rig.adapter().setCallLogEnabled(false);
    rig.adapter().setTimeLimit(kHangBound);
    return judgeSession(rig, view, options, store);
}

}  // namespace

Verdict judgeSession(sim::ProgramRig& rig, BenchView& view, const BenchOptions& session,
                     const ResourceStore& store) {
    Verdict verdict;
    try {
        if (rig.start() == FrmStart::LoadResult::ShowWindow) {
            for (const Action& action : session.actions) {
                if (view.closed())
                    break;
                if (view.buttonVisible(action.button)) {
                    rig.press(action.button);
                }
            }
        }
    } catch (const sim::SimulatedHang&) {
        verdict.hang = true;
        return verdict;
    } catch (...) {
        verdict.crash = true;
        return verdict;
    }
    verdict.complete = view.screen() == Screen::Done && view.statusText() == "Flash Complete!";
    if (verdict.complete) {
        verdict.falseSuccess = view.messageCount() != 0 || !memoryHoldsTheImage(rig, store);
    } else {
        verdict.silentFailure = view.messageCount() != 1;
    }
    return verdict;
}

void CampaignTally::add(const Verdict& verdict, const BenchOptions& session, std::ostream& out) {
    const char* defect = verdict.crash           ? "crash"
                         : verdict.hang          ? "hang"
                         : verdict.falseSuccess  ? "false success"
                         : verdict.silentFailure ? "silent failure"
                                                 : nullptr;
    if (defect != nullptr) {
        out << "defect: " << defect << ": halvenmark-bench " << describe(session) << '\n';
    }
    ++runs_;
    complete_ += verdict.complete ? 1 : 0;
    failed_ += verdict.complete ? 0 : 1;
    falseSuccesses_ += verdict.falseSuccess ? 1 : 0;
    silent_ += verdict.silentFailure ? 1 : 0;
    hangs_ += verdict.hang || verdict.crash ? 1 : 0;
}

int CampaignTally::finish(std::ostream& out) const {
    out << "campaign: " << runs_ << " runs, " << complete_ << " complete, " << failed_
        << " failed, " << falseSuccesses_ << " false successes, " << silent_ << " silent failures, "
        << hangs_ << " hangs\n";
    return falseSuccesses_ + silent_ + hangs_ == 0 ? 0 : 1;
}

std::optional<CampaignOptions> parseCampaign(const std::vector<std::string>& args,
                                             std::ostream& err) {
    constexpr const char* kUsage =
        "halvenmark-bench: usage: halvenmark-bench campaign --runs N [--seed S] [--usb]\n";
    CampaignOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--usb") {
            options.usb = true;
            continue;
        }
        if (args[i] != "--runs" && args[i] != "--seed") {
            err << "halvenmark-bench: unknown campaign option '" << args[i] << "'\n";
            return std::nullopt;
        }
        if (i + 1 >= args.size()) {
            err << kUsage;
            return std::nullopt;
        }
        const std::string& value = args[++i];
        std::uint64_t number = 0;
        const auto result = std::from_chars(value.data(), value.data() + value.size(), number);
        if (result.ec != std::errc() || result.ptr != value.data() + value.size()) {
            err << "halvenmark-bench: " << args[i - 1] << " takes a whole number\n";
            return std::nullopt;
        }
        if (args[i - 1] == "--runs") {
            options.runs = static_cast<std::int64_t>(number);
        } else {
            options.seed = static_cast<std::uint32_t>(number);
        }
    }
    if (options.runs <= 0) {
        err << kUsage;
        return std::nullopt;
    }
    return options;
}

int runCampaign(const CampaignOptions& options, std::ostream& out, std::ostream& err) {
    if (options.usb) {
        return runUsbCampaign(options, out, err);
    }
    const resources::EmbeddedStore store;
    Generator generator(options.seed);
    CampaignTally tally;
    for (std::int64_t run = 0; run < options.runs; ++run) {
        const BenchOptions session = randomSession(generator);
        tally.add(judge(session, store), session, out);
    }
    return tally.finish(out);
}

}  // namespace halvenmark::bench
