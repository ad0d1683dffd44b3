// Firmware packs: a pack is taken whole or refused whole, with one line naming the file and what
// is wrong; what it holds replaces the built-in images, and its bytes are the ones written.
#include <gtest/gtest.h>

#include <ostream>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <sstream>

#include "app/FirmwareChoice.h"
#include "app/FirmwareCommands.h"
#include "app/FirmwareFacts.h"
#include "app/UpdaterCommandLine.h"
#include "catalogue/BitmapFormat.h"
#include "catalogue/FirmwarePack.h"
#include "catalogue/ImageCodec.h"
#include "catalogue/StoreLayout.h"
#include "catalogue/StoreManifest.h"
#include "catalogue/StoreWithPack.h"
#include "resources/EmbeddedResources.h"
#include "sim/RouteCoverage.h"
#include "support/PackFixtures.h"
#include "support/RigFixture.h"
#include "support/TempFolder.h"
#include "tools/bench/Bench.h"

namespace halvenmark {
namespace {

namespace fs = std::filesystem;
using namespace testing::packs;
using testing::TempFolder;

TEST(FirmwarePackTest, ASoundFolderIsTakenWithEveryFileAsRead) {
    TempFolder folder;
    const auto files = soundPack();
    writeFolder(folder.path, files);
    const catalogue::PackOpening opening = catalogue::openFirmwarePack(folder.path);
    ASSERT_TRUE(opening.pack) << opening.refusal;
    EXPECT_EQ(opening.pack->name, "Test receivers");
    EXPECT_EQ(opening.pack->version, "2026.12");
    ASSERT_EQ(opening.pack->files.size(), 3u);
    EXPECT_EQ(opening.pack->find(ResourceType::Jpg, 400)->bytes, files.at("jpg/400.bin"));
    EXPECT_EQ(opening.pack->find(ResourceType::Bitmap, 105)->bytes, files.at("pictures/105.bmp"));
}

// Each case changes a sound pack folder; the pack is then refused with the line given.
struct BrokenFolder {
    const char* name;
    std::function<void(std::map<std::string, Bytes>& files, const fs::path& folder)> breakIt;
    const char* refusal;  // the refusal starts with it
};

// Failures name the case, not its bytes.
void PrintTo(const BrokenFolder& c, std::ostream* out) {
    *out << c.name;
}

const BrokenFolder kBrokenFolders[] = {
    {"AChangedByte", [](auto& files, auto&) { files["jpg/400.bin"][100] ^= 1; },
     "jpg/400.bin: SHA-256 "},
    {"AShortFile", [](auto& files, auto&) { files["jpg/1.bin"].pop_back(); },
     "jpg/1.bin: 655 bytes, expected 656"},
    {"ALongFile", [](auto& files, auto&) { files["jpg/1.bin"].push_back(0); },
     "jpg/1.bin: larger than the 656 bytes a pack's file of that name may hold"},
    {"AMissingFile", [](auto& files, auto&) { files.erase("jpg/1.bin"); },
     "jpg/1.bin: listed in the manifest, but missing"},
    {"AnUnlistedFile", [](auto& files, auto&) { files["jpg/100.bin"] = randomBytes(32768, 3); },
     "jpg/100.bin: not listed in the manifest"},
    {"AFileOfAnUnknownId", [](auto& files, auto&) { files["jpg/999.bin"] = Bytes(10); },
     "jpg/999.bin: the store has no JPG resource 999"},
    {"AFileNamedWithLeadingZeros", [](auto& files, auto&) { files["jpg/0100.bin"] = Bytes(10); },
     "jpg/0100.bin: '0100' is not a resource id"},
    {"AFileNamedWithNoId", [](auto& files, auto&) { files["pictures/logo.bmp"] = Bytes(10); },
     "pictures/logo.bmp: 'logo' is not a resource id"},
    {"AFileOutsideTheLayout", [](auto& files, auto&) { files["README.txt"] = Bytes(10); },
     "README.txt: not a file of a firmware pack"},
    {"AManifestLineOfAnUnknownId",
     [](auto& files, auto&) {
         setManifest(files,
                     manifestText(files) + "999 JPG 10 " + std::string(64, 'a') + " product\n");
     },
     "manifest.txt:5: the store has no JPG resource 999"},
    {"APlaceholderLine",
     [](auto& files, auto&) {
         setManifest(files, replaced(manifestText(files), " product\n", " placeholder\n"));
     },
     "manifest.txt:2: jpg/1.bin is marked placeholder: a pack carries the product's images only"},
    {"ALineThatDoesNotParse",
     [](auto& files, auto&) { setManifest(files, manifestText(files) + "400 JPG lots\n"); },
     "manifest.txt:5: cannot read '400 JPG lots': a line is ID TYPE BYTES SHA256 ORIGIN"},
    {"ANegativeSize",
     [](auto& files, auto&) {
         setManifest(files, replaced(manifestText(files), " 656 ", " -656 "));
     },
     "manifest.txt:2: cannot read"},
    {"AManifestThatListsTheSizeWrong",
     [](auto& files, auto&) {
         setManifest(files, replaced(manifestText(files), " 656 ", " 600 "));
     },
     "manifest.txt:2: jpg/1.bin is listed at 600 bytes; the store's size for it is 656"},
    {"ALineListedTwice",
     [](auto& files, auto&) {
         const std::string text = manifestText(files);
         const std::string second = text.substr(text.find('\n') + 1);
         setManifest(files, text + second.substr(0, second.find('\n') + 1));
     },
     "manifest.txt:5: jpg/1.bin is listed twice"},
    {"NoFirstLine",
     [](auto& files, auto&) {
         const std::string text = manifestText(files);
         setManifest(files, text.substr(text.find('\n') + 1));
     },
     "manifest.txt:1: the first line names the pack: pack NAME VERSION"},
    {"NoManifest", [](auto& files, auto&) { files.erase("manifest.txt"); },
     "manifest.txt: missing"},
    {"APictureOfAnotherSize", [](auto& files, auto&) { files["pictures/105.bmp"] = picture(100); },
     "pictures/105.bmp: SHA-256 "},
#ifndef _WIN32
    {"ASymbolicLinkOutOfTheFolder",
     [](auto& files, const fs::path& folder) {
         files.erase("jpg/1.bin");
         fs::create_directories(folder / "jpg");
         fs::create_symlink("/etc/hostname", folder / "jpg/1.bin");
     },
     "jpg/1.bin: a symbolic link that leads out of the pack"},
#endif
};

class BrokenFolderTest : public ::testing::TestWithParam<BrokenFolder> {};

TEST_P(BrokenFolderTest, IsRefusedNamingTheFile) {
    TempFolder folder;
    auto files = soundPack();
    GetParam().breakIt(files, folder.path);
    writeFolder(folder.path, files);
    const catalogue::PackOpening opening = catalogue::openFirmwarePack(folder.path);
    EXPECT_FALSE(opening.pack);
    EXPECT_EQ(opening.refusal.rfind(GetParam().refusal, 0), 0u) << opening.refusal;
}

INSTANTIATE_TEST_SUITE_P(Cases, BrokenFolderTest, ::testing::ValuesIn(kBrokenFolders),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FirmwarePackTest, APictureThatIsNoDevicePictureIsRefusedWhateverTheManifestSays) {
    TempFolder folder;
    auto files = soundPack();
    files["pictures/105.bmp"] = picture(100);
    setManifest(files, replaced(manifestText(files),
                                catalogue::manifestLineFor(ResourceType::Bitmap, 105, picture(),
                                                           ResourceOrigin::Product)
                                    .sha256,
                                catalogue::manifestLineFor(ResourceType::Bitmap, 105, picture(100),
                                                           ResourceOrigin::Product)
                                    .sha256));
    writeFolder(folder.path, files);
    EXPECT_EQ(catalogue::openFirmwarePack(folder.path).refusal,
              "pictures/105.bmp: a BMP picture of 100 x 120 pixels, not 160 x 120");
}

TEST(FirmwarePackTest, EveryBuiltInPictureIsOfTheFormAPackMustHold) {
    for (const resources::EmbeddedResource& resource : resources::embeddedResources()) {
        if (resource.type == ResourceType::Bitmap) {
            EXPECT_EQ(catalogue::pictureProblem({resource.data, resource.size}), std::nullopt)
                << "picture " << resource.id;
        }
    }
}

// The pack's images replace the built-in ones: a device whose built-in image is a placeholder is
// flashed from the pack, and its memory then holds the pack's image decoded.
TEST(FirmwarePackTest, APacksImageIsWhatTheProductsStoreHandsOutAndWhatTheDeviceGets) {
    TempFolder folder;
    writeFolder(folder.path, soundPack());
    const catalogue::FirmwarePack pack = *catalogue::openFirmwarePack(folder.path).pack;
    const resources::EmbeddedStore built;
    const catalogue::StoreWithPack withPack(built, pack);
    const resources::PlaceholderRefusingStore product(withPack, nullptr);

    testing::Rig rig(testing::device(0x30), &product);
    ASSERT_TRUE(rig.find());
    rig.flash();
    EXPECT_EQ(rig.view.status, "Flash Complete!");
    EXPECT_TRUE(rig.view.messages.empty());
    const Bytes image = codec::decode(pack.find(ResourceType::Jpg, 400)->bytes, 16384);
    EXPECT_TRUE(sim::routeWroteImage(rig.rig.device(), image, 400, rig.rig.state().IdReplyByte5));

    // Without the pack the same device is refused, as one without an image.
    const resources::PlaceholderRefusingStore placeholders(built, nullptr);
    testing::Rig without(testing::device(0x30), &placeholders);
    EXPECT_FALSE(without.find());
}

TEST(FirmwarePackTest, ThePackDecidesHowManyDevicesTheUpdaterFlashes) {
    TempFolder folder;
    writeFolder(folder.path, soundPack());
    const resources::EmbeddedStore built;
    EXPECT_EQ(flashableDevices(built), 0);  // the repository's images are placeholders
    const catalogue::FirmwarePack pack = *catalogue::openFirmwarePack(folder.path).pack;
    // Image 400 is the Tandem A V2 Expander's, whose route writes no auxiliary image.
    EXPECT_EQ(flashableDevices(catalogue::StoreWithPack(built, pack)), 1);
}

TEST(FirmwarePackTest, TheBenchTakesAPackAsTheUpdaterDoesAndEndsWithTwoOnARefusedOne) {
    TempFolder folder;
    const std::string pack = (folder.path / "pack").string();
    writeFolder(pack, soundPack());
    std::ostringstream out, err;
    EXPECT_EQ(bench::benchMain({"--refuse-placeholders", "--device", "0x30", "--firmware", pack},
                               out, err),
              0)
        << err.str();
    EXPECT_NE(out.str().find("status: Flash Complete!\n"), std::string::npos) << out.str();

    fs::remove(folder.path / "pack/jpg/1.bin");
    std::ostringstream refusedOut, refusedErr;
    EXPECT_EQ(bench::benchMain({"--firmware", pack, "--timing"}, refusedOut, refusedErr), 2);
    EXPECT_EQ(refusedOut.str(), "");
    EXPECT_EQ(refusedErr.str(), "halvenmark-bench: firmware pack " + pack +
                                    " refused: jpg/1.bin: listed in the manifest, but missing\n");
}

// ---- where the updater finds a pack --------------------------------------------------------

Environment environmentOf(std::map<std::string, std::string> variables) {
    return [variables](const std::string& name) -> std::optional<std::string> {
        const auto found = variables.find(name);
        return found == variables.end() ? std::nullopt : std::optional(found->second);
    };
}

TEST(PackPlacesTest, TheUsersPlaceComesFirstThenTheSystemsInOrder) {
    using Places = std::vector<fs::path>;
    EXPECT_EQ(installedPackPlaces(environmentOf({{"HOME", "/home/ann"}}), false, "/opt/bin"),
              (Places{"/home/ann/.local/share/halvenmark-updater/firmware",
                      "/usr/local/share/halvenmark-updater/firmware",
                      "/usr/share/halvenmark-updater/firmware"}));
    EXPECT_EQ(installedPackPlaces(environmentOf({{"HOME", "/home/ann"},
                                                 {"XDG_DATA_HOME", "/data"},
                                                 {"XDG_DATA_DIRS", "/a:relative:/b"}}),
                                  false, ""),
              (Places{"/data/halvenmark-updater/firmware", "/a/halvenmark-updater/firmware",
                      "/b/halvenmark-updater/firmware"}));
    EXPECT_EQ(installedPackPlaces(environmentOf({{"LOCALAPPDATA", "C:/Users/ann/AppData/Local"}}),
                                  true, "C:/Program Files/Halvenmark"),
              (Places{"C:/Users/ann/AppData/Local/Halvenmark/firmware",
                      "C:/Program Files/Halvenmark/firmware"}));
    EXPECT_EQ(userPackPlace(environmentOf({}), false), fs::path());
}

TEST(PackPlacesTest, TheFirstPackFoundIsUsedAndARefusedOneIsNeverPassedOver) {
    TempFolder folder;
    const fs::path user = folder.path / "user", system = folder.path / "system",
                   given = folder.path / "given";
    writeFolder(system, soundPack());
    writeFolder(given, soundPack());
    const std::vector<fs::path> places{user, system};

    FirmwareChoice choice = chooseFirmware(std::nullopt, places);
    EXPECT_EQ(choice.location, system);
    EXPECT_TRUE(choice.pack);

    auto broken = soundPack();
    broken.erase("jpg/1.bin");
    writeFolder(user, broken);
    choice = chooseFirmware(std::nullopt, places);
    EXPECT_EQ(choice.location, user);
    EXPECT_TRUE(choice.refused());
    EXPECT_EQ(choice.refusal, "jpg/1.bin: listed in the manifest, but missing");

    choice = chooseFirmware(given, places);  // --firmware over any installed one
    EXPECT_EQ(choice.location, given);
    EXPECT_TRUE(choice.pack);

    choice = chooseFirmware(std::nullopt, {folder.path / "none"});
    EXPECT_FALSE(choice.location);
    EXPECT_FALSE(choice.refused());
}

TEST(FirmwareCommandsTest, CheckSaysWhatThePackHoldsAndItsVerdict) {
    TempFolder folder;
    writeFolder(folder.path / "pack", soundPack());
    const resources::EmbeddedStore built;
    std::ostringstream out;
    EXPECT_EQ(checkFirmware(folder.path / "pack", built, out), kExitPackUsable);
    const std::string sha =
        catalogue::manifestLineFor(ResourceType::Jpg, 400, soundPack().at("jpg/400.bin"),
                                   ResourceOrigin::Product)
            .sha256;
    EXPECT_NE(out.str().find("JPG      400  65536  sha256 " + sha + "  version "),
              std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("devices: the updater flashes 1 of the 32 devices"),
              std::string::npos);
    EXPECT_NE(out.str().find("\nverdict: the updater would use "), std::string::npos);

    fs::remove(folder.path / "pack/jpg/1.bin");
    std::ostringstream refused;
    EXPECT_EQ(checkFirmware(folder.path / "pack", built, refused), kExitPackRefused);
    EXPECT_EQ(refused.str().rfind("refused: jpg/1.bin: listed in the manifest, but missing\n"
                                  "verdict: the updater would refuse ",
                                  0),
              0u)
        << refused.str();
}

TEST(FirmwareCommandsTest, InstallPutsInACheckedPackAndKeepsTheOldOneWhenRefused) {
    TempFolder folder;
    const resources::EmbeddedStore built;
    const fs::path place = folder.path / "share/halvenmark-updater/firmware";
    writeFolder(folder.path / "pack", soundPack());
    std::ostringstream out;
    ASSERT_EQ(installFirmware(folder.path / "pack", place, built, out), kExitPackUsable)
        << out.str();
    ASSERT_TRUE(catalogue::openFirmwarePack(place).pack);

    // A second, other pack replaces it whole.
    auto other = soundPack();
    other["jpg/100.bin"] = randomBytes(32768, 9);
    std::string text = manifestText(other);
    text += catalogue::formatManifestLines({catalogue::manifestLineFor(
        ResourceType::Jpg, 100, other.at("jpg/100.bin"), ResourceOrigin::Product)});
    setManifest(other, text);
    writeFolder(folder.path / "other", other);
    std::ostringstream again;
    ASSERT_EQ(installFirmware(folder.path / "other", place, built, again), kExitPackUsable)
        << again.str();
    EXPECT_EQ(catalogue::openFirmwarePack(place).pack->files.size(), 4u);

    // A refused one changes nothing; nothing is left beside the place.
    fs::remove(folder.path / "other/jpg/100.bin");
    std::ostringstream refused;
    EXPECT_EQ(installFirmware(folder.path / "other", place, built, refused), kExitPackRefused);
    EXPECT_EQ(catalogue::openFirmwarePack(place).pack->files.size(), 4u);
    EXPECT_EQ(std::distance(fs::directory_iterator(place.parent_path()), fs::directory_iterator()),
              1);
}

TEST(UpdaterCommandLineTest, TakesTheFirmwareOptionsAndRefusesTheRest) {
    using Kind = UpdaterCommand::Kind;
    const struct {
        std::vector<std::string> args;
        Kind kind;
    } cases[] = {
        {{}, Kind::Run},
        {{"--firmware", "p.zip"}, Kind::Run},
        {{"--check-firmware", "p"}, Kind::CheckFirmware},
        {{"--install-firmware", "p"}, Kind::InstallFirmware},
        {{"--help"}, Kind::Help},
        {{"--version"}, Kind::Version},
        {{"--firmware"}, Kind::UsageError},
        {{"--firmware", "a", "b"}, Kind::UsageError},
        {{"-platform", "offscreen"}, Kind::UsageError},
    };
    for (const auto& c : cases) {
        const UpdaterCommand command = parseUpdaterCommandLine(c.args);
        EXPECT_EQ(command.kind, c.kind) << ::testing::PrintToString(c.args);
        if (c.args.size() == 2 && c.kind != Kind::UsageError) {
            EXPECT_EQ(command.pack, c.args[1]);
        }
    }
}

}  // namespace
}  // namespace halvenmark
