#pragma once

#include "core/uTypeData.h"
#include "gateway/exchange_failure.h"
#include "gateway/exchange_lane.h"
#include "gateway/gateway.h"
#include "gateway/item_page.h"
#include "gateway/version_check.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quenbo {

class TCommon;

// What an item page exchange brings back: the page read on the lane, to be shown on the window's
// thread, and what went wrong, if anything (the page is then empty).
struct ItemPageAnswer {
    ItemPage page;
    ExchangeFailure failure;
};

// What a category level exchange brings back for the parent it asked about.
struct CategoryLevelAnswer {
    std::string parentId;
    std::vector<TShopClass> categories;
    ExchangeFailure failure;
};

// What the version check brings back.
struct UpdateAnswer {
    UpdateOffer offer;
    ExchangeFailure failure;
};

// The window's exchanges with the gateway and the maker's site, run off the window's thread:
// item pages on one lane, category levels on a second, the version file on a third, each lane
// with its own keep-alive connection. Every exchange is fetched and read on its lane; its
// answer reaches the window's thread through post and is handed to its done function there,
// unless the exchange was cancelled meanwhile. A newer item page supersedes an older one.
// Everything but the lanes' own work runs on the window's thread.
class GatewayExchanges {
public:
    // Hands apply to the window's thread, to be run there later (a queued call). The function
    // may be called from any thread; apply must not run after the exchanges are destroyed,
    // though it does nothing harmful if it does.
    using Post = std::function<void(std::function<void()> apply)>;

    // common signs the requests and must outlive the exchanges.
    GatewayExchanges(const TCommon &common, Post post);
    // Cancels every exchange in flight and waits for the lanes, each within its client's
    // abort poll. No done function runs after this.
    ~GatewayExchanges();
    GatewayExchanges(const GatewayExchanges &) = delete;
    GatewayExchanges &operator=(const GatewayExchanges &) = delete;

    // The signed address of one page of an item search; see Gateway::itemQueryAddress.
    std::string itemQueryAddress(SearchMode mode, const std::string &keyword,
                                 const std::string &cid, int pageNo,
                                 MaterialSort sort = MaterialSort::Platform) const;

    // Time-outs and the body cap of the exchanges that start from now on.
    void setTransferLimits(long connectMs, long totalMs, std::size_t maxBodyBytes);

    // Fetches and reads the item answer at address. Cancels the item page exchange before it,
    // whose done function then never runs.
    void loadItems(const std::string &address, std::function<void(ItemPageAnswer &)> done);
    // Cancels the item page exchange in flight, if any.
    void cancelItems();
    // Fetches and reads the subcategories of parentId; exchanges for several parents queue.
    void loadCategories(const std::string &parentId,
                        std::function<void(CategoryLevelAnswer &)> done);
    // Fetches and reads the version file under siteUrl.
    void checkForUpdate(const std::string &siteUrl, std::function<void(UpdateAnswer &)> done);

    // How many exchanges were handed in and have not come back to the window's thread yet
    // (cancelled ones included until their lane lets go of them).
    std::size_t pending() const { return m_state->pending; }

private:
    struct State {
        std::size_t pending = 0;
        bool alive = true;
    };
    struct Limits {
        long connectMs = HttpClient::kConnectTimeoutMs;
        long totalMs = HttpClient::kTotalTimeoutMs;
        std::size_t maxBodyBytes = Gateway::kMaxAnswerBytes;
    };

    // Runs fetch on lane, then posts its answer to done.
    template <class Answer>
    ExchangeLane::CancelFlag submit(ExchangeLane &lane,
                                    std::function<void(const std::atomic<bool> &, Answer &)> fetch,
                                    std::function<void(Answer &)> done);
    Limits limits() const;

    const TCommon &m_common;
    Post m_post;
    std::shared_ptr<State> m_state = std::make_shared<State>();
    mutable std::mutex m_limitsMutex;
    Limits m_limits;
    ExchangeLane::CancelFlag m_itemsInFlight;

    // The conversations are declared before the lanes, so the lanes' threads end first.
    Gateway m_itemsGateway;
    Gateway m_categoriesGateway;
    ExchangeLane m_itemsLane;
    ExchangeLane m_categoriesLane;
    ExchangeLane m_siteLane;
};

}  // namespace quenbo
