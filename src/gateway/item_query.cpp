#include "item_query.h"

#include "jpeg_image.h"
#include "number_format.h"
#include "signed_request.h"
#include "xml_document.h"

namespace quenbo {

namespace {

void deleteAll(std::string &text, std::string_view what)
{
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at))
        text.erase(at, what.size());
}

}  // namespace

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
    if (input.mode == 0)
        searched = "&keyword=" + input.keyword;
    else if (input.mode == 1)
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
    return SignedAddress(common, ItemQueryElements(input), {"keyword"});
}

std::string StripTitleMarkup(std::string title)
{
    deleteAll(title, "<span class=H>");
    deleteAll(title, "</span>");
    deleteAll(title, "&amp;");
    return title;
}

void ReadItemAnswer(const XmlElement &root, const ItemAnswerSteps &steps)
{
    for (const XmlElement &container : root.children("taobaoke_items")) {
        steps.beginBatch();
        for (const XmlElement &element : container.children("taobaoke_item")) {
            TTaoBaoData record;
            TDownPic job;
            for (const XmlElement &field : element.children()) {
                const std::string_view name = field.name();
                if (name == "click_url")
                    record.ClickUrl = field.text();
                if (name == "commission") {
                    record.Commission = parseNumber(field.text(), 0);
                    record.CashBack = CashBack(record.Commission);
                }
                if (name == "item_location")
                    record.Location = field.text();
                if (name == "nick")
                    record.Nick = field.text();
                if (name == "num_iid") {
                    record.NumIid = field.text();
                    job.NumIid = record.NumIid;
                    steps.itemId(record.NumIid);
                }
                if (name == "price")
                    record.Price = field.text();
                if (name == "pic_url") {
                    record.PicUrl = field.text();
                    job.PicUrl = record.PicUrl;
                    record.Picture = std::make_shared<TJpegImage>();
                }
                if (name == "seller_credit_score")
                    record.CreditScore = parseWholeNumber(field.text()).value_or(0);
                if (name == "shop_click_url")
                    record.ShopClickUrl = field.text();
                if (name == "title")
                    record.Title = StripTitleMarkup(field.text());
                if (name == "volume")
                    record.Volume = parseWholeNumber(field.text()).value_or(0);
            }
            steps.item(std::move(record), std::move(job));
        }
        steps.endBatch();
    }
}

}  // namespace quenbo
