#include "gateway/gateway_exchanges.h"

#include "platform/http_client.h"

#include <utility>

namespace quenbo {

namespace {

// Gives gateway's connection the limits and the cancel flag of one exchange for as long as the
// exchange runs on the lane.
class ExchangeScope {
public:
    ExchangeScope(Gateway &gateway, const std::atomic<bool> &cancelled, long connectMs,
                  long totalMs, std::size_t maxBodyBytes)
        : m_http(gateway.http())
    {
        m_http.setTimeouts(connectMs, totalMs);
        m_http.setMaxBodyBytes(maxBodyBytes);
        m_http.setAbortFlag(&cancelled);
    }
    ~ExchangeScope() { m_http.setAbortFlag(nullptr); }
    ExchangeScope(const ExchangeScope &) = delete;
    ExchangeScope &operator=(const ExchangeScope &) = delete;

private:
    HttpClient &m_http;
};

}  // namespace

GatewayExchanges::GatewayExchanges(const TCommon &common, Post post)
    : m_common(common)
    , m_post(std::move(post))
    , m_itemsGateway(common)
    , m_categoriesGateway(common)
{
}

GatewayExchanges::~GatewayExchanges()
{
    // The lanes cancel and join in their destructors; nothing handed to the window's thread
    // from here on reaches a done function.
    m_state->alive = false;
}

std::string GatewayExchanges::itemQueryAddress(SearchMode mode, const std::string &keyword,
                                               const std::string &cid, int pageNo,
                                               MaterialSort sort) const
{
    // Signing reads only the settings, never the connection the items lane uses.
    return m_itemsGateway.itemQueryAddress(mode, keyword, cid, pageNo, sort);
}

void GatewayExchanges::setTransferLimits(long connectMs, long totalMs, std::size_t maxBodyBytes)
{
    const std::lock_guard lock(m_limitsMutex);
    m_limits = {connectMs, totalMs, maxBodyBytes};
}

GatewayExchanges::Limits GatewayExchanges::limits() const
{
    const std::lock_guard lock(m_limitsMutex);
    return m_limits;
}

template <class Answer>
ExchangeLane::CancelFlag
GatewayExchanges::submit(ExchangeLane &lane,
                         std::function<void(const std::atomic<bool> &, Answer &)> fetch,
                         std::function<void(Answer &)> done)
{
    ++m_state->pending;
    return lane.submit([post = m_post, state = m_state, fetch = std::move(fetch),
                        done = std::move(done)](const ExchangeLane::CancelFlag &cancelled) {
        auto answer = std::make_shared<Answer>();
        fetch(*cancelled, *answer);
        // Every exchange comes back once, so the window can tell when none is out; only one
        // that is still wanted reaches its done function.
        post([state, done, answer, cancelled] {
            --state->pending;
            if (state->alive && !cancelled->load())
                done(*answer);
        });
    });
}

void GatewayExchanges::loadItems(const std::string &address,
                                 std::function<void(ItemPageAnswer &)> done)
{
    cancelItems();
    const Limits limits = this->limits();
    m_itemsInFlight = submit<ItemPageAnswer>(
        m_itemsLane,
        [this, address, limits](const std::atomic<bool> &cancelled, ItemPageAnswer &answer) {
            const ExchangeScope scope(m_itemsGateway, cancelled, limits.connectMs, limits.totalMs,
                                      limits.maxBodyBytes);
            answer.failure = m_itemsGateway.fetchItems(address, answer.page);
        },
        std::move(done));
}

void GatewayExchanges::cancelItems()
{
    if (m_itemsInFlight)
        m_itemsInFlight->store(true);
    m_itemsInFlight.reset();
}

void GatewayExchanges::loadCategories(const std::string &parentId,
                                      std::function<void(CategoryLevelAnswer &)> done)
{
    const Limits limits = this->limits();
    // Signed now, on the window's thread, like the item pages.
    const std::string address = m_categoriesGateway.categoryQueryAddress(parentId);
    submit<CategoryLevelAnswer>(
        m_categoriesLane,
        [this, parentId, address, limits](const std::atomic<bool> &cancelled,
                                          CategoryLevelAnswer &answer) {
            const ExchangeScope scope(m_categoriesGateway, cancelled, limits.connectMs,
                                      limits.totalMs, limits.maxBodyBytes);
            answer.parentId = parentId;
            answer.failure = m_categoriesGateway.fetchCategories(address, answer.categories);
        },
        std::move(done));
}

void GatewayExchanges::checkForUpdate(const std::string &siteUrl,
                                      std::function<void(UpdateAnswer &)> done)
{
    submit<UpdateAnswer>(
        m_siteLane,
        [siteUrl](const std::atomic<bool> &cancelled, UpdateAnswer &answer) {
            try {
                answer.offer = FetchUpdateOffer(siteUrl, &cancelled);
            } catch (const std::exception &error) {
                answer.failure = DescribeFailure(error);
            }
        },
        std::move(done));
}

}  // namespace quenbo
