#include "platform/ini_file.h"

#include <cstddef>
#include <cstdint>

// Parses arbitrary bytes as INI text: the text must come back unchanged, and a value set in
// it must read back from the rewritten text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    quenbo::IniText ini(text);
    if (ini.text() != text)
        __builtin_trap();
    ini.value("config", "App_Key");
    ini.setValue("config", "deltmp", "1");
    if (quenbo::IniText(ini.text()).value("config", "deltmp") != "1")
        __builtin_trap();
    return 0;
}
