#pragma once

#include "core/setting_cipher.h"

namespace quenbo {

// The key under which the protected settings of the resource archive are prepared. The
// program decodes with it and the resource packer encodes with it, so both take it from here.
const CipherKeyBytes &settingsCipherKey();

}  // namespace quenbo
