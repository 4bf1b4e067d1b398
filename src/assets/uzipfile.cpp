#include "assets/uzipfile.h"

#include "assets/archive_password.h"

#include <zip.h>

#include <memory>

namespace quenbo {

namespace {

struct ZipFileCloser {
    void operator()(zip_file_t *file) const { zip_fclose(file); }
};

}  // namespace

TZipFile::TZipFile(const std::string &path)
{
    int code = 0;
    FArchive = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (!FArchive) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const std::string reason = zip_error_strerror(&error);
        zip_error_fini(&error);
        throw EArchiveError("资源包无法打开：\"" + path + "\": " + reason);
    }
    const std::string password = ArchivePassword();
    zip_set_default_password(FArchive, password.c_str());
}

TZipFile::~TZipFile()
{
    zip_discard(FArchive);
}

bool TZipFile::ReadEntry(const std::string &name, std::vector<std::uint8_t> &stream) const
{
    const zip_int64_t index = zip_name_locate(FArchive, name.c_str(), ZIP_FL_NOCASE);
    if (index < 0)
        return false;
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(FArchive, zip_uint64_t(index), 0, &stat) != 0 ||
        !(stat.valid & ZIP_STAT_SIZE) || stat.size > kMaxEntrySize)
        return false;
    // libzip 1.7 leaks the entry's reader when it cannot decrypt or inflate it: such an entry
    // is refused before it is opened.
    if (((stat.valid & ZIP_STAT_COMP_METHOD) &&
         !zip_compression_method_supported(stat.comp_method, 0)) ||
        ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) &&
         !zip_encryption_method_supported(stat.encryption_method, 0)))
        return false;
    std::unique_ptr<zip_file_t, ZipFileCloser> file(
        zip_fopen_index(FArchive, zip_uint64_t(index), 0));
    if (!file)
        return false;

    std::vector<std::uint8_t> bytes(stat.size);
    zip_uint64_t done = 0;
    // Read until the end, past the announced size, so that the CRC is checked and an entry
    // whose data is longer than its header says is refused.
    for (;;) {
        std::uint8_t spare;
        std::uint8_t *target = done < bytes.size() ? bytes.data() + done : &spare;
        const zip_uint64_t want = done < bytes.size() ? bytes.size() - done : 1;
        const zip_int64_t got = zip_fread(file.get(), target, want);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        if (target == &spare)
            return false;
        done += zip_uint64_t(got);
    }
    if (done != bytes.size())
        return false;
    stream.swap(bytes);
    return true;
}

bool TZipFile::ReadPicture(const std::string &entry, TPicture &picture) const
{
    std::vector<std::uint8_t> bytes;
    if (!ReadEntry(entry, bytes))
        return false;
    try {
        picture.LoadFromBuffer(bytes);
    } catch (const PictureError &) {
        return false;
    }
    return true;
}

bool TZipFile::ReadBitmap(const std::string &name, TBitmap &bitmap) const
{
    return ReadPicture(name + ".bmp", bitmap);
}

bool TZipFile::ReadGif(const std::string &name, TGifImage &gif) const
{
    return ReadPicture(name + ".gif", gif);
}

bool TZipFile::ReadJpeg(const std::string &name, TJpegImage &jpeg) const
{
    return ReadPicture(name + ".jpg", jpeg);
}

bool TZipFile::ReadPng(const std::string &name, TPngImage &png) const
{
    return ReadPicture(name + ".png", png);
}

}  // namespace quenbo
