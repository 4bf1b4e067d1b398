#include "gateway/gateway.h"
#include "gateway_test_support.h"
#include "local_http_server.h"
#include "platform/http_client.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quenbo {
namespace {

using testsupport::LocalHttpServer;

// A gateway whose settings point at a local server that answers every query with the
// status and body last set, whole or in chunks.
class GatewayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_server.server().Get(
            "/router/rest", [this](const httplib::Request &request, httplib::Response &response) {
                const std::lock_guard lock(m_mutex);
                m_parents.push_back(request.get_param_value("parent_cid"));
                response.status = m_status;
                if (!m_chunked) {
                    response.set_content(m_body, "text/xml");
                    return;
                }
                response.set_chunked_content_provider(
                    "text/xml", [body = m_body](std::size_t offset, httplib::DataSink &sink) {
                        if (offset < body.size())
                            sink.write(body.data() + offset,
                                       std::min<std::size_t>(body.size() - offset, 64 * 1024));
                        else
                            sink.done();
                        return true;
                    });
            });
        m_server.start();
        m_program = std::make_unique<testsupport::ProgramCommon>(
            std::map<std::string, std::string>{{"Gateway", m_server.baseUrl()}});
        m_gateway = std::make_unique<Gateway>(m_program->common());
    }

    void answer(int status, std::string body, bool chunked = false)
    {
        const std::lock_guard lock(m_mutex);
        m_status = status;
        m_body = std::move(body);
        m_chunked = chunked;
    }

    std::vector<std::string> parentsAsked()
    {
        const std::lock_guard lock(m_mutex);
        return m_parents;
    }

    std::mutex m_mutex;
    int m_status = 200;
    std::string m_body;
    bool m_chunked = false;
    std::vector<std::string> m_parents;
    LocalHttpServer m_server;
    std::unique_ptr<testsupport::ProgramCommon> m_program;
    std::unique_ptr<Gateway> m_gateway;
};

// An answer of one item with id 7, padded with blanks to bytes when it is shorter.
std::string paddedAnswer(std::size_t bytes)
{
    std::string answer = "<r><taobaoke_items><taobaoke_item><num_iid>7</num_iid>"
                         "</taobaoke_item></taobaoke_items>";
    const std::size_t end = answer.size() + 4;
    if (bytes > end)
        answer.append(bytes - end, ' ');
    return answer + "</r>";
}

TEST_F(GatewayTest, ItemAnswersAreTakenUpToTheSizeCap)
{
    const std::size_t cap = Gateway::kMaxAnswerBytes;
    // One connection serves the rows in turn, so each row also shows the one before it left
    // the gateway able to read an answer.
    const struct {
        const char *name;
        std::size_t bytes;
        bool chunked;
        bool read;
    } cases[] = {
        {"ordinary", 0, false, true},
        {"one byte over", cap + 1, false, false},
        {"at the cap", cap, false, true},
        {"one byte over, in chunks", cap + 1, true, false},
        {"at the cap, in chunks", cap, true, true},
        {"far over", 4 * cap, false, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string body = paddedAnswer(c.bytes);
        if (c.bytes > 0) {
            ASSERT_EQ(body.size(), c.bytes);
        }
        answer(200, body, c.chunked);
        std::vector<std::string> ids;
        const std::string address =
            m_gateway->itemQueryAddress(SearchMode::Keyword, "连衣裙", "", 1);
        const auto load = [&] {
            for (const TTaoBaoData &record : m_gateway->loadItems(address).records)
                ids.push_back(record.NumIid);
        };
        if (c.read) {
            load();
            EXPECT_EQ(ids, std::vector<std::string>{"7"});
        } else {
            EXPECT_THROW(load(), HttpError);
            EXPECT_TRUE(ids.empty());
        }
    }
}

TEST_F(GatewayTest, CategoryQuerySaysWhetherTheGatewayAnswered)
{
    const std::string listing = "<itemcats_get_response><item_cats>"
                                "<item_cat><cid>1</cid><name>女装</name></item_cat>"
                                "<item_cat><cid>2</cid><name>男装</name></item_cat>"
                                "</item_cats></itemcats_get_response>";
    const struct {
        const char *name;
        int status;
        std::string body;
        bool answered;
        std::vector<std::string> added;  // "cid|name"
    } cases[] = {
        {"a listing", 200, listing, true, {"1|女装", "2|男装"}},
        {"nothing listed", 200, "<itemcats_get_response/>", true, {}},
        {"not found", 404, listing, false, {}},
        {"server error", 500, listing, false, {}},
        {"plain text", 200, "Service Unavailable", false, {}},
        {"cut short", 200, listing.substr(0, listing.size() / 2), false, {}},
        {"the gateway's refusal",
         200,
         "<error_response><code>25</code><msg>Invalid signature</msg></error_response>",
         false,
         {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        answer(c.status, c.body);
        std::vector<std::string> added;
        const bool answered = m_gateway->loadCategories(
            "50010", [&](const TShopClass &r) { added.push_back(r.Cid + "|" + r.Name); });
        EXPECT_EQ(answered, c.answered);
        EXPECT_EQ(added, c.added);
    }
    EXPECT_EQ(parentsAsked(), std::vector<std::string>(std::size(cases), "50010"));
}

}  // namespace
}  // namespace quenbo
