#include "session/search_session.h"

#include "core/text_util.h"
#include "core/ucommon.h"

#include <charconv>
#include <utility>

namespace quenbo {

namespace {

// The longest run of the text without blanks; the first of equal length.
std::string longestWord(const std::string &text)
{
    std::string longest;
    std::size_t begin = 0;
    while (begin <= text.size()) {
        std::size_t end = text.find(' ', begin);
        if (end == std::string::npos)
            end = text.size();
        if (end - begin > longest.size())
            longest = text.substr(begin, end - begin);
        begin = end + 1;
    }
    return longest;
}

}  // namespace

SearchSession::SearchSession(AddressBuilder build)
    : m_build(std::move(build))
{
}

SearchSession::Step SearchSession::startupList(const std::string &indexUrl)
{
    m_lastAddress = indexUrl;
    return {Step::Kind::Load, m_lastAddress, {}};
}

SearchSession::Step SearchSession::load(ItemQuery query)
{
    m_lastAddress = m_build(query);
    m_lastQuery = std::move(query);
    return {Step::Kind::Load, m_lastAddress, {}};
}

SearchSession::Step SearchSession::keywordSearch(std::string_view text)
{
    if (text.empty())
        return {};
    m_keyword = std::string(trimBlanks(text));
    m_mode = SearchMode::Keyword;
    m_pagingEnabled = true;
    // A new search shows its first page, so the page list and 下一页 go on from there.
    m_pageNo = kFirstPage;
    return load({SearchMode::Keyword, m_keyword, "0", kFirstPage});
}

SearchSession::Step SearchSession::categorySearch(const std::string &cid)
{
    m_pagingEnabled = true;
    m_mode = SearchMode::Category;
    m_categoryId = cid;
    m_pageNo = kFirstPage;
    return load({SearchMode::Category, std::string(), cid, kFirstPage});
}

SearchSession::Step SearchSession::loadCurrentPage()
{
    if (m_mode == SearchMode::Keyword)
        return load({SearchMode::Keyword, m_keyword, "0", m_pageNo});
    return load({SearchMode::Category, std::string(), m_categoryId, m_pageNo});
}

SearchSession::Step SearchSession::previousPage()
{
    if (m_pageNo <= kFirstPage)
        return {Step::Kind::Refuse, {}, "第一页"};
    --m_pageNo;
    return loadCurrentPage();
}

SearchSession::Step SearchSession::nextPage()
{
    if (m_pageNo >= kLastPage)
        return {Step::Kind::Refuse, {}, "最后一页"};
    ++m_pageNo;
    return loadCurrentPage();
}

SearchSession::Step SearchSession::choosePage(std::string_view text)
{
    std::int32_t page = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), page);
    const bool whole = error == std::errc() && end == text.data() + text.size();
    m_pageNo = whole && page >= kFirstPage && page <= kLastPage ? page : kFirstPage;
    return loadCurrentPage();
}

void SearchSession::enterFavourites()
{
    m_pagingEnabled = false;
    ++m_ticket;
    m_loading = false;
}

SearchSession::Step SearchSession::leaveFavourites()
{
    // A gateway address carries the moment it was signed, and the platform refuses one older
    // than ten minutes: a page of a search is therefore asked for again with a new signature.
    // The start-up list, which is no gateway request, is loaded as it was. Before any search
    // there is nothing to page through.
    m_pagingEnabled = m_lastQuery.has_value();
    if (m_lastQuery)
        return load(*m_lastQuery);
    return {Step::Kind::Load, m_lastAddress, {}};
}

std::uint64_t SearchSession::beginLoad()
{
    m_loading = true;
    return ++m_ticket;
}

bool SearchSession::finishLoad(std::uint64_t ticket)
{
    if (ticket != m_ticket)
        return false;
    m_loading = false;
    return true;
}

std::string SimilarItemsKeyword(const std::string &title)
{
    return longestWord(TCommon::SimilarKeyword(title));
}

}  // namespace quenbo
