#include "gateway/item_query.h"
#include "gateway/material_search.h"

#include "pictures/jpeg_image.h"
#include "platform/xml_document.h"

#include "fuzz_load.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

// Markup removal as a search that resumes where it erased: the meaning the one-pass removal
// keeps. Quadratic, so it is given only the start of the input.
std::string stripByErasing(std::string title)
{
    for (const std::string_view mark : {"<span class=H>", "</span>", "&amp;"})
        for (std::size_t at = title.find(mark); at != std::string::npos; at = title.find(mark, at))
            title.erase(at, mark.size());
    return title;
}

}  // namespace

// Parses arbitrary bytes as an answer of either item search and walks it: every item's id must be
// reported before its record, batches must open and close in pairs, and a record's picture object
// must be a fresh, empty one made only together with its picture address. The title markup
// removal must agree with the erasing search on the input's first bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string head(reinterpret_cast<const char *>(data),
                           std::min<std::size_t>(size, 16384));
    if (quenbo::StripTitleMarkup(head) != stripByErasing(head))
        __builtin_trap();

    quenbo::XmlDocument xml;
    if (!quenbo::fuzz::loadXml(xml, data, size))
        return 0;
    int open = 0;
    std::size_t items = 0;
    std::string lastId;
    quenbo::ItemAnswerSteps steps;
    steps.beginBatch = [&] {
        if (open++ != 0)
            __builtin_trap();
    };
    steps.endBatch = [&] {
        if (--open != 0)
            __builtin_trap();
    };
    steps.itemId = [&](const std::string &id) { lastId = id; };
    steps.item = [&](quenbo::TTaoBaoData record, quenbo::TDownPic job) {
        if (open != 1 || job.NumIid != record.NumIid || job.PicUrl != record.PicUrl)
            __builtin_trap();
        if (!record.NumIid.empty() && record.NumIid != lastId)
            __builtin_trap();
        if (record.Picture && !record.Picture->Empty())
            __builtin_trap();
        ++items;
        lastId.clear();
    };
    quenbo::ReadAnyItemAnswer(xml.documentElement(), steps);
    if (open != 0 || items > size)
        __builtin_trap();
    return 0;
}
