#include "gateway/category_query.h"

#include "core/ucommon.h"
#include "platform/xml_document.h"

#include <charconv>

namespace quenbo {

std::vector<std::string> CategoryQueryElements(const std::string &appKey,
                                               const std::string &parentId,
                                               const std::string &timestamp)
{
    return {"app_key=" + appKey,
            "&fields=cid,parent_cid,name,is_parent",
            "&format=xml",
            "&method=taobao.itemcats.get",
            "&parent_cid=" + parentId,
            "&sign=",
            "&timestamp=" + timestamp,
            "&v=2.0"};
}

std::string CategoryQueryAddress(const TCommon &common, const std::string &parentId,
                                 const std::string &timestamp)
{
    return common.Signer().signedAddress(
        CategoryQueryElements(common.Settings.AppKey, parentId, timestamp));
}

void ReadCategoryAnswer(const XmlElement &root, const std::function<void(const TShopClass &)> &add)
{
    for (const XmlElement &list : root.children("item_cats")) {
        for (const XmlElement &category : list.children("item_cat")) {
            TShopClass record;
            for (const XmlElement &field : category.children()) {
                const std::string_view name = field.name();
                if (name == "cid")
                    record.Cid = field.text();
                if (name == "parent_cid")
                    record.ParentCid = field.text();
                if (name == "name")
                    record.Name = field.text();
                if (name == "is_parent")
                    record.IsParent = field.text();
            }
            record.Loaded = false;
            add(record);
        }
    }
}

std::int32_t CategoryIdNumber(std::string_view text)
{
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-')
            return 0;
    }
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return 0;
    return value;
}

}  // namespace quenbo
