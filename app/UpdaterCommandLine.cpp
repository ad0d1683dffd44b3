#include "app/UpdaterCommandLine.h"

namespace halvenmark {

UpdaterCommand parseUpdaterCommandLine(const std::vector<std::string>& args) {
    using Kind = UpdaterCommand::Kind;
    const auto usageError = [](std::string error) {
        return UpdaterCommand{Kind::UsageError, std::nullopt, std::move(error)};
    };
    if (args.empty()) {
        return {};
    }
    const std::string& option = args.front();
    if (args.size() == 1 && (option == "--help" || option == "-h")) {
        return {Kind::Help, std::nullopt, ""};
    }
    if (args.size() == 1 && option == "--version") {
        return {Kind::Version, std::nullopt, ""};
    }
    const Kind kind = option == "--firmware"           ? Kind::Run
                      : option == "--check-firmware"   ? Kind::CheckFirmware
                      : option == "--install-firmware" ? Kind::InstallFirmware
                                                       : Kind::UsageError;
    if (kind == Kind::UsageError) {
        return usageError("unknown option '" + option + "'");
    }
    if (args.size() != 2 || args[1].empty()) {
        return usageError(option + " takes one pack: a folder or a .zip file");
    }
    return {kind, args[1], ""};
}

}  // namespace halvenmark
