#include "pack/pack_job.h"

#include "assets/archive_password.h"
#include "pack/archive_writer.h"
#include "pack/art_style.h"
#include "pack/artwork.h"
#include "pack/contact_sheet.h"
#include "pack/pack_error.h"
#include "pictures/picture_writers.h"
#include "platform/file_io.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <span>
#include <system_error>

namespace quenbo::pack {

namespace {

namespace fs = std::filesystem;

void makeExportDir(const fs::path &dir)
{
    std::error_code error;
    fs::create_directories(dir, error);
    if (!error && !fs::is_directory(dir, error))
        error = std::make_error_code(std::errc::not_a_directory);
    if (error)
        throw PackError("cannot make the export folder " + dir.string() + ": " + error.message());
}

// Writes the file whole or not at all (see writeFileAtomically), flushed to disk. Raises
// PackError naming the path.
void writeFileReplacing(const std::string &path, std::span<const std::uint8_t> bytes)
{
    const std::string_view text(reinterpret_cast<const char *>(bytes.data()), bytes.size());
    if (!writeFileAtomically(path, text, WriteSync::Synced))
        throw PackError("cannot write " + path + ": " + std::strerror(errno));
}

void exportEntries(const fs::path &dir, const std::vector<ArchiveEntry> &entries)
{
    for (const ArchiveEntry &entry : entries)
        writeFileReplacing((dir / entry.name).string(), entry.data);
    writeFileReplacing((dir / kContactSheetName).string(),
                       EncodePng(toRgba(contactSheet(entries))));
}

}  // namespace

void runPack(const PackOptions &options)
{
    if (!options.exportDir.empty())
        makeExportDir(options.exportDir);

    std::vector<ArchiveEntry> entries{settingsEntry(options.settings)};
    std::vector<ArchiveEntry> pictures = artworkEntries();
    entries.insert(entries.end(), std::make_move_iterator(pictures.begin()),
                   std::make_move_iterator(pictures.end()));

    writeFileReplacing(options.outPath, buildArchive(entries, ArchivePassword()));

    if (!options.exportDir.empty())
        exportEntries(options.exportDir, entries);
}

}  // namespace quenbo::pack
