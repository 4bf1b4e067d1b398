#include "gateway/gateway.h"

#include "core/ucommon.h"
#include "gateway/category_query.h"
#include "gateway/request_time.h"

namespace quenbo {

Gateway::Gateway(const TCommon &common)
    : m_common(common)
{
    m_http.setMaxBodyBytes(kMaxAnswerBytes);
}

std::string Gateway::itemQueryAddress(SearchMode mode, const std::string &keyword,
                                      const std::string &cid, int pageNo, MaterialSort sort) const
{
    ItemQueryInput input;
    input.appKey = m_common.Settings.AppKey;
    input.nick = m_common.Settings.NickName;
    input.mode = mode;
    input.keyword = RemoveBlanks(keyword);
    input.cid = cid;
    input.pageNo = pageNo;
    input.timestamp = RequestTimestamp();
    if (m_common.Settings.Method == ItemMethod::MaterialSearch)
        return MaterialQueryAddress(m_common, {input, m_common.Settings.AdzoneId, sort});
    return ItemQueryAddress(m_common, input);
}

std::string Gateway::categoryQueryAddress(const std::string &parentId) const
{
    return CategoryQueryAddress(m_common, parentId, RequestTimestamp());
}

ItemPage Gateway::loadItems(const std::string &address)
{
    m_xml.load(m_http, address);
    return ReadAnyItemAnswer(m_xml.documentElement());
}

bool Gateway::loadCategories(const std::string &parentId,
                             const std::function<void(const TShopClass &)> &add)
{
    std::vector<TShopClass> level;
    const bool answered = !fetchCategories(categoryQueryAddress(parentId), level).failed();
    for (const TShopClass &record : level)
        add(record);
    return answered;
}

ExchangeFailure Gateway::fetchItems(const std::string &address, ItemPage &page)
{
    try {
        page = loadItems(address);
    } catch (const std::exception &error) {
        return DescribeFailure(error);
    }
    return ReadRefusal(m_xml.documentElement());
}

ExchangeFailure Gateway::fetchCategories(const std::string &address, std::vector<TShopClass> &level)
{
    try {
        m_xml.load(m_http, address);
    } catch (const std::exception &error) {
        return DescribeFailure(error);
    }
    // The gateway's refusal parses too, but it is no answer about the category.
    const XmlElement root = m_xml.documentElement();
    ExchangeFailure refusal = ReadRefusal(root);
    if (refusal.failed())
        return refusal;
    ReadCategoryAnswer(root, [&level](const TShopClass &record) { level.push_back(record); });
    return {};
}

}  // namespace quenbo
