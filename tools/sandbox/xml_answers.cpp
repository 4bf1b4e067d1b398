#include "sandbox/xml_answers.h"

#include "sandbox/addresses.h"
#include "sandbox/text_format.h"

#include <array>

namespace quenbo::sandbox {

namespace {

constexpr std::array<std::string_view, 4> kCategoryFieldNames{"cid", "parent_cid", "name",
                                                              "is_parent"};
constexpr std::array<std::string_view, 14> kItemFieldNames{
    "num_iid",           "title",           "nick",
    "pic_url",           "price",           "click_url",
    "commission",        "commission_rate", "commission_num",
    "commission_volume", "shop_click_url",  "seller_credit_score",
    "item_location",     "volume"};
constexpr std::array<ItemField, 14> kAllItemFields{
    ItemField::NumIid,           ItemField::Title,          ItemField::Nick,
    ItemField::PicUrl,           ItemField::Price,          ItemField::ClickUrl,
    ItemField::Commission,       ItemField::CommissionRate, ItemField::CommissionNum,
    ItemField::CommissionVolume, ItemField::ShopClickUrl,   ItemField::SellerCreditScore,
    ItemField::ItemLocation,     ItemField::Volume};

// Answers are written straight into a string: building a DOM first would cost more than the
// rest of a gateway request together.
class XmlText {
public:
    explicit XmlText(std::string_view root)
        : m_root(root)
    {
        m_text.reserve(32 * 1024);
        m_text += R"(<?xml version="1.0" encoding="utf-8"?>)";
        open(root);
    }

    void open(std::string_view name, bool list = false)
    {
        m_text += '<';
        m_text += name;
        m_text += list ? R"( list="true">)" : ">";
    }

    void close(std::string_view name)
    {
        m_text += "</";
        m_text += name;
        m_text += '>';
    }

    void element(std::string_view name, std::string_view text)
    {
        open(name);
        for (const char c : text) {
            switch (c) {
            case '&':
                m_text += "&amp;";
                break;
            case '<':
                m_text += "&lt;";
                break;
            case '>':
                m_text += "&gt;";
                break;
            default:
                m_text += c;
            }
        }
        close(name);
    }

    std::string finish()
    {
        close(m_root);
        return std::move(m_text);
    }

private:
    std::string_view m_root;
    std::string m_text;
};

std::string fieldText(const Catalogue &catalogue, std::uint32_t index, ItemField field,
                      std::string_view baseUrl, std::string_view foldedKeyword)
{
    const Item &item = catalogue.items()[index];
    const Seller &seller = catalogue.sellers()[item.seller];
    switch (field) {
    case ItemField::NumIid:
        return item.numIid;
    case ItemField::Title:
        return markedTitle(item.title, catalogue.foldedTitle(index), foldedKeyword);
    case ItemField::Nick:
        return seller.nick;
    case ItemField::PicUrl:
        return pictureUrl(baseUrl, item.numIid);
    case ItemField::Price:
        return yuanText(item.priceFen);
    case ItemField::ClickUrl:
        return clickUrl(baseUrl, item.numIid);
    case ItemField::Commission:
        return yuanText(item.commissionFen);
    case ItemField::CommissionRate:
        return std::to_string(item.commissionRate) + ".00";
    case ItemField::CommissionNum:
        return std::to_string(item.commissionNum);
    case ItemField::CommissionVolume:
        return yuanText(item.commissionVolumeFen);
    case ItemField::ShopClickUrl:
        return shopUrl(baseUrl, item.seller);
    case ItemField::SellerCreditScore:
        return std::to_string(seller.credit);
    case ItemField::ItemLocation:
        return seller.location;
    case ItemField::Volume:
        return std::to_string(item.volume);
    }
    return {};
}

void appendEscapingAmpersands(std::string &out, std::string_view text)
{
    for (const char c : text) {
        if (c == '&')
            out += "&amp;";
        else
            out += c;
    }
}

}  // namespace

std::optional<CategoryField> parseCategoryField(std::string_view name)
{
    return enumeratorNamed<CategoryField>(kCategoryFieldNames, name);
}

std::optional<ItemField> parseItemField(std::string_view name)
{
    return enumeratorNamed<ItemField>(kItemFieldNames, name);
}

std::span<const ItemField> allItemFields()
{
    return kAllItemFields;
}

std::string categoriesAnswer(std::span<const Category *const> categories,
                             std::span<const CategoryField> fields)
{
    XmlText xml("itemcats_get_response");
    if (!categories.empty()) {
        xml.open("item_cats", true);
        for (const Category *category : categories) {
            xml.open("item_cat");
            for (const CategoryField field : fields) {
                const auto name = kCategoryFieldNames[static_cast<std::size_t>(field)];
                switch (field) {
                case CategoryField::Cid:
                    xml.element(name, std::to_string(category->cid));
                    break;
                case CategoryField::ParentCid:
                    xml.element(name, std::to_string(category->parentCid));
                    break;
                case CategoryField::Name:
                    xml.element(name, category->name);
                    break;
                case CategoryField::IsParent:
                    xml.element(name, category->isParent ? "true" : "false");
                    break;
                }
            }
            xml.close("item_cat");
        }
        xml.close("item_cats");
    }
    return xml.finish();
}

std::string itemsAnswer(const Catalogue &catalogue, const ItemPage &page,
                        std::span<const ItemField> fields, std::string_view baseUrl,
                        std::string_view foldedKeyword)
{
    XmlText xml("taobaoke_items_get_response");
    if (!page.items.empty()) {
        xml.open("taobaoke_items", true);
        for (const std::uint32_t index : page.items) {
            xml.open("taobaoke_item");
            for (const ItemField field : fields) {
                xml.element(kItemFieldNames[static_cast<std::size_t>(field)],
                            fieldText(catalogue, index, field, baseUrl, foldedKeyword));
            }
            xml.close("taobaoke_item");
        }
        xml.close("taobaoke_items");
    }
    xml.element("total_results", std::to_string(page.total));
    return xml.finish();
}

std::string errorAnswer(const GatewayError &error)
{
    XmlText xml("error_response");
    xml.element("code", std::to_string(error.code));
    xml.element("msg", error.msg);
    if (!error.subCode.empty())
        xml.element("sub_code", error.subCode);
    if (!error.subMsg.empty())
        xml.element("sub_msg", error.subMsg);
    return xml.finish();
}

std::string materialAnswer(const Catalogue &catalogue, const ItemPage &page,
                           std::string_view baseUrl, std::string_view foldedKeyword,
                           std::string_view requestId)
{
    const std::string_view scheme = "http:";
    const std::string_view relativeBase =
        baseUrl.starts_with(scheme) ? baseUrl.substr(scheme.size()) : baseUrl;
    XmlText xml("tbk_dg_material_optional_upgrade_response");
    if (!page.items.empty()) {
        xml.open("result_list", true);
        for (const std::uint32_t index : page.items) {
            const Item &item = catalogue.items()[index];
            const Seller &seller = catalogue.sellers()[item.seller];
            // The platform's coupons take a tenth off; its original prices stand a quarter above.
            const std::int64_t promotionFen = item.priceFen * 9 / 10;
            xml.open("map_data");
            xml.element("item_id", item.opaqueId);
            xml.open("item_basic_info");
            xml.element("title",
                        markedTitle(item.title, catalogue.foldedTitle(index), foldedKeyword));
            xml.element("pict_url", pictureUrl(baseUrl, item.opaqueId));
            xml.element("shop_title", seller.nick);
            xml.element("seller_id", std::to_string(item.seller));
            xml.element("user_type", seller.credit > 15 ? "1" : "0");
            xml.element("volume", std::to_string(item.volume));
            xml.element("provcity", seller.location);
            xml.close("item_basic_info");
            xml.open("price_promotion_info");
            xml.element("reserve_price", yuanText(item.priceFen + item.priceFen / 4));
            xml.element("zk_final_price", yuanText(item.priceFen));
            xml.element("final_promotion_price", yuanText(promotionFen));
            xml.close("price_promotion_info");
            xml.open("publish_info");
            const std::string click = clickUrl(relativeBase, item.opaqueId);
            xml.element("click_url", click);
            xml.element("coupon_share_url", click + "&coupon=1");
            // Hundredths of a percent, shown as a percentage with two decimals: "15.50".
            const std::string rate = yuanText(item.commissionRate);
            xml.element("income_rate", rate);
            xml.open("income_info");
            xml.element("commission_amount", yuanText(item.commissionFen));
            xml.element("commission_rate", rate);
            xml.close("income_info");
            xml.close("publish_info");
            xml.close("map_data");
        }
        xml.close("result_list");
    }
    xml.element("total_results", std::to_string(page.total));
    xml.element("request_id", requestId);
    return xml.finish() + "<!--top010sandbox.quenbo-->";
}

std::string markedTitle(std::string_view title, std::string_view foldedTitle,
                        std::string_view foldedKeyword)
{
    std::string out;
    std::size_t pos = 0;
    for (std::size_t at = findKeyword(foldedTitle, foldedKeyword, 0); at != std::string_view::npos;
         at = findKeyword(foldedTitle, foldedKeyword, pos)) {
        appendEscapingAmpersands(out, title.substr(pos, at - pos));
        out += "<span class=H>";
        appendEscapingAmpersands(out, title.substr(at, foldedKeyword.size()));
        out += "</span>";
        pos = at + foldedKeyword.size();
    }
    appendEscapingAmpersands(out, title.substr(pos));
    return out;
}

}  // namespace quenbo::sandbox
