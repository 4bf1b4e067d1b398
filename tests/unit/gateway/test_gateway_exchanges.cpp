#include "gateway/gateway_exchanges.h"
#include "gateway_test_support.h"
#include "local_http_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quenbo {
namespace {

using Clock = std::chrono::steady_clock;
using testsupport::LocalHttpServer;

constexpr const char *kPage = "<r><taobaoke_items><taobaoke_item><num_iid>7</num_iid>"
                              "<title>A</title></taobaoke_item></taobaoke_items></r>";

// A gateway whose answers the test sets per last word of the path ("/router/rest" is "rest");
// "/hold" answers only when the test
// lets it go (or the server stops), so an exchange can be caught in flight.
class GatewayExchangesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_server.server().Get(R"(/(?:router/)?(\w+))",
                              [this](const httplib::Request &request, httplib::Response &response) {
                                  const std::string name = request.matches[1];
                                  if (name == "hold") {
                                      std::unique_lock lock(m_mutex);
                                      ++m_held;
                                      m_wake.notify_all();
                                      m_wake.wait(lock, [this] { return m_released; });
                                      response.set_content(kPage, "text/xml");
                                      return;
                                  }
                                  const std::lock_guard lock(m_mutex);
                                  const auto found = m_answers.find(name);
                                  if (found == m_answers.end()) {
                                      response.status = 404;
                                      return;
                                  }
                                  response.set_content(found->second, "text/xml");
                              });
        m_server.start();
        m_program = std::make_unique<testsupport::ProgramCommon>(
            std::map<std::string, std::string>{{"Gateway", m_server.baseUrl()}});
        makeExchanges();
    }

    void TearDown() override
    {
        m_exchanges.reset();
        release();
    }

    void makeExchanges()
    {
        m_exchanges = std::make_unique<GatewayExchanges>(m_program->common(),
                                                         [this](std::function<void()> apply) {
                                                             const std::lock_guard lock(m_mutex);
                                                             m_posted.push_back(std::move(apply));
                                                             m_wake.notify_all();
                                                         });
    }

    void answer(const std::string &name, std::string body)
    {
        const std::lock_guard lock(m_mutex);
        m_answers[name] = std::move(body);
    }

    void release()
    {
        const std::lock_guard lock(m_mutex);
        m_released = true;
        m_wake.notify_all();
    }

    bool waitUntilHeld(int count)
    {
        std::unique_lock lock(m_mutex);
        return m_wake.wait_for(lock, std::chrono::seconds(10), [&] { return m_held >= count; });
    }

    // Runs what the lanes handed to "the window's thread" until no exchange is out.
    bool settle()
    {
        const auto bound = Clock::now() + std::chrono::seconds(20);
        while (m_exchanges->pending() > 0) {
            std::function<void()> apply;
            {
                std::unique_lock lock(m_mutex);
                if (!m_wake.wait_until(lock, bound, [this] { return !m_posted.empty(); }))
                    return false;
                apply = std::move(m_posted.front());
                m_posted.pop_front();
            }
            apply();
        }
        return true;
    }

    std::string address(const std::string &name) const { return m_server.baseUrl() + "/" + name; }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::map<std::string, std::string> m_answers;
    std::deque<std::function<void()>> m_posted;
    int m_held = 0;
    bool m_released = false;
    LocalHttpServer m_server;
    std::unique_ptr<testsupport::ProgramCommon> m_program;
    std::unique_ptr<GatewayExchanges> m_exchanges;
};

TEST_F(GatewayExchangesTest, ANewerItemPageSupersedesTheOneInFlight)
{
    answer("page", kPage);
    std::vector<std::string> shown;
    const auto done = [&shown](const std::string &which) {
        return [&shown, which](ItemPageAnswer &answer) {
            EXPECT_FALSE(answer.failure.failed());
            EXPECT_EQ(answer.page.records.size(), 1u);
            shown.push_back(which);
        };
    };
    m_exchanges->loadItems(address("hold"), done("held"));
    ASSERT_TRUE(waitUntilHeld(1));
    const auto started = Clock::now();
    m_exchanges->loadItems(address("page"), done("newer"));
    ASSERT_TRUE(settle());
    // The held transfer was cancelled rather than waited for, and its answer never shows.
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(shown, std::vector<std::string>{"newer"});
}

TEST_F(GatewayExchangesTest, FailuresSayWhatWentWrong)
{
    answer("refused", "<error_response><code>7</code><msg>App Call Limited</msg>"
                      "<sub_code>accesscontrol.limited-by-app-access-count</sub_code>"
                      "<sub_msg>This ban will last for 71 more seconds</sub_msg></error_response>");
    answer("broken", "<r><taobaoke_items>");
    answer("page", kPage);
    using Kind = ExchangeFailure::Kind;
    const struct {
        std::string address;
        Kind kind;
    } cases[] = {
        {address("refused"), Kind::Refused},
        {address("broken"), Kind::BadAnswer},
        {address("missing"), Kind::HttpStatus},
        {"http://127.0.0.1:1/router/rest", Kind::Connection},
        {address("page"), Kind::None},
    };
    for (const auto &c : cases) {
        std::optional<ExchangeFailure> failure;
        m_exchanges->loadItems(c.address,
                               [&failure](ItemPageAnswer &answer) { failure = answer.failure; });
        ASSERT_TRUE(settle());
        ASSERT_TRUE(failure) << c.address;
        EXPECT_EQ(failure->kind, c.kind) << c.address;
    }
    std::optional<ExchangeFailure> refusal;
    m_exchanges->loadItems(address("refused"),
                           [&refusal](ItemPageAnswer &answer) { refusal = answer.failure; });
    ASSERT_TRUE(settle());
    EXPECT_EQ(refusal->code, "7");
    EXPECT_EQ(refusal->message, "App Call Limited");
    EXPECT_EQ(refusal->subMessage, "This ban will last for 71 more seconds");

    std::optional<ExchangeFailure> missing;
    m_exchanges->loadItems(address("missing"),
                           [&missing](ItemPageAnswer &answer) { missing = answer.failure; });
    ASSERT_TRUE(settle());
    EXPECT_EQ(missing->httpStatus, 404);
}

TEST_F(GatewayExchangesTest, TimeOutsAndBodyCapsApplyToLaterExchanges)
{
    answer("page", kPage);
    m_exchanges->setTransferLimits(2000, 300, Gateway::kMaxAnswerBytes);
    std::optional<ExchangeFailure> failure;
    m_exchanges->loadItems(address("hold"),
                           [&failure](ItemPageAnswer &answer) { failure = answer.failure; });
    ASSERT_TRUE(settle());
    EXPECT_EQ(failure->kind, ExchangeFailure::Kind::Timeout);

    m_exchanges->setTransferLimits(2000, 5000, 16);
    m_exchanges->loadItems(address("page"),
                           [&failure](ItemPageAnswer &answer) { failure = answer.failure; });
    ASSERT_TRUE(settle());
    EXPECT_EQ(failure->kind, ExchangeFailure::Kind::TooLarge);
}

TEST_F(GatewayExchangesTest, ItemPagesAndCategoryLevelsDoNotWaitForEachOther)
{
    // The category level is answered while an item page is still held on its own lane.
    answer("rest", "<r><item_cats><item_cat><cid>16</cid><name>女装</name>"
                   "<is_parent>true</is_parent></item_cat></item_cats></r>");
    bool itemsShown = false;
    std::optional<CategoryLevelAnswer> level;
    m_exchanges->loadItems(address("hold"), [&itemsShown](ItemPageAnswer &) { itemsShown = true; });
    ASSERT_TRUE(waitUntilHeld(1));
    m_exchanges->loadCategories("0", [&level](CategoryLevelAnswer &answer) { level = answer; });
    while (!level) {
        std::function<void()> apply;
        {
            std::unique_lock lock(m_mutex);
            ASSERT_TRUE(m_wake.wait_for(lock, std::chrono::seconds(10),
                                        [this] { return !m_posted.empty(); }));
            apply = std::move(m_posted.front());
            m_posted.pop_front();
        }
        apply();
    }
    EXPECT_FALSE(itemsShown);
    EXPECT_EQ(level->parentId, "0");
    ASSERT_EQ(level->categories.size(), 1u);
    EXPECT_EQ(level->categories[0].Name, "女装");
    release();
    ASSERT_TRUE(settle());
    EXPECT_TRUE(itemsShown);
}

TEST_F(GatewayExchangesTest, DestroyingCancelsWhatIsInFlightAtOnce)
{
    bool shown = false;
    m_exchanges->loadItems(address("hold"), [&shown](ItemPageAnswer &) { shown = true; });
    m_exchanges->loadCategories("0", [&shown](CategoryLevelAnswer &) { shown = true; });
    ASSERT_TRUE(waitUntilHeld(1));
    const auto started = Clock::now();
    m_exchanges.reset();
    // Well before the held answer comes (it never does until released).
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(5));
    release();
    std::deque<std::function<void()>> posted;
    {
        const std::lock_guard lock(m_mutex);
        posted.swap(m_posted);
    }
    for (const auto &apply : posted)
        apply();
    EXPECT_FALSE(shown);
}

}  // namespace
}  // namespace quenbo
