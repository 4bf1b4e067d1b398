#include "core/cipher_key.h"

namespace quenbo {

const CipherKeyBytes &settingsCipherKey()
{
    static constexpr CipherKeyBytes kKey = {0x5A, 0x3C, 0x91, 0x0E, 0xD4, 0x67, 0x2B, 0xF8,
                                            0x13, 0xA6, 0x7D, 0x40, 0xC9, 0x85, 0x1F, 0x62};
    return kKey;
}

}  // namespace quenbo
