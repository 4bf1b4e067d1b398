#pragma once

#include "gateway/item_query.h"

#include <string>
#include <string_view>
#include <vector>

// Today's affiliate item search, taobao.tbk.dg.material.optional.upgrade: its request and the
// walk of its answer into the same page of records as the long-standing item method.

namespace quenbo {

class TCommon;
class XmlElement;

// The answer's root element, which tells it from the item method's answer.
inline constexpr std::string_view kMaterialAnswerRoot = "tbk_dg_material_optional_upgrade_response";

// The order the material search asks for: the platform's own, by price either way, or by sales.
enum class MaterialSort { Platform, PriceAscending, PriceDescending, SalesDescending };

// What the material search asks for: the search as the item method would ask for it (a keyword
// search sends the keyword as "q", a category search the category cid as "cat"; its nick is not
// sent), the ad zone and the order.
struct MaterialQueryInput {
    ItemQueryInput search;
    std::string adzoneId;
    MaterialSort sort = MaterialSort::Platform;
};

// The request's parameter elements in the gateway's order, the keyword as raw bytes and the
// bare "&sign=" placeholder still in place: the form the signature is computed over. The filters
// are those of the item method where this method has them: price 1 to 500000 yuan and a
// commission rate of 10 % to 95 %.
std::vector<std::string> MaterialQueryElements(const MaterialQueryInput &input);

// The signed gateway address of the material search: signed over the keyword's raw bytes, sent
// with every byte of it percent-encoded.
std::string MaterialQueryAddress(const TCommon &common, const MaterialQueryInput &input);

// An address the platform wrote without its scheme ("//host/path") with "https:" in front;
// any other text as it is.
std::string WithWebScheme(std::string address);

// The page of every "map_data" of the root's "result_list" as one batch (no batch when the list
// is left out), up to the item cap of the item answer. Each record takes item_id as its id, the
// title without markup, the shop's title where the seller's nick stands, zk_final_price as its
// price, pict_url and click_url with a scheme, volume and provcity; its commission is the price
// times income_rate percent, its cash-back as for the item method; it has no credit and no
// shop address. Its picture job asks for the host's 310x310 picture. Numbers that do not read
// as numbers count as 0; a field missing leaves its default. The total is read as
// ReadTotalResults reads it.
ItemPage ReadMaterialAnswer(const XmlElement &root);

// The page of either item search's answer, told by its root element.
ItemPage ReadAnyItemAnswer(const XmlElement &root);

}  // namespace quenbo
