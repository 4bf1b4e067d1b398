#include "core/setting_cipher.h"

#include <cstddef>
#include <cstdint>

// Decodes arbitrary text as a protected setting value; every failure must be one of the
// two documented errors, and whatever decodes must encode back to a text that decodes to it.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const quenbo::TSettingCipher cipher(
        quenbo::CipherKeyBytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    try {
        const std::string plain = cipher.DecryptText(text);
        if (cipher.DecryptText(cipher.EncryptText(plain)) != plain)
            __builtin_trap();
    } catch (const quenbo::ECipherException &) {
    } catch (const quenbo::EBase64Error &) {
    }
    return 0;
}
