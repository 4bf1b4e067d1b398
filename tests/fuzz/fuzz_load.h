#pragma once

#include "pictures/picture.h"
#include "platform/xml_document.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// Loading arbitrary bytes the way every fuzz target starts: a load that is refused must leave
// its target empty.

namespace quenbo::fuzz {

// Runs load; when it raises Error, isEmpty must hold afterwards. Whether the load succeeded.
template <class Error, class Load, class IsEmpty> bool loadsOrStaysEmpty(Load load, IsEmpty isEmpty)
{
    try {
        load();
        return true;
    } catch (const Error &) {
        if (!isEmpty())
            __builtin_trap();
        return false;
    }
}

template <class Picture>
bool loadPicture(Picture &picture, const std::uint8_t *data, std::size_t size)
{
    const ByteSpan bytes(data, size);
    return loadsOrStaysEmpty<PictureError>([&] { picture.LoadFromBuffer(bytes); },
                                           [&] { return picture.Empty(); });
}

inline bool loadXml(XmlDocument &xml, const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    return loadsOrStaysEmpty<XmlError>([&] { xml.loadFromText(text); },
                                       [&] { return xml.documentElement().isNull(); });
}

}  // namespace quenbo::fuzz
