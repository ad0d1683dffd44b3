// The session log: the newest logs kept, each bounded, and a folder that cannot be written
// getting none.
#include "app/SessionLog.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "support/TempFolder.h"

namespace halvenmark {
namespace {

namespace fs = std::filesystem;

std::size_t logsIn(const fs::path& folder) {
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        count += entry.path().extension() == ".log";
    return count;
}

TEST(SessionLogTest, TheNewestLogsAreKept) {
    const testing::TempFolder folder;
    std::set<fs::path> made;
    for (int i = 0; i < SessionLog::kSessionsKept + 5; ++i) {
        SessionLog log(folder.path);
        log.note("session " + std::to_string(i));
        made.insert(log.path());
    }
    EXPECT_EQ(made.size(), SessionLog::kSessionsKept + 5u);  // every name its own
    EXPECT_EQ(logsIn(folder.path), static_cast<std::size_t>(SessionLog::kSessionsKept));
    const auto last = lastSessionLog(folder.path);
    ASSERT_TRUE(last);
    std::ifstream in(*last);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("session " + std::to_string(SessionLog::kSessionsKept + 4) + "\n"),
              std::string::npos);
}

TEST(SessionLogTest, ALogStopsAtItsBoundAndSaysSo) {
    const testing::TempFolder folder;
    SessionLog log(folder.path);
    const std::vector<std::uint8_t> frame(69, 0xA5);
    for (int i = 0; i < 40000; ++i)
        log.onWrite(frame);
    EXPECT_LE(fs::file_size(log.path()), SessionLog::kSessionLogBytes + 100);
    std::ifstream in(log.path());
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("the log is full"), std::string::npos);
}

TEST(SessionLogTest, AFolderThatCannotBeWrittenGetsNoLogAndNoFailure) {
    const testing::TempFolder folder;
    std::ofstream(folder.path / "a-file") << "not a folder";
    SessionLog log(folder.path / "a-file" / "sessions");
    log.note("nothing");
    log.onRead({});
    EXPECT_TRUE(log.path().empty());
    SessionLog none{fs::path()};
    none.note("nothing");
    EXPECT_TRUE(none.path().empty());
}

TEST(SessionLogTest, TheFolderIsTheUsersStateFolder) {
    const auto environment = [](std::map<std::string, std::string> values) -> Environment {
        return [values](const std::string& name) -> std::optional<std::string> {
            const auto found = values.find(name);
            return found == values.end() ? std::nullopt : std::optional(found->second);
        };
    };
    EXPECT_EQ(sessionLogFolder(environment({{"HOME", "/home/ann"}}), false),
              fs::path("/home/ann/.local/state/halvenmark-updater/sessions"));
    EXPECT_EQ(sessionLogFolder(environment({{"HOME", "/h"}, {"XDG_STATE_HOME", "/s"}}), false),
              fs::path("/s/halvenmark-updater/sessions"));
    EXPECT_EQ(sessionLogFolder(environment({{"LOCALAPPDATA", "C:/Users/ann/AppData/Local"}}), true),
              fs::path("C:/Users/ann/AppData/Local/Halvenmark/sessions"));
}

}  // namespace
}  // namespace halvenmark
