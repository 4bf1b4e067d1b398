#include "gateway/item_query.h"

#include "core/number_format.h"
#include "core/text_util.h"
#include "core/ucommon.h"
#include "pictures/jpeg_image.h"
#include "platform/xml_document.h"

namespace quenbo {

namespace {

// Deletes every occurrence of what in one pass: an occurrence is looked for only where the
// text not yet copied starts, as a search that resumes at the place of each deletion would.
void deleteAll(std::string &text, std::string_view what)
{
    std::string kept;
    kept.reserve(text.size());
    const std::string_view rest(text);
    for (std::size_t at = 0; at < rest.size();) {
        const std::size_t found = rest.find(what, at);
        const std::size_t end = found == std::string_view::npos ? rest.size() : found;
        kept.append(rest.substr(at, end - at));
        at = found == std::string_view::npos ? rest.size() : found + what.size();
    }
    text = std::move(kept);
}

}  // namespace

std::string fieldText(const XmlElement &field)
{
    std::string text = field.text();
    if (text.size() <= kMaxFieldBytes)
        return text;
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t next = end + decodeUtf8At(text, end).second;
        if (next > kMaxFieldBytes)
            break;
        end = next;
    }
    text.resize(end);
    return text;
}

std::optional<std::int64_t> ReadTotalResults(const XmlElement &root)
{
    const std::vector<XmlElement> totals = root.children("total_results");
    if (totals.empty())
        return std::nullopt;
    const std::optional<std::int32_t> total = parseWholeNumber(totals.back().text());
    if (!total || *total < 0)
        return std::nullopt;
    return *total;
}

std::string RemoveBlanks(std::string_view keyword)
{
    std::string kept;
    kept.reserve(keyword.size());
    for (const char c : keyword)
        if (c != ' ')
            kept += c;
    return kept;
}

std::vector<std::string> ItemQueryElements(const ItemQueryInput &input)
{
    std::string searched;
    if (input.mode == SearchMode::Keyword)
        searched = "&keyword=" + input.keyword;
    else if (input.mode == SearchMode::Category)
        searched = "&cid=" + input.cid;
    return {"app_key=" + input.appKey,
            "&end_commissionRate=9500",
            "&end_credit=5goldencrown",
            "&end_price=500000",
            "&fields=num_iid,title,nick,pic_url,price,click_url,commission,commission_rate,"
            "commission_num,commission_volume,shop_click_url,seller_credit_score,item_location,"
            "volume",
            "&format=xml",
            std::move(searched),
            "&method=taobao.taobaoke.items.get",
            "&nick=" + input.nick,
            "&page_no=" + std::to_string(input.pageNo),
            "&page_size=40",
            "&sign=",
            "&sort=credit_desc",
            "&start_commissionNum=5",
            "&start_commissionRate=1000",
            "&start_credit=1heart",
            "&start_price=1",
            "&timestamp=" + input.timestamp,
            "&v=2.0"};
}

std::string ItemQueryAddress(const TCommon &common, const ItemQueryInput &input)
{
    return common.Signer().signedAddress(ItemQueryElements(input), {"keyword"});
}

std::string StripTitleMarkup(std::string title)
{
    deleteAll(title, "<span class=H>");
    deleteAll(title, "</span>");
    deleteAll(title, "&amp;");
    return title;
}

ItemPage ReadItemAnswer(const XmlElement &root)
{
    ItemPage page;
    page.totalResults = ReadTotalResults(root);
    std::size_t containers = 0;
    for (const XmlElement &container : root.children("taobaoke_items")) {
        if (containers++ == kMaxAnswerContainers || page.records.size() == kMaxAnswerItems)
            break;
        std::vector<TDownPic> &batch = page.batches.emplace_back();
        for (const XmlElement &element : container.children("taobaoke_item")) {
            if (page.records.size() == kMaxAnswerItems)
                break;
            TTaoBaoData record;
            TDownPic job;
            for (const XmlElement &field : element.children()) {
                const std::string_view name = field.name();
                if (name == "click_url")
                    record.ClickUrl = fieldText(field);
                if (name == "commission") {
                    record.Commission = parseNumber(field.text(), 0);
                    record.CashBack = CashBack(record.Commission);
                }
                if (name == "item_location")
                    record.Location = fieldText(field);
                if (name == "nick")
                    record.Nick = fieldText(field);
                if (name == "num_iid") {
                    record.NumIid = fieldText(field);
                    job.NumIid = record.NumIid;
                }
                if (name == "price")
                    record.Price = fieldText(field);
                if (name == "pic_url") {
                    record.PicUrl = fieldText(field);
                    job.PicUrl = record.PicUrl;
                    record.Picture = std::make_shared<TJpegImage>();
                }
                if (name == "seller_credit_score")
                    record.CreditScore = parseWholeNumber(field.text()).value_or(0);
                if (name == "shop_click_url")
                    record.ShopClickUrl = fieldText(field);
                if (name == "title")
                    record.Title = StripTitleMarkup(fieldText(field));
                if (name == "volume")
                    record.Volume = parseWholeNumber(field.text()).value_or(0);
            }
            page.records.push_back(std::move(record));
            batch.push_back(std::move(job));
        }
    }
    return page;
}

}  // namespace quenbo
