#pragma once

#include <stdio.h>
#include <sys/wait.h>

#include <array>
#include <string>

namespace halvenmark::testing {

// What a shell command line printed on its standard output, and its exit code (-1 when it did
// not end by itself).
struct CommandResult {
    int exitCode = -1;
    std::string out;
};

inline CommandResult runCommand(const std::string& command) {
    CommandResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return result;
    std::array<char, 4096> chunk{};
    while (std::fgets(chunk.data(), chunk.size(), pipe) != nullptr)
        result.out += chunk.data();
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace halvenmark::testing
