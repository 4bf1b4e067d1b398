#pragma once

#include "gateway/item_query.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quenbo {

// One page of an item search, as the gateway is asked for it.
struct ItemQuery {
    SearchMode mode = SearchMode::Keyword;
    std::string keyword;
    std::string categoryId;
    std::int32_t pageNo = 1;

    bool operator==(const ItemQuery &) const = default;
};

// The search state of the window and its rules: what the last search was, the page that
// paging goes on from, the address of the list last loaded from the gateway, whether the page
// strip can be used, and which item page load is the current one. Each command says what the
// window is to do; the window only shows it. No widgets; one thread (the window's).
class SearchSession {
public:
    static constexpr std::int32_t kFirstPage = 1;
    static constexpr std::int32_t kLastPage = 99;

    // The signed gateway address of one page; called by the commands that load a search page.
    using AddressBuilder = std::function<std::string(const ItemQuery &query)>;

    // What a command asks of the window.
    struct Step {
        enum class Kind {
            Nothing,  // nothing changes
            Load,     // load address as the item list
            Refuse,   // show message and change nothing
        };
        Kind kind = Kind::Nothing;
        std::string address;
        std::string message;
    };

    explicit SearchSession(AddressBuilder build);

    // The first loading: the start-up list at indexUrl, used as it is.
    Step startupList(const std::string &indexUrl);
    // A keyword search for text without its leading and trailing blanks and control characters,
    // page 1, from which paging goes on; nothing for an empty text.
    Step keywordSearch(std::string_view text);
    // A category search for cid, page 1, from which paging goes on.
    Step categorySearch(const std::string &cid);
    // The page before or after the current one, refused with "第一页" and "最后一页" at the ends.
    Step previousPage();
    Step nextPage();
    // The page whose number text was chosen in the page list (page 1 for a text that is not a
    // number); loaded also when it is the page shown.
    Step choosePage(std::string_view text);
    // The favourites are listed: the page strip goes off and any item page load out is
    // dropped.
    void enterFavourites();
    // Back from the favourites: the last search page is asked for again with a fresh
    // signature, or the start-up list loaded again before any search; the page strip comes
    // back only when there was a search to page through.
    Step leaveFavourites();

    // Marks a new item page load as out and returns its ticket; every earlier load is
    // superseded.
    std::uint64_t beginLoad();
    // True when ticket is the current load, whose answer is then to be shown; it is no longer
    // out afterwards. False for a superseded or dropped load, whose answer is to be dropped.
    bool finishLoad(std::uint64_t ticket);
    // Whether an item page load is out.
    bool loading() const { return m_loading; }

    SearchMode mode() const { return m_mode; }
    const std::string &keyword() const { return m_keyword; }
    const std::string &categoryId() const { return m_categoryId; }
    // The page that paging goes on from, 1 to 99; the page list shows it.
    std::int32_t pageNo() const { return m_pageNo; }
    // The address of the item list last loaded from the gateway or the start-up address.
    const std::string &lastAddress() const { return m_lastAddress; }
    // The last search page asked of the gateway; empty before any search.
    const std::optional<ItemQuery> &lastQuery() const { return m_lastQuery; }
    // Whether the page strip (上一页, the page list, 下一页) can be used.
    bool pagingEnabled() const { return m_pagingEnabled; }

private:
    Step load(ItemQuery query);
    Step loadCurrentPage();

    AddressBuilder m_build;
    SearchMode m_mode = SearchMode::None;
    std::string m_keyword;
    std::string m_categoryId;
    std::int32_t m_pageNo = kFirstPage;
    std::string m_lastAddress;
    std::optional<ItemQuery> m_lastQuery;
    bool m_pagingEnabled = false;
    std::uint64_t m_ticket = 0;
    bool m_loading = false;
};

// The keyword of the "相近商品" search for an item's title: the longest blank-free run of the
// title's last ten characters, since the gateway drops blanks and a joined end would match no
// title, not even the item's own. Empty when there is none.
std::string SimilarItemsKeyword(const std::string &title);

}  // namespace quenbo
