#pragma once

#include <filesystem>
#include <random>
#include <string>

namespace halvenmark::testing {

// A new folder under the system's temporary folder, removed with everything in it.
struct TempFolder {
    TempFolder() {
        std::random_device random;
        do {
            path = std::filesystem::temp_directory_path() /
                   ("halvenmark-test-" + std::to_string(random()));
        } while (!std::filesystem::create_directory(path));
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::filesystem::path path;
};

}  // namespace halvenmark::testing
