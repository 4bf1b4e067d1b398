#include "gateway/material_search.h"

#include "core/number_format.h"
#include "core/ucommon.h"
#include "pictures/jpeg_image.h"
#include "platform/xml_document.h"

namespace quenbo {

namespace {

std::string_view sortName(MaterialSort sort)
{
    switch (sort) {
    case MaterialSort::PriceAscending:
        return "final_promotion_price_asc";
    case MaterialSort::PriceDescending:
        return "final_promotion_price_des";
    case MaterialSort::SalesDescending:
        return "total_sales_des";
    case MaterialSort::Platform:
        break;
    }
    return {};
}

// The fields of one map_data element: its own and those of its three groups (a group within a
// group is not read), the later one when a name repeats.
void readFields(const XmlElement &element, bool withGroups, TTaoBaoData &record, double &incomeRate)
{
    for (const XmlElement &field : element.children()) {
        const std::string_view name = field.name();
        if (name == "item_basic_info" || name == "price_promotion_info" || name == "publish_info") {
            if (withGroups)
                readFields(field, false, record, incomeRate);
        } else if (name == "item_id") {
            record.NumIid = fieldText(field);
        } else if (name == "title") {
            record.Title = StripTitleMarkup(fieldText(field));
        } else if (name == "shop_title") {
            record.Nick = fieldText(field);
        } else if (name == "zk_final_price") {
            record.Price = fieldText(field);
        } else if (name == "pict_url") {
            record.PicUrl = WithWebScheme(fieldText(field));
            record.Picture = std::make_shared<TJpegImage>();
        } else if (name == "volume") {
            record.Volume = parseWholeNumber(field.text()).value_or(0);
        } else if (name == "provcity") {
            record.Location = fieldText(field);
        } else if (name == "click_url") {
            record.ClickUrl = WithWebScheme(fieldText(field));
        } else if (name == "income_rate") {
            incomeRate = parseNumber(field.text(), 0);
        }
    }
}

}  // namespace

std::vector<std::string> MaterialQueryElements(const MaterialQueryInput &input)
{
    const ItemQueryInput &search = input.search;
    std::string category;
    std::string keyword;
    if (search.mode == SearchMode::Keyword)
        keyword = "&q=" + search.keyword;
    else if (search.mode == SearchMode::Category)
        category = "&cat=" + search.cid;
    const std::string_view sort = sortName(input.sort);
    return {"adzone_id=" + input.adzoneId,
            "&app_key=" + search.appKey,
            std::move(category),
            "&end_price=500000",
            "&end_tk_rate=9500",
            "&format=xml",
            "&method=" + std::string(ProgramSettings::kMaterialSearchMethod),
            "&page_no=" + std::to_string(search.pageNo),
            "&page_size=40",
            std::move(keyword),
            "&sign=",
            "&sign_method=md5",
            sort.empty() ? std::string() : "&sort=" + std::string(sort),
            "&start_price=1",
            "&start_tk_rate=1000",
            "&timestamp=" + search.timestamp,
            "&v=2.0"};
}

std::string MaterialQueryAddress(const TCommon &common, const MaterialQueryInput &input)
{
    return common.Signer().signedAddress(MaterialQueryElements(input), {"q"});
}

std::string WithWebScheme(std::string address)
{
    if (address.starts_with("//"))
        address.insert(0, "https:");
    return address;
}

ItemPage ReadMaterialAnswer(const XmlElement &root)
{
    ItemPage page;
    page.totalResults = ReadTotalResults(root);
    const std::vector<XmlElement> lists = root.children("result_list");
    if (lists.empty())
        return page;
    std::vector<TDownPic> &batch = page.batches.emplace_back();
    for (const XmlElement &element : lists.front().children("map_data")) {
        if (page.records.size() == kMaxAnswerItems)
            break;
        TTaoBaoData record;
        double incomeRate = 0;
        readFields(element, true, record, incomeRate);
        record.Commission = parseNumber(record.Price, 0) * incomeRate / 100;
        record.CashBack = CashBack(record.Commission);
        batch.push_back({record.NumIid, record.PicUrl, std::string(kSquarePictureSuffix)});
        page.records.push_back(std::move(record));
    }
    return page;
}

ItemPage ReadAnyItemAnswer(const XmlElement &root)
{
    if (root.name() == kMaterialAnswerRoot)
        return ReadMaterialAnswer(root);
    return ReadItemAnswer(root);
}

}  // namespace quenbo
