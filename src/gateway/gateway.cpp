#include "gateway.h"

#include "category_query.h"
#include "request_time.h"
#include "ucommon.h"

namespace quenbo {

Gateway::Gateway(const TCommon &common)
    : m_common(common)
{
    m_http.setMaxBodyBytes(kMaxAnswerBytes);
}

std::string Gateway::itemQueryAddress(int mode, const std::string &keyword, const std::string &cid,
                                      int pageNo) const
{
    ItemQueryInput input;
    input.appKey = m_common.AppKey;
    input.nick = m_common.NickName;
    input.mode = mode;
    input.keyword = RemoveBlanks(keyword);
    input.cid = cid;
    input.pageNo = pageNo;
    input.timestamp = RequestTimestamp();
    return ItemQueryAddress(m_common, input);
}

void Gateway::loadItems(const std::string &address, const ItemAnswerSteps &steps)
{
    m_xml.load(m_http, address);
    ReadItemAnswer(m_xml.documentElement(), steps);
}

bool Gateway::loadCategories(const std::string &parentId,
                             const std::function<void(const TShopClass &)> &add)
{
    try {
        m_xml.load(m_http, CategoryQueryAddress(m_common, parentId, RequestTimestamp()));
    } catch (const std::exception &) {
        return false;
    }
    // The gateway's refusal parses too, but it is no answer about the category.
    const XmlElement root = m_xml.documentElement();
    if (root.name() == "error_response")
        return false;
    ReadCategoryAnswer(root, add);
    return true;
}

}  // namespace quenbo
