#pragma once

#include "sandbox/catalogue.h"
#include "sandbox/item_search.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quenbo::sandbox {

enum class CategoryField { Cid, ParentCid, Name, IsParent };
enum class ItemField {
    NumIid,
    Title,
    Nick,
    PicUrl,
    Price,
    ClickUrl,
    Commission,
    CommissionRate,
    CommissionNum,
    CommissionVolume,
    ShopClickUrl,
    SellerCreditScore,
    ItemLocation,
    Volume,
};

// The field of a platform field name ("parent_cid", "seller_credit_score"), or nothing.
std::optional<CategoryField> parseCategoryField(std::string_view name);
std::optional<ItemField> parseItemField(std::string_view name);
std::span<const ItemField> allItemFields();

// A refusal in the platform's terms; subCode and subMsg are left out when empty.
struct GatewayError {
    int code = 0;
    std::string msg;
    std::string subCode;
    std::string subMsg;
};

// The platform's XML answers, each a whole UTF-8 document with its declaration, text escaped. The
// document element is the method's name without "taobao.", dots as "_", plus "_response"; lists
// carry list="true"; an empty list is left out.
std::string categoriesAnswer(std::span<const Category *const> categories,
                             std::span<const CategoryField> fields);
std::string itemsAnswer(const Catalogue &catalogue, const ItemPage &page,
                        std::span<const ItemField> fields, std::string_view baseUrl,
                        std::string_view foldedKeyword);
std::string errorAnswer(const GatewayError &error);

// The material search's answer: result_list with one map_data per item in groups of fields,
// total_results and request_id, then the comment the platform writes after its document
// element. Item addresses are protocol-relative ("//HOST:PORT/..."), all but the picture's.
std::string materialAnswer(const Catalogue &catalogue, const ItemPage &page,
                           std::string_view baseUrl, std::string_view foldedKeyword,
                           std::string_view requestId);

// A title as the platform delivers it: every "&" as the text "&amp;" and every occurrence of
// the keyword wrapped in the text "<span class=H>" ... "</span>".
std::string markedTitle(std::string_view title, std::string_view foldedTitle,
                        std::string_view foldedKeyword);

}  // namespace quenbo::sandbox
