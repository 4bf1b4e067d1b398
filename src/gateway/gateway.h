#pragma once

#include "core/uTypeData.h"
#include "gateway/exchange_failure.h"
#include "gateway/item_page.h"
#include "gateway/item_query.h"
#include "gateway/material_search.h"
#include "platform/http_client.h"
#include "platform/xml_document.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace quenbo {

class TCommon;

// One conversation with the platform gateway: one keep-alive connection and one XML document,
// reused by every query. Each query blocks its caller until the answer has been read, so the
// window runs them on threads of their own (GatewayExchanges). One thread at a time.
class Gateway {
public:
    // The largest answer taken: a page of 40 items is tens of kilobytes, and a larger body is
    // refused as a failed load.
    static constexpr std::size_t kMaxAnswerBytes = 4u << 20;

    // common supplies the settings and signs the requests; it must outlive the gateway.
    explicit Gateway(const TCommon &common);

    // The connection the queries use; tests change its time-outs and body cap.
    HttpClient &http() { return m_http; }

    // The signed address of one page of an item search: by keyword (its blanks removed), by
    // category cid, or (SearchMode::None) by neither; signed now. The settings' item method
    // decides the request; sort applies to the material search only.
    std::string itemQueryAddress(SearchMode mode, const std::string &keyword,
                                 const std::string &cid, int pageNo,
                                 MaterialSort sort = MaterialSort::Platform) const;

    // The signed address of the category query for the subcategories of parentId; signed now.
    std::string categoryQueryAddress(const std::string &parentId) const;

    // Fetches the item answer at address (a gateway address or the start-up list) and reads its
    // page as the answer of whichever item search its root names. Raises HttpError or XmlError
    // for a failed fetch or an answer that does not parse.
    ItemPage loadItems(const std::string &address);

    // Asks for the subcategories of parentId and hands each to add, in the answer's order.
    // True when the gateway answered, even with no subcategories; false when the query failed
    // (no connection, an HTTP error, an answer that does not parse, the gateway's refusal).
    bool loadCategories(const std::string &parentId,
                        const std::function<void(const TShopClass &)> &add);

    // The two queries as the window runs them: the answer's page or categories stored in the
    // second argument, and what went wrong instead of an exception. The gateway's refusal is a
    // failure too. A failed fetch leaves page as it was.
    ExchangeFailure fetchItems(const std::string &address, ItemPage &page);
    ExchangeFailure fetchCategories(const std::string &address, std::vector<TShopClass> &level);

private:
    const TCommon &m_common;
    HttpClient m_http;
    XmlDocument m_xml;
};

}  // namespace quenbo
