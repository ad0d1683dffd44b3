#include "tools/bench/Bench.h"

#include <chrono>
#include <cstdio>

#include "resources/EmbeddedResources.h"
#include "sim/Sha256.h"
#include "tools/bench/BenchView.h"
#include "tools/bench/Campaign.h"

namespace halvenmark::bench {

namespace {

void printMemory(const sim::DeviceLoader& device, std::ostream& out) {
    for (const auto& [first, last] : device.writtenRuns()) {
        char line[48];
        std::snprintf(line, sizeof line, "written: 0x%04X-0x%04X\n", first, last);
        out << line;
    }
    out << "memory-sha256: " << sim::sha256Hex(device.memory()) << '\n';
}

void printTiming(const sim::SimAdapter& adapter, std::chrono::nanoseconds host, std::ostream& out) {
    using Seconds = std::chrono::duration<double>;
    char line[160];
    std::snprintf(line, sizeof line, "timing: exchanges=%lld wire=%.3fs modeled=%.3fs host=%.4fs\n",
                  static_cast<long long>(adapter.framesSent()), Seconds(adapter.wireTime()).count(),
                  Seconds(adapter.now()).count(), Seconds(host).count());
    out << line;
}

}  // namespace

int runBench(const BenchOptions& options, std::ostream& out) {
    const resources::EmbeddedStore store;
    BenchView view(out);
    sim::SimulatedRig rig(options.rig, view, store);
    rig.adapter().setCallLogEnabled(false);  // the bench prints; it keeps no call log
    if (options.trace) {
        rig.adapter().setObserver(&view);
    }
    std::chrono::nanoseconds host{0};
    if (rig.start() == FrmStart::LoadResult::ShowWindow) {
        for (const Action& action : options.actions) {
            if (view.closed()) {
                break;  // the program has ended
            }
            if (!view.buttonVisible(action.button)) {
                out << "skipped: " << action.name << '\n';
                continue;
            }
            view.beginAction();
            const auto started = std::chrono::steady_clock::now();
            rig.press(action.button);
            host += std::chrono::steady_clock::now() - started;
            view.endAction();
        }
    }
    rig.window().Unload();  // the program ends: its window closes, and the adapter with it
    if (options.memory) {
        printMemory(rig.device(), out);
    }
    if (options.timing) {
        printTiming(rig.adapter(), host, out);
    }
    return view.messageCount() > 0 ? kExitMessageShown : kExitNoMessage;
}

int benchMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (!args.empty() && args.front() == "campaign") {
        const auto campaign = parseCampaign({args.begin() + 1, args.end()}, err);
        return campaign ? runCampaign(*campaign, out) : kExitUsage;
    }
    std::string error;
    const auto options = parseOptions(args, error);
    if (!options) {
        err << "halvenmark-bench: " << error << '\n';
        return kExitUsage;
    }
    return runBench(*options, out);
}

}  // namespace halvenmark::bench
