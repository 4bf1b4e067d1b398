#include "test_archive.h"

#include "assets/archive_password.h"
#include "core/cipher_key.h"
#include "core/setting_cipher.h"

#include <zip.h>

#include <stdexcept>

namespace quenbo::testsupport {

namespace {

void check(bool ok, const std::string &what)
{
    if (!ok)
        throw std::runtime_error("test archive: " + what);
}

}  // namespace

std::string protectedConfig(const std::map<std::string, std::string> &plain)
{
    std::string text = "[config]\r\n";
    for (const auto &[key, value] : plain)
        text += key + "=" + EncryptText(value, settingsCipherKey()) + "\r\n";
    return text;
}

void writeEncryptedArchive(const std::filesystem::path &file, const ArchiveEntries &entries)
{
    const std::string password = ArchivePassword();
    int code = 0;
    zip_t *archive = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    check(archive != nullptr, "cannot create " + file.string());
    for (const auto &[name, data] : entries) {
        zip_source_t *source = zip_source_buffer(archive, data.data(), data.size(), 0);
        const zip_int64_t index =
            source ? zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            zip_source_free(source);
            zip_discard(archive);
            check(false, "cannot add " + name);
        }
        if (zip_file_set_encryption(archive, zip_uint64_t(index), ZIP_EM_TRAD_PKWARE,
                                    password.c_str()) != 0) {
            zip_discard(archive);
            check(false, "cannot encrypt " + name);
        }
    }
    check(zip_close(archive) == 0, "cannot write " + file.string());
}

}  // namespace quenbo::testsupport
