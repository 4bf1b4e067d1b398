#include "pack/archive_writer.h"

#include "pack/pack_error.h"

#include <zip.h>

#include <memory>

namespace quenbo::pack {

namespace {

struct SourceFree {
    void operator()(zip_source_t *source) const { zip_source_free(source); }
};
using SourcePtr = std::unique_ptr<zip_source_t, SourceFree>;

[[noreturn]] void fail(const std::string &what, zip_error_t *error)
{
    std::string message = "cannot build the archive: " + what;
    if (error != nullptr)
        message += ": " + std::string(zip_error_strerror(error));
    throw PackError(message);
}

void addEntry(zip_t *archive, const ArchiveEntry &entry, const std::string &password)
{
    // libzip reads the data at zip_close, while the caller's entries are still alive.
    zip_source_t *data = zip_source_buffer(archive, entry.data.data(), entry.data.size(), 0);
    if (data == nullptr)
        fail(entry.name, zip_get_error(archive));
    const zip_int64_t index = zip_file_add(archive, entry.name.c_str(), data, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(data);
        fail(entry.name, zip_get_error(archive));
    }
    const auto at = static_cast<zip_uint64_t>(index);
    if (zip_set_file_compression(archive, at, entry.deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 9) !=
            0 ||
        zip_file_set_encryption(archive, at, ZIP_EM_TRAD_PKWARE, password.c_str()) != 0)
        fail(entry.name, zip_get_error(archive));
}

std::vector<std::uint8_t> readAll(zip_source_t *source)
{
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_source_stat(source, &stat) != 0 || (stat.valid & ZIP_STAT_SIZE) == 0)
        fail("reading the result", zip_source_error(source));
    if (zip_source_open(source) != 0)
        fail("reading the result", zip_source_error(source));
    std::vector<std::uint8_t> bytes(stat.size);
    const zip_int64_t got = zip_source_read(source, bytes.data(), bytes.size());
    zip_source_close(source);
    if (got < 0 || static_cast<zip_uint64_t>(got) != stat.size)
        fail("reading the result", zip_source_error(source));
    return bytes;
}

}  // namespace

std::vector<std::uint8_t> buildArchive(std::span<const ArchiveEntry> entries,
                                       const std::string &password)
{
    zip_error_t error;
    zip_error_init(&error);
    SourcePtr buffer(zip_source_buffer_create(nullptr, 0, 0, &error));
    if (!buffer)
        fail("memory buffer", &error);
    zip_t *archive = zip_open_from_source(buffer.get(), ZIP_TRUNCATE, &error);
    if (archive == nullptr)
        fail("opening", &error);
    // The archive takes over one reference; keep ours to read the result after zip_close.
    zip_source_keep(buffer.get());
    try {
        for (const ArchiveEntry &entry : entries)
            addEntry(archive, entry, password);
    } catch (...) {
        zip_discard(archive);
        throw;
    }
    if (zip_close(archive) != 0) {
        std::string reason = zip_strerror(archive);
        zip_discard(archive);
        throw PackError("cannot build the archive: " + reason);
    }
    return readAll(buffer.get());
}

}  // namespace quenbo::pack
