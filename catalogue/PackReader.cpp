#include "catalogue/PackReader.h"

#include <fstream>
#include <system_error>

#ifdef HALVENMARK_LIBARCHIVE
#include <archive.h>
#include <archive_entry.h>
#endif

namespace halvenmark::catalogue {

namespace fs = std::filesystem;

namespace {

// Counts what has been taken in against the pack's limits, and keeps the first refusal.
class Intake {
  public:
    explicit Intake(const PackLimits& limits) : limits_(limits) {}

    // The most bytes to accept for `path`, or nullopt after refusing it.
    std::optional<std::size_t> admit(const std::string& path) {
        if (++entries_ > limits_.entries) {
            refuse(path, "the pack holds more than " + std::to_string(limits_.entries) +
                             " files and folders");
            return std::nullopt;
        }
        std::string why;
        const auto limit = limits_.entryLimit(path, why);
        if (!limit) {
            refuse(path, why);
        }
        return limit;
    }

    // Takes the bytes read for `path` (at most one more than `limit`).
    bool take(std::string path, std::vector<std::uint8_t> bytes, std::size_t limit) {
        if (bytes.size() > limit) {
            return refuse(path, "larger than the " + std::to_string(limit) +
                                    " bytes a pack's file of that name may hold");
        }
        total_ += bytes.size();
        if (total_ > limits_.totalBytes) {
            return refuse(path, "the pack unpacks to more than the " +
                                    std::to_string(limits_.totalBytes) + " bytes of a whole store");
        }
        for (const PackEntry& entry : contents_.entries) {
            if (entry.path == path)
                return refuse(path, "in the pack twice");
        }
        contents_.entries.push_back({std::move(path), std::move(bytes)});
        return true;
    }

    bool refuse(const std::string& path, const std::string& why) {
        if (contents_.refusal.empty()) {
            contents_.refusal = path + ": " + why;
        }
        return false;
    }

    bool refused() const { return !contents_.refusal.empty(); }
    PackContents result() && {
        if (refused())
            contents_.entries.clear();
        return std::move(contents_);
    }

  private:
    const PackLimits& limits_;
    PackContents contents_;
    std::size_t entries_ = 0;
    std::size_t total_ = 0;
};

// Reads at most limit + 1 bytes, so a longer file is known as such without reading it all.
std::optional<std::vector<std::uint8_t>> readBounded(const fs::path& file, std::size_t limit) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(limit + 1);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (in.bad()) {
        return std::nullopt;
    }
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

bool leavesFolder(const fs::path& relative) {
    return relative.empty() || relative.is_absolute() || *relative.begin() == "..";
}

}  // namespace

PackContents readPackFolder(const fs::path& folder, const PackLimits& limits) {
    Intake intake(limits);
    std::error_code error;
    const fs::path root = fs::canonical(folder, error);
    if (error) {
        intake.refuse(folder.string(), "cannot be read: " + error.message());
        return std::move(intake).result();
    }
    fs::recursive_directory_iterator walk(root, error);
    for (; !error && walk != fs::recursive_directory_iterator(); walk.increment(error)) {
        const fs::directory_entry& entry = *walk;
        const std::string path = entry.path().lexically_relative(root).generic_string();
        if (entry.is_directory(error) && !entry.is_symlink(error)) {
            if (!intake.admit(path + "/"))
                break;
            continue;
        }
        fs::path file = entry.path();
        if (entry.is_symlink(error)) {
            const fs::path target = fs::canonical(entry.path(), error);
            if (error) {
                intake.refuse(path, "a symbolic link to nothing that can be read");
                break;
            }
            if (leavesFolder(target.lexically_relative(root))) {
                intake.refuse(path,
                              "a symbolic link that leads out of the pack, to " + target.string());
                break;
            }
            file = target;
        }
        if (!fs::is_regular_file(file, error)) {
            intake.refuse(path, "neither a file nor a folder");
            break;
        }
        const auto limit = intake.admit(path);
        if (!limit) {
            break;
        }
        auto bytes = readBounded(file, *limit);
        if (!bytes) {
            intake.refuse(path, "cannot be read");
            break;
        }
        if (!intake.take(path, std::move(*bytes), *limit)) {
            break;
        }
    }
    if (error && !intake.refused()) {
        intake.refuse(folder.string(), "cannot be read: " + error.message());
    }
    return std::move(intake).result();
}

#ifdef HALVENMARK_LIBARCHIVE

namespace {

struct ArchiveReader {
    archive* handle = archive_read_new();
    ~ArchiveReader() { archive_read_free(handle); }
};

// Whether an archive's entry name stays inside the pack: relative, without "..", without the
// other system's separator or a drive letter.
bool staysInside(const std::string& name) {
    if (name.empty() || name.front() == '/' || name.find('\\') != std::string::npos ||
        (name.size() > 1 && name[1] == ':')) {
        return false;
    }
    for (const auto& part : fs::path(name)) {
        if (part == "..")
            return false;
    }
    return true;
}

// "./jpg/1.bin" and "jpg/" as the pack names them: "jpg/1.bin", "jpg/".
std::string packPath(std::string name) {
    while (name.rfind("./", 0) == 0)
        name.erase(0, 2);
    return name;
}

// The one folder every entry of the archive sits in, when the manifest is not at its top (a zip
// of the pack's folder rather than of its contents), or "".
std::string commonFolder(const std::vector<std::string>& names) {
    std::string folder;
    for (const std::string& name : names) {
        if (name == "manifest.txt")
            return "";
        const auto slash = name.find('/');
        if (slash == std::string::npos)
            return "";
        const std::string first = name.substr(0, slash + 1);
        if (!folder.empty() && first != folder)
            return "";
        folder = first;
    }
    return folder;
}

bool open(ArchiveReader& reader, const fs::path& zip) {
    archive_read_support_format_zip(reader.handle);
    return archive_read_open_filename(reader.handle, zip.string().c_str(), 64 * 1024) == ARCHIVE_OK;
}

std::string archiveError(ArchiveReader& reader) {
    const char* text = archive_error_string(reader.handle);
    return text != nullptr ? text : "not a readable zip archive";
}

}  // namespace

PackContents readPackZip(const fs::path& zip, const PackLimits& limits) {
    Intake intake(limits);
    const std::string shown = zip.filename().string();
    // First the names alone, to see whether the pack sits in a folder of the archive.
    std::vector<std::string> names;
    {
        ArchiveReader reader;
        if (!open(reader, zip)) {
            intake.refuse(shown, archiveError(reader));
            return std::move(intake).result();
        }
        archive_entry* entry = nullptr;
        int status = ARCHIVE_OK;
        while ((status = archive_read_next_header(reader.handle, &entry)) == ARCHIVE_OK) {
            const char* name = archive_entry_pathname(entry);
            names.push_back(packPath(name != nullptr ? name : ""));
            if (names.size() > limits.entries) {
                intake.refuse(shown, "the pack holds more than " + std::to_string(limits.entries) +
                                         " files and folders");
                return std::move(intake).result();
            }
        }
        if (status != ARCHIVE_EOF) {
            intake.refuse(shown, archiveError(reader));
            return std::move(intake).result();
        }
    }
    const std::string folder = commonFolder(names);

    ArchiveReader reader;
    if (!open(reader, zip)) {
        intake.refuse(shown, archiveError(reader));
        return std::move(intake).result();
    }
    archive_entry* entry = nullptr;
    int status = ARCHIVE_OK;
    while ((status = archive_read_next_header(reader.handle, &entry)) == ARCHIVE_OK) {
        const char* raw = archive_entry_pathname(entry);
        const std::string name = packPath(raw != nullptr ? raw : "");
        if (!staysInside(name)) {
            intake.refuse(name, "a name that leads out of the pack");
            break;
        }
        const std::string path = name.substr(folder.size());
        const auto type = archive_entry_filetype(entry);
        if (archive_entry_hardlink(entry) != nullptr || type == AE_IFLNK) {
            intake.refuse(path, "a link: a pack in a zip holds files and folders only");
            break;
        }
        if (type == AE_IFDIR) {
            if (!path.empty() && !intake.admit(path.back() == '/' ? path : path + "/"))
                break;
            continue;
        }
        if (type != AE_IFREG) {
            intake.refuse(path, "neither a file nor a folder");
            break;
        }
        const auto limit = intake.admit(path);
        if (!limit) {
            break;
        }
        // Never more than one byte past the limit, whatever the archive says of the size.
        std::vector<std::uint8_t> bytes(*limit + 1);
        std::size_t filled = 0;
        la_ssize_t got = 0;
        while (filled < bytes.size() &&
               (got = archive_read_data(reader.handle, bytes.data() + filled,
                                        bytes.size() - filled)) > 0) {
            filled += static_cast<std::size_t>(got);
        }
        if (got < 0) {
            intake.refuse(path, archiveError(reader));
            break;
        }
        bytes.resize(filled);
        if (!intake.take(path, std::move(bytes), *limit)) {
            break;
        }
    }
    if (status != ARCHIVE_OK && status != ARCHIVE_EOF && !intake.refused()) {
        intake.refuse(shown, archiveError(reader));
    }
    return std::move(intake).result();
}

#else

PackContents readPackZip(const fs::path& zip, const PackLimits&) {
    return {{},
            zip.filename().string() +
                ": this build reads no .zip packs: unpack it into a folder and give that folder"};
}

#endif

}  // namespace halvenmark::catalogue
