// The EEPROM repair over libftdi1: the adapter is opened as the updater opens it, its EEPROM read
// word by word, and only the words that must change are written, then every word is read back.
#include "tools/doctor/EepromRepair.h"

#include <libftdi1/ftdi.h>
#include <libusb.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "link/AdapterSettings.h"
#include "link/FtdiEeprom.h"

namespace halvenmark::doctor {

namespace fs = std::filesystem;
using ftdi::EepromChip;
using Image = std::vector<std::uint8_t>;

namespace {

constexpr int kExitDone = 0;
constexpr int kExitNotDone = 1;
constexpr int kExitChoose = 2;
constexpr std::size_t kStringBytes = 128;
// Bytes 2 to 5 of an image: the USB vendor and product ids the chip reports.
constexpr std::size_t kIdsAt = 2;
constexpr std::size_t kIdsBytes = 4;

struct Candidate {
    libusb_device* device;
    std::string description;
    std::string serial;
    std::size_t model;
};

std::string hex(int value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, static_cast<unsigned>(value));
    return text;
}

std::string named(const Candidate& adapter) {
    return "the " + adapter.description + " (serial " + adapter.serial + ")";
}

// One libftdi context with the list of FTDI devices, freed together.
class FtdiSession {
  public:
    FtdiSession() : context_(ftdi_new()) {
        if (context_ != nullptr)
            count_ = ftdi_usb_find_all(context_, &list_, 0, 0);  // FTDI's own product ids
    }
    ~FtdiSession() {
        if (opened_)
            ftdi_usb_close(context_);
        if (list_ != nullptr)
            ftdi_list_free(&list_);
        if (context_ != nullptr)
            ftdi_free(context_);
    }
    FtdiSession(const FtdiSession&) = delete;
    FtdiSession& operator=(const FtdiSession&) = delete;

    bool listed() const { return context_ != nullptr && count_ >= 0; }
    // FTDI devices whose strings could not be read: perhaps adapters this user may not open.
    int unopened() const { return unopened_; }
    std::string error() const { return context_ != nullptr ? ftdi_get_error_string(context_) : ""; }
    ftdi_context* context() { return context_; }

    // The devices whose product string is one of the adapters'.
    std::vector<Candidate> adapters() {
        std::vector<Candidate> found;
        for (ftdi_device_list* item = list_; item != nullptr; item = item->next) {
            char manufacturer[kStringBytes] = "", description[kStringBytes] = "",
                 serial[kStringBytes] = "";
            if (ftdi_usb_get_strings(context_, item->dev, manufacturer, sizeof manufacturer,
                                     description, sizeof description, serial, sizeof serial) != 0) {
                ++unopened_;  // one that does not open: the doctor's report says why
                continue;
            }
            for (std::size_t model = 0; model < adapter::kModels.size(); ++model) {
                if (adapter::kModels[model].description == description)
                    found.push_back({item->dev, description, serial, model});
            }
        }
        // In the updater's order of preference, as the doctor's report lists them.
        std::stable_sort(found.begin(), found.end(),
                         [](const Candidate& a, const Candidate& b) { return a.model < b.model; });
        return found;
    }

    bool open(const Candidate& adapter) {
        opened_ = ftdi_usb_open_dev(context_, adapter.device) == 0;
        return opened_;
    }

  private:
    ftdi_context* context_;
    ftdi_device_list* list_ = nullptr;
    int count_ = -1;
    int unopened_ = 0;
    bool opened_ = false;
};

std::optional<Image> readImage(ftdi_context* context, EepromChip chip) {
    Image image(ftdi::eepromBytes(chip));
    for (std::size_t address = 0; address < image.size() / 2; ++address) {
        unsigned short word = 0;
        if (ftdi_read_eeprom_location(context, static_cast<int>(address), &word) != 0)
            return std::nullopt;
        image[2 * address] = static_cast<std::uint8_t>(word & 0xFF);
        image[2 * address + 1] = static_cast<std::uint8_t>(word >> 8);
    }
    return image;
}

// Writes the words in which `wanted` differs from `present`. The FT232R commits its EEPROM two
// words at a time, even then odd: both words of a pair are written. Returns the address of the
// word the chip refused, or -1.
int writeWords(ftdi_context* context, const Image& present, const Image& wanted, EepromChip chip) {
    std::vector<int> words = ftdi::differingWords(present, wanted);
    if (chip == EepromChip::Ft232r) {
        std::vector<int> pairs;
        for (const int word : words) {
            for (const int member : {word & ~1, word | 1}) {
                if (std::find(pairs.begin(), pairs.end(), member) == pairs.end())
                    pairs.push_back(member);
            }
        }
        words = pairs;
    }
    for (const int address : words) {
        const auto value =
            static_cast<std::uint16_t>(wanted[2 * static_cast<std::size_t>(address)] |
                                       wanted[2 * static_cast<std::size_t>(address) + 1] << 8);
        if (libusb_control_transfer(context->usb_dev, FTDI_DEVICE_OUT_REQTYPE,
                                    SIO_WRITE_EEPROM_REQUEST, value,
                                    static_cast<std::uint16_t>(address), nullptr, 0,
                                    static_cast<unsigned>(context->usb_write_timeout)) < 0) {
            return address;
        }
    }
    return -1;
}

fs::path backupFolder(const Environment& environment) {
    const auto state = environment("XDG_STATE_HOME");
    if (state && !state->empty() && state->front() == '/')
        return fs::path(*state) / "halvenmark-updater";
    const auto home = environment("HOME");
    return home && !home->empty() ? fs::path(*home) / ".local/state/halvenmark-updater"
                                  : fs::path();
}

// eeprom-SERIAL-YYYYMMDD-HHMMSS.bin, never over an earlier backup.
std::optional<fs::path> writeBackup(const Image& image, const Candidate& adapter,
                                    const Environment& environment, std::string& why) {
    const fs::path folder = backupFolder(environment);
    if (folder.empty()) {
        why = "no folder for it (set HOME or XDG_STATE_HOME)";
        return std::nullopt;
    }
    std::string serial = adapter.serial;
    std::replace_if(
        serial.begin(), serial.end(), [](unsigned char c) { return !std::isalnum(c); }, '_');
    char time[32];
    const std::time_t now = std::time(nullptr);
    std::strftime(time, sizeof time, "%Y%m%d-%H%M%S", std::localtime(&now));
    std::error_code error;
    fs::create_directories(folder, error);
    fs::path file = folder / ("eeprom-" + serial + "-" + time + ".bin");
    for (int n = 2; fs::exists(file); ++n)
        file = folder / ("eeprom-" + serial + "-" + time + "-" + std::to_string(n) + ".bin");
    {
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(image.data()),
                  static_cast<std::streamsize>(image.size()));
    }
    std::ifstream in(file, std::ios::binary);
    const Image written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (error || written != image) {
        why = "it could not be written to " + folder.string();
        return std::nullopt;
    }
    return file;
}

bool confirmed(bool yes, const std::string& question, std::istream& in, std::ostream& out) {
    if (yes)
        return true;
    out << question << " [y/N] " << std::flush;
    std::string answer;
    std::getline(in, answer);
    if (::isatty(STDIN_FILENO) == 0) {
        out << answer << '\n';  // as a terminal would have echoed it
    }
    std::transform(answer.begin(), answer.end(), answer.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return answer == "y" || answer == "yes";
}

std::optional<Candidate> choose(std::vector<Candidate> adapters, int unopened,
                                const std::optional<std::string>& wanted, std::ostream& out,
                                int& exitCode) {
    if (wanted) {
        adapters.erase(std::remove_if(adapters.begin(), adapters.end(),
                                      [&](const Candidate& a) {
                                          return adapter::kModels[a.model].shortName != *wanted &&
                                                 a.serial != *wanted;
                                      }),
                       adapters.end());
    }
    if (adapters.size() == 1)
        return adapters.front();
    if (adapters.empty() && unopened > 0 && !wanted) {
        out << "no adapter of the updater could be opened (" << unopened
            << " FTDI device(s) did not open: halvenmark-doctor says why): nothing written\n";
        exitCode = kExitNotDone;
        return std::nullopt;
    }
    if (adapters.empty()) {
        out << "no adapter of the updater "
            << (wanted ? "matches --adapter " + *wanted : "is plugged in")
            << ": nothing written (halvenmark-doctor says what it finds)\n";
        exitCode = kExitNotDone;
        return std::nullopt;
    }
    out << "several adapters are plugged in; name one with --adapter KIND or --adapter SERIAL:\n";
    for (const Candidate& a : adapters)
        out << "  --adapter " << a.serial << "   (" << adapter::kModels[a.model].shortName << ", "
            << a.description << ")\n";
    exitCode = kExitChoose;
    return std::nullopt;
}

// The write itself, the read-back of every word, and what the user is told of either.
int writeAndVerify(ftdi_context* context, const Candidate& adapter, const Image& present,
                   const Image& wanted, EepromChip chip, const fs::path& backup,
                   const std::string& done, std::ostream& out) {
    const int refusedAt = writeWords(context, present, wanted, chip);
    const std::optional<Image> after = readImage(context, chip);
    if (refusedAt >= 0 || !after || *after != wanted) {
        out << "the write failed";
        if (refusedAt >= 0)
            out << ": the EEPROM refused word " << hex(refusedAt, 2);
        else if (!after)
            out << ": the EEPROM did not read back";
        else
            out << ": word " << hex(ftdi::differingWords(*after, wanted).front(), 2)
                << " reads back otherwise than written";
        out << "\nthe EEPROM of " << named(adapter) << " may now hold part of the change.\n"
            << "the backup of the whole EEPROM as it was: " << backup.string() << "\n"
            << "restore it with: halvenmark-doctor --restore-eeprom " << backup.string() << "\n";
        return kExitNotDone;
    }
    out << "written and read back, every word as intended: " << done << "\n"
        << "unplug the adapter and plug it in again: the chip reads its EEPROM when it powers up\n";
    return kExitDone;
}

}  // namespace

int runEepromCommand(const EepromCommand& command, const Environment& environment, std::istream& in,
                     std::ostream& out) {
    std::optional<Image> restoring;
    if (command.kind == EepromCommand::Kind::Restore) {
        std::ifstream file(command.backup, std::ios::binary);
        if (!file) {
            out << "cannot read the backup " << command.backup << ": nothing written\n";
            return kExitNotDone;
        }
        restoring = Image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    }
    FtdiSession session;
    if (!session.listed()) {
        out << "the USB devices could not be listed: " << session.error() << "\n";
        return kExitNotDone;
    }
    int exitCode = kExitDone;
    std::vector<Candidate> adapters = session.adapters();
    const std::optional<Candidate> adapter =
        choose(std::move(adapters), session.unopened(), command.adapter, out, exitCode);
    if (!adapter) {
        return exitCode;
    }
    if (!session.open(*adapter)) {
        out << "cannot open " << named(*adapter) << ": " << session.error()
            << " (halvenmark-doctor says why): nothing written\n";
        return kExitNotDone;
    }
    ftdi_context* context = session.context();
    if (context->type != TYPE_R && context->type != TYPE_230X) {
        out << named(*adapter) << " is built on another FTDI chip than an FT232R or FT-X: "
            << "the doctor repairs only those; nothing written\n";
        return kExitNotDone;
    }
    const EepromChip chip = context->type == TYPE_R ? EepromChip::Ft232r : EepromChip::FtX;
    const char* chipName = chip == EepromChip::Ft232r ? "FT232R" : "FT-X";
    const std::optional<Image> present = readImage(context, chip);
    if (!present) {
        out << "the EEPROM of " << named(*adapter) << " did not read: " << session.error()
            << ": nothing written\n";
        return kExitNotDone;
    }
    // A restore mends what a failed write left, whose checksum may not hold; a repair keeps every
    // other byte as it is, which it can only trust when the checksum holds.
    if (!restoring && !ftdi::checksumHolds(*present, chip)) {
        out << "the EEPROM of " << named(*adapter) << " fails its checksum: the doctor writes "
            << "nothing to an EEPROM it cannot read with confidence; nothing written\n";
        return kExitNotDone;
    }

    Image wanted;
    std::string question, done;
    if (restoring) {
        if (restoring->size() != present->size() || !ftdi::checksumHolds(*restoring, chip) ||
            !std::equal(restoring->begin() + kIdsAt, restoring->begin() + kIdsAt + kIdsBytes,
                        present->begin() + kIdsAt)) {
            out << command.backup << " is no EEPROM backup of this adapter's " << chipName
                << " chip (its size, its checksum or its USB ids differ): nothing written\n";
            return kExitNotDone;
        }
        wanted = *restoring;
        question = "Write " + command.backup + " back into the EEPROM of " + named(*adapter) + "?";
        done = "the EEPROM holds the backup again";
    } else {
        const std::uint8_t function = *ftdi::cbus2Function(*present, chip);
        if (function == ftdi::cbus2IoMode(chip)) {
            out << "CBUS pin 2 of " << named(*adapter) << " is in I/O mode already: nothing "
                << "to repair, nothing written\n";
            return kExitDone;
        }
        wanted = ftdi::withCbus2Io(*present, chip);
        out << named(*adapter) << ", an " << chipName << " chip: its EEPROM gives CBUS pin 2 the "
            << "function " << hex(function, 2) << "; the updater needs I/O mode, "
            << hex(ftdi::cbus2IoMode(chip), 2) << ".\n"
            << "the repair changes that pin's function and the checksum, nothing else (words";
        for (const int word : ftdi::differingWords(*present, wanted))
            out << ' ' << hex(word, 2);
        out << ")\n";
        question = "Write the EEPROM of " + named(*adapter) + "?";
        done = "CBUS pin 2 is in I/O mode";
    }
    if (wanted == *present) {
        out << "the EEPROM of " << named(*adapter)
            << " holds the backup already: nothing written\n";
        return kExitDone;
    }
    std::string why;
    const std::optional<fs::path> backup = writeBackup(*present, *adapter, environment, why);
    if (!backup) {
        out << "no backup of the EEPROM could be made: " << why << ": nothing written\n";
        return kExitNotDone;
    }
    out << "backup of the whole EEPROM as it is: " << backup->string() << "\n";
    if (!confirmed(command.yes, question, in, out)) {
        out << "nothing written; the backup stays at " << backup->string() << "\n";
        return kExitNotDone;
    }
    return writeAndVerify(context, *adapter, *present, wanted, chip, *backup, done, out);
}

}  // namespace halvenmark::doctor
