// Firmware packs as zip archives: read into memory without unpacking anything, refused on a
// name that leads out of the pack, on a link, and on an entry that unpacks beyond its slot.
#include <gtest/gtest.h>

#include <ostream>

#include <filesystem>
#include <functional>

#include "catalogue/FirmwarePack.h"
#include "support/PackFixtures.h"
#include "support/TempFolder.h"
#include "tools/resources/PackWriter.h"

namespace halvenmark {
namespace {

using namespace testing::packs;
using testing::TempFolder;

std::vector<tools::ZipEntry> zipEntries(const std::map<std::string, Bytes>& files,
                                        const std::string& folder = "") {
    std::vector<tools::ZipEntry> entries;
    for (const auto& [path, bytes] : files)
        entries.push_back({folder + path, bytes, {}});
    return entries;
}

catalogue::PackOpening openZip(const TempFolder& folder,
                               const std::vector<tools::ZipEntry>& entries) {
    const fs::path zip = folder.path / "pack.zip";
    std::string error;
    EXPECT_TRUE(tools::writeZip(zip, entries, error)) << error;
    return catalogue::openFirmwarePack(zip);
}

TEST(FirmwarePackZipTest, AZipOfThePackOrOfItsFolderIsTakenAndNothingIsUnpacked) {
    TempFolder folder;
    for (const std::string top : {"", "receivers-2026.12/"}) {
        const catalogue::PackOpening opening = openZip(folder, zipEntries(soundPack(), top));
        ASSERT_TRUE(opening.pack) << top << ": " << opening.refusal;
        EXPECT_EQ(opening.pack->find(ResourceType::Jpg, 400)->bytes, soundPack().at("jpg/400.bin"));
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path), fs::directory_iterator()), 1);
}

struct BrokenZip {
    const char* name;
    std::function<void(std::vector<tools::ZipEntry>& entries)> breakIt;
    const char* refusal;
};

// Failures name the case, not its bytes.
void PrintTo(const BrokenZip& c, std::ostream* out) {
    *out << c.name;
}

const BrokenZip kBrokenZips[] = {
    {"AnEntryWithDotDot",
     [](auto& entries) {
         entries.push_back({"jpg/../../evil.bin", Bytes(4), {}});
     },
     "jpg/../../evil.bin: a name that leads out of the pack"},
    {"AnAbsoluteEntry",
     [](auto& entries) {
         entries.push_back({"/etc/evil", Bytes(4), {}});
     },
     "/etc/evil: a name that leads out of the pack"},
    {"ASymbolicLink",
     [](auto& entries) {
         entries.push_back({"jpg/100.bin", {}, "/etc/passwd"});
     },
     "jpg/100.bin: a link: a pack in a zip holds files and folders only"},
    {"AZipBomb",
     [](auto& entries) {
         // 16 MiB of zeros packs into some 16 KiB; no more than its slot is ever unpacked.
         entries.erase(entries.begin());
         entries.push_back({"jpg/1.bin", Bytes(16 << 20), {}});
     },
     "jpg/1.bin: larger than the 656 bytes a pack's file of that name may hold"},
    {"AFileTwice", [](auto& entries) { entries.push_back(entries.front()); },
     "jpg/1.bin: in the pack twice"},
};

class BrokenZipTest : public ::testing::TestWithParam<BrokenZip> {};

TEST_P(BrokenZipTest, IsRefusedNamingTheEntry) {
    TempFolder folder;
    auto entries = zipEntries(soundPack());
    GetParam().breakIt(entries);
    const catalogue::PackOpening opening = openZip(folder, entries);
    EXPECT_FALSE(opening.pack);
    EXPECT_EQ(opening.refusal, GetParam().refusal);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path), fs::directory_iterator()), 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, BrokenZipTest, ::testing::ValuesIn(kBrokenZips),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FirmwarePackZipTest, AFileThatIsNoZipIsRefused) {
    TempFolder folder;
    write(folder.path / "pack.zip", std::string("not an archive"));
    const catalogue::PackOpening opening = catalogue::openFirmwarePack(folder.path / "pack.zip");
    EXPECT_FALSE(opening.pack);
    EXPECT_EQ(opening.refusal.rfind("pack.zip: ", 0), 0u) << opening.refusal;
}

}  // namespace
}  // namespace halvenmark
