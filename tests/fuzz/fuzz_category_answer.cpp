#include "gateway/category_query.h"

#include "platform/xml_document.h"

#include "fuzz_load.h"

#include <cstddef>
#include <cstdint>

// Parses arbitrary bytes as a category answer and walks it: every record the walk yields must
// be a fresh, unloaded one, and a body that does not parse must leave an empty document.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    quenbo::XmlDocument xml;
    if (!quenbo::fuzz::loadXml(xml, data, size))
        return 0;
    std::size_t read = 0;
    quenbo::ReadCategoryAnswer(xml.documentElement(), [&](const quenbo::TShopClass &record) {
        if (record.Loaded)
            __builtin_trap();
        quenbo::CategoryIdNumber(record.Cid);
        ++read;
    });
    if (read > size)
        __builtin_trap();
    return 0;
}
