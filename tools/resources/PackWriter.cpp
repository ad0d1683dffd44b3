#include "tools/resources/PackWriter.h"

#include <archive.h>
#include <archive_entry.h>

namespace halvenmark::tools {

namespace {

// The time every entry carries, so that the same pack makes the same archive.
constexpr time_t kEntryTime = 315532800;  // 1980-01-01, the earliest a zip can record

}  // namespace

bool writeZip(const std::filesystem::path& zip, const std::vector<ZipEntry>& entries,
              std::string& error) {
    archive* out = archive_write_new();
    archive_write_set_format_zip(out);
    bool written = archive_write_open_filename(out, zip.string().c_str()) == ARCHIVE_OK;
    for (const ZipEntry& file : entries) {
        if (!written)
            break;
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, file.name.c_str());
        archive_entry_set_mtime(entry, kEntryTime, 0);
        if (file.linkTarget.empty()) {
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_perm(entry, 0644);
            archive_entry_set_size(entry, static_cast<la_int64_t>(file.bytes.size()));
        } else {
            archive_entry_set_filetype(entry, AE_IFLNK);
            archive_entry_set_perm(entry, 0777);
            archive_entry_set_symlink(entry, file.linkTarget.c_str());
        }
        written =
            archive_write_header(out, entry) == ARCHIVE_OK &&
            (file.bytes.empty() || archive_write_data(out, file.bytes.data(), file.bytes.size()) ==
                                       static_cast<la_ssize_t>(file.bytes.size()));
        archive_entry_free(entry);
    }
    written = archive_write_close(out) == ARCHIVE_OK && written;
    if (!written) {
        const char* reason = archive_error_string(out);
        error = reason != nullptr ? reason : "cannot write the archive";
    }
    archive_write_free(out);
    return written;
}

}  // namespace halvenmark::tools
