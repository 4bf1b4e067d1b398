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
#include <vector>

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

// Parses arbitrary bytes as an answer of either item search and reads its page: it must stay
// within the caps, hold one job per record in the records' order, give each record's job its id
// and picture address, make a record's picture object a fresh, empty one, and give no negative
// total. The title markup removal must agree with the erasing search on the input's first bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string head(reinterpret_cast<const char *>(data),
                           std::min<std::size_t>(size, 16384));
    if (quenbo::StripTitleMarkup(head) != stripByErasing(head))
        __builtin_trap();

    quenbo::XmlDocument xml;
    if (!quenbo::fuzz::loadXml(xml, data, size))
        return 0;
    const quenbo::ItemPage page = quenbo::ReadAnyItemAnswer(xml.documentElement());
    if (page.records.size() > quenbo::kMaxAnswerItems ||
        page.batches.size() > quenbo::kMaxAnswerContainers || page.records.size() > size)
        __builtin_trap();
    if (page.totalResults && *page.totalResults < 0)
        __builtin_trap();
    std::size_t next = 0;
    for (const std::vector<quenbo::TDownPic> &batch : page.batches) {
        for (const quenbo::TDownPic &job : batch) {
            if (next == page.records.size())
                __builtin_trap();
            const quenbo::TTaoBaoData &record = page.records[next++];
            if (job.NumIid != record.NumIid || job.PicUrl != record.PicUrl)
                __builtin_trap();
            if (record.Picture && !record.Picture->Empty())
                __builtin_trap();
        }
    }
    if (next != page.records.size())
        __builtin_trap();
    return 0;
}
