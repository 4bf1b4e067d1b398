#include "session/search_session.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace quenbo {
namespace {

// Each command of a script, what the session must ask of the window, and the state after it.
// Addresses are written by a stand-in builder as mode/keyword/category/page, so every field of
// the query asked for shows.
struct Command {
    enum Kind { Startup, Keyword, Category, Previous, Next, Choose, Favourites, Back } kind;
    std::string text;  // keyword, category id, chosen page text or start-up address
};

struct Expected {
    SearchSession::Step::Kind step;
    std::string addressOrMessage;
    std::int32_t pageNo;
    bool paging;
};

struct Script {
    const char *name;
    std::vector<std::pair<Command, Expected>> steps;
};

using Kind = SearchSession::Step::Kind;

std::string describe(const ItemQuery &query)
{
    return std::to_string(int(query.mode)) + "/" + query.keyword + "/" + query.categoryId + "/" +
           std::to_string(query.pageNo);
}

SearchSession::Step run(SearchSession &session, const Command &command)
{
    switch (command.kind) {
    case Command::Startup:
        return session.startupList(command.text);
    case Command::Keyword:
        return session.keywordSearch(command.text);
    case Command::Category:
        return session.categorySearch(command.text);
    case Command::Previous:
        return session.previousPage();
    case Command::Next:
        return session.nextPage();
    case Command::Choose:
        return session.choosePage(command.text);
    case Command::Favourites:
        session.enterFavourites();
        return {};
    case Command::Back:
        return session.leaveFavourites();
    }
    return {};
}

const std::vector<Script> kScripts = {
    {"the start-up list is loaded as it is and leaves paging off",
     {{{Command::Startup, "http://host/index.xml"},
       {Kind::Load, "http://host/index.xml", 1, false}}}},
    {"a keyword search trims the text and asks for page 1",
     {{{Command::Keyword, " \t连衣 裙\r\n"}, {Kind::Load, "0/连衣 裙/0/1", 1, true}}}},
    {"an empty text searches nothing; blanks only search an empty keyword",
     {{{Command::Keyword, ""}, {Kind::Nothing, "", 1, false}},
      {{Command::Keyword, "   "}, {Kind::Load, "0//0/1", 1, true}}}},
    {"the ends of the page list are refused without a request",
     {{{Command::Keyword, "a"}, {Kind::Load, "0/a/0/1", 1, true}},
      {{Command::Previous, ""}, {Kind::Refuse, "第一页", 1, true}},
      {{Command::Choose, "99"}, {Kind::Load, "0/a/0/99", 99, true}},
      {{Command::Next, ""}, {Kind::Refuse, "最后一页", 99, true}},
      {{Command::Previous, ""}, {Kind::Load, "0/a/0/98", 98, true}}}},
    {"a new search starts at page 1 and paging goes on from there",
     {{{Command::Keyword, "T恤"}, {Kind::Load, "0/T恤/0/1", 1, true}},
      {{Command::Next, ""}, {Kind::Load, "0/T恤/0/2", 2, true}},
      {{Command::Next, ""}, {Kind::Load, "0/T恤/0/3", 3, true}},
      {{Command::Keyword, "连衣裙"}, {Kind::Load, "0/连衣裙/0/1", 1, true}},
      {{Command::Next, ""}, {Kind::Load, "0/连衣裙/0/2", 2, true}},
      {{Command::Category, "16"}, {Kind::Load, "1//16/1", 1, true}},
      {{Command::Next, ""}, {Kind::Load, "1//16/2", 2, true}}}},
    {"a category search pages through its category",
     {{{Command::Category, "50010850"}, {Kind::Load, "1//50010850/1", 1, true}},
      {{Command::Next, ""}, {Kind::Load, "1//50010850/2", 2, true}}}},
    {"the page list loads the page chosen, also the one shown; a bad text is page 1",
     {{{Command::Keyword, "a"}, {Kind::Load, "0/a/0/1", 1, true}},
      {{Command::Choose, "7"}, {Kind::Load, "0/a/0/7", 7, true}},
      {{Command::Choose, "7"}, {Kind::Load, "0/a/0/7", 7, true}},
      {{Command::Choose, "x"}, {Kind::Load, "0/a/0/1", 1, true}},
      {{Command::Choose, "100"}, {Kind::Load, "0/a/0/1", 1, true}}}},
    {"leaving the favourites asks for the last search page again",
     {{{Command::Category, "16"}, {Kind::Load, "1//16/1", 1, true}},
      {{Command::Next, ""}, {Kind::Load, "1//16/2", 2, true}},
      {{Command::Favourites, ""}, {Kind::Nothing, "", 2, false}},
      {{Command::Back, ""}, {Kind::Load, "1//16/2", 2, true}}}},
    {"leaving the favourites before any search reloads the start-up list, paging off",
     {{{Command::Startup, "http://host/index.xml"},
       {Kind::Load, "http://host/index.xml", 1, false}},
      {{Command::Favourites, ""}, {Kind::Nothing, "", 1, false}},
      {{Command::Back, ""}, {Kind::Load, "http://host/index.xml", 1, false}}}},
};

class SearchSessionRules : public ::testing::TestWithParam<Script> {};

TEST_P(SearchSessionRules, EachCommandAsksWhatItShould)
{
    int built = 0;
    SearchSession session([&built](const ItemQuery &query) {
        ++built;
        return describe(query);
    });
    for (const auto &[command, expected] : GetParam().steps) {
        const int builtBefore = built;
        const SearchSession::Step step = run(session, command);
        SCOPED_TRACE(command.text);
        EXPECT_EQ(step.kind, expected.step);
        EXPECT_EQ(step.kind == Kind::Refuse ? step.message : step.address,
                  expected.addressOrMessage);
        EXPECT_EQ(session.pageNo(), expected.pageNo);
        EXPECT_EQ(session.pagingEnabled(), expected.paging);
        if (step.kind == Kind::Load) {
            EXPECT_EQ(session.lastAddress(), step.address);
        }
        // Only a page load of a search signs a new address; a refusal asks for nothing.
        if (step.kind != Kind::Load || command.kind == Command::Startup) {
            EXPECT_EQ(built, builtBefore);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Scripts, SearchSessionRules, ::testing::ValuesIn(kScripts),
                         [](const ::testing::TestParamInfo<Script> &info) {
                             std::string name;
                             for (const char c : std::string(info.param.name))
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

TEST(SearchSession, KeepsTheStateOfTheLastSearch)
{
    SearchSession session([](const ItemQuery &query) { return describe(query); });
    EXPECT_EQ(session.mode(), SearchMode::None);
    EXPECT_FALSE(session.lastQuery());
    session.keywordSearch(" 衬衫 ");
    session.categorySearch("16");
    EXPECT_EQ(session.mode(), SearchMode::Category);
    EXPECT_EQ(session.keyword(), "衬衫");
    EXPECT_EQ(session.categoryId(), "16");
    EXPECT_EQ(*session.lastQuery(), (ItemQuery{SearchMode::Category, "", "16", 1}));
}

TEST(SearchSession, OnlyTheNewestLoadIsShown)
{
    SearchSession session([](const ItemQuery &query) { return describe(query); });
    EXPECT_FALSE(session.loading());
    const std::uint64_t first = session.beginLoad();
    const std::uint64_t second = session.beginLoad();
    EXPECT_TRUE(session.loading());
    // The superseded answer arrives late and is dropped; the newer one still counts.
    EXPECT_FALSE(session.finishLoad(first));
    EXPECT_TRUE(session.loading());
    EXPECT_TRUE(session.finishLoad(second));
    EXPECT_FALSE(session.loading());

    // The favourites view drops the load that is out.
    const std::uint64_t third = session.beginLoad();
    session.enterFavourites();
    EXPECT_FALSE(session.loading());
    EXPECT_FALSE(session.finishLoad(third));
}

TEST(SearchSession, SimilarItemsKeywordIsTheLongestWordOfTheTitlesEnd)
{
    const struct {
        const char *title;
        const char *keyword;
    } cases[] = {
        {"简约百搭的纯棉短袖 宽松圆领T恤", "宽松圆领T恤"},
        {"标题开头的长词 夏季 新品 连衣裙", "连衣裙"},
        {"short", "short"},
        {"", ""},
        {"          ", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SimilarItemsKeyword(c.title), c.keyword) << c.title;
}

}  // namespace
}  // namespace quenbo
