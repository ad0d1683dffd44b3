#include "tools/bench/UsbBench.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iostream>
#include <mutex>
#include <random>
#include <sstream>
#include <thread>

#include "catalogue/DeviceCatalogue.h"
#include "resources/EmbeddedResources.h"
#include "sim/usb/EmulationProcess.h"
#include "sim/usb/UsbRig.h"
#include "tools/bench/Bench.h"

namespace halvenmark::bench {

namespace {

using Seconds = std::chrono::duration<double>;

// A session over the emulated adapters that takes longer than this has hung: the longest sound
// flash takes about ten seconds, one with every retry budget spent on a silent device a minute.
constexpr auto kUsbHangBound = std::chrono::minutes(5);
// The share of campaign sessions whose adapter vanishes, and the frames after which it may.
constexpr double kUnplugChance = 0.85;
constexpr std::uint32_t kUnplugFramesBelow = 2400;

std::chrono::nanoseconds threadCpuTime() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

bool needPreload(std::ostream& err) {
    if (sim::usb::underPreload()) {
        return true;
    }
    err << "halvenmark-bench: the USB emulation needs this process to run under umockdev's "
           "preload library "
        << sim::usb::preloadLibrary() << '\n';
    return false;
}

// Ends the process when a session passes its bound: a hung program cannot be stopped from here.
class HangWatch {
  public:
    HangWatch(const BenchOptions& session, std::ostream& out)
        : thread_([this, &session, &out] {
              std::unique_lock lock(mutex_);
              if (!done_.wait_for(lock, kUsbHangBound, [this] { return finished_; })) {
                  out << "defect: hang: halvenmark-bench " << describe(session) << std::endl;
                  std::_Exit(1);
              }
          }) {}
    ~HangWatch() {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        thread_.join();
    }

  private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;
};

bool isAction(const std::string& arg) {
    return arg == "find" || arg == "flash" || arg == "abort" || arg == "ok";
}

volatile std::sig_atomic_t replugAsked = 0;

}  // namespace

bool needsUsbEmulation(const std::vector<std::string>& args) {
    return (!args.empty() && args.front() == "usb-run") ||
           std::find(args.begin(), args.end(), "--usb") != args.end();
}

int runUsbBench(const BenchOptions& options, std::ostream& out, std::ostream& err) {
    if (!needPreload(err)) {
        return kExitUsage;
    }
    ModelFigures model{};
    const BenchStore store(options, err);
    if (store.refused()) {
        return kExitUsage;
    }
    if (options.timing) {
        // The link model's figures for the same run, from the simulated adapter.
        BenchOptions quiet = options;
        quiet.trace = false;
        quiet.memory = false;
        std::ostringstream ignored;
        model = runSimulated(quiet, ignored, ignored);
    }
    BenchView view(out);
    sim::usb::UsbRig rig(options.rig, options.usbFaults, view, store.store());
    if (!rig.ready()) {
        err << "halvenmark-bench: the USB emulation did not start: " << rig.error() << '\n';
        return kExitUsage;
    }
    if (options.trace) {
        rig.setTrace(&view);
    }
    const std::chrono::nanoseconds cpuBefore = threadCpuTime();
    const std::chrono::nanoseconds wall = runActions(rig, view, options.actions, out);
    const std::chrono::nanoseconds cpu = threadCpuTime() - cpuBefore;
    rig.window().Unload();
    if (options.memory) {
        printMemory(rig.device(), out);
    }
    if (options.timing) {
        model.host = wall;
        printTiming(model, out);
        const std::int64_t exchanges = rig.framesSent();
        char line[160];
        std::snprintf(
            line, sizeof line, "usb: exchanges=%lld wall=%.3fs cpu=%.3fs in-per-exchange=%.2f\n",
            static_cast<long long>(exchanges), Seconds(wall).count(), Seconds(cpu).count(),
            exchanges > 0 ? static_cast<double>(rig.inTransfers()) / static_cast<double>(exchanges)
                          : 0.0);
        out << line;
    }
    return view.messageCount() > 0 ? kExitMessageShown : kExitNoMessage;
}

int usbRunMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const auto separator = std::find(args.begin(), args.end(), "--");
    if (separator == args.end() || separator + 1 == args.end()) {
        err << "halvenmark-bench: usage: halvenmark-bench usb-run [OPTIONS] -- COMMAND [ARG...]\n";
        return kExitUsage;
    }
    const std::vector<std::string> optionArgs(args.begin(), separator);
    std::string error;
    const auto options = parseOptions(optionArgs, error);
    if (options) {
        if (std::any_of(optionArgs.begin(), optionArgs.end(), isAction)) {
            error = "usb-run presses no buttons: COMMAND does";
        } else if (options->trace || options->timing || options->usb) {
            error =
                "usb-run prints only the --memory lines: --trace, --timing and --usb belong "
                "to a plain run";
        } else if (std::any_of(
                       options->rig.faults.begin(), options->rig.faults.end(),
                       [](const sim::Fault& f) { return f.scope != sim::FaultScope::Always; })) {
            error =
                "usb-run cannot tell COMMAND's button presses: faults act from the start "
                "(no @find or @flash)";
        }
    }
    if (!options || !error.empty()) {
        err << "halvenmark-bench: " << error << '\n';
        return kExitUsage;
    }
    if (!needPreload(err)) {
        return kExitUsage;
    }

    std::mutex line;
    sim::FaultPlan faults(options->rig.device.seed, options->rig.faults);
    sim::DeviceLoader device(options->rig.device, &faults);
    sim::usb::EmulatedUsb usb(options->rig.adapters, options->usbFaults,
                              {options->rig.deviceAttached ? &device : nullptr, &faults, &line});
    if (!usb.ready()) {
        err << "halvenmark-bench: the USB emulation did not start: " << usb.error() << '\n';
        return kExitUsage;
    }

    std::vector<std::string> command(separator + 1, args.end());
    std::vector<char*> argv;
    for (std::string& word : command) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    out.flush();
    std::cout.flush();
    const pid_t child = ::fork();
    if (child == 0) {
        ::execvp(argv[0], argv.data());
        std::fprintf(stderr, "halvenmark-bench: cannot run %s: %s\n", argv[0],
                     std::strerror(errno));
        std::_Exit(127);
    }
    // SIGUSR1 is the user unplugging every adapter and plugging it in again (after an EEPROM
    // repair, say): each chip starts afresh from its EEPROM.
    struct sigaction replug {};
    replug.sa_handler = [](int) { replugAsked = 1; };
    ::sigaction(SIGUSR1, &replug, nullptr);  // no SA_RESTART: the wait below wakes for it
    int status = 0;
    pid_t waited = -1;
    while (child > 0 && (waited = ::waitpid(child, &status, 0)) < 0 && errno == EINTR) {
        if (replugAsked != 0) {
            replugAsked = 0;
            usb.replug();
        }
    }
    if (child < 0 || waited < 0) {
        err << "halvenmark-bench: cannot run " << command.front() << ": " << std::strerror(errno)
            << '\n';
        return kExitUsage;
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (options->memory) {
        std::lock_guard lock(line);
        printMemory(device, out);
    }
    out << "exit: " << code << '\n';
    return code;
}

int runUsbCampaign(const CampaignOptions& options, std::ostream& out, std::ostream& err) {
    if (!needPreload(err)) {
        return kExitUsage;
    }
    const resources::EmbeddedStore store;
    std::mt19937 random(options.seed);
    auto below = [&random](std::uint32_t n) { return random() % n; };
    const auto rows = catalogue::entries();
    const std::vector<std::string> adapters{sim::kProgrammerDescription, sim::kTelemetryDescription,
                                            sim::kSerialLinkDescription};
    CampaignTally tally;
    for (std::int64_t run = 0; run < options.runs; ++run) {
        BenchOptions session;
        session.usb = true;
        session.rig.device.identityCode = rows[below(static_cast<std::uint32_t>(rows.size()))].key;
        session.rig.device.version = static_cast<std::uint8_t>(0x10 + below(0x0A));
        session.rig.device.seed = static_cast<std::uint32_t>(random());
        session.rig.adapters = {adapters[below(3)]};
        if (static_cast<double>(random()) / 4294967296.0 < kUnplugChance) {
            sim::usb::UsbFault unplug{sim::usb::UsbFaultKind::UnplugAfter,
                                      {},
                                      static_cast<std::int64_t>(below(kUnplugFramesBelow)),
                                      {}};
            session.usbFaults.push_back(unplug);
        }
        session.actions = {{"find", kFindDeviceButton}, {"flash", kFlashDeviceButton}};

        std::ostringstream ignored;
        BenchView view(ignored);
        const HangWatch watch(session, out);
        sim::usb::UsbRig rig(session.rig, session.usbFaults, view, store);
        if (!rig.ready()) {
            err << "halvenmark-bench: the USB emulation did not start: " << rig.error() << '\n';
            return kExitUsage;
        }
        tally.add(judgeSession(rig, view, session, store), session, out);
    }
    return tally.finish(out);
}

}  // namespace halvenmark::bench
