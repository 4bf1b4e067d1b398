#include "core/ucommon.h"
#include "gateway_test_support.h"

#include <gtest/gtest.h>

namespace quenbo {
namespace {

using Elements = std::vector<std::string>;

TEST(SignedAddress, SignsTheRawValuesAndSendsTheNamedOnesEncodedInTheGatewaysOrder)
{
    const testsupport::ProgramCommon program;
    const TCommon &common = program.common();
    const struct {
        const char *name;
        Elements elements;
        Elements signedOver;  // what the signature covers: raw values, no placeholder
        Elements sent;        // "&sign={sign}" where the signature goes
    } cases[] = {
        {"every byte of a named value encoded, others raw",
         {"app_key=K", "&keyword=连 a", "&nick=甲 乙", "&sign=", "&v=2.0"},
         {"app_key=K", "&keyword=连 a", "&nick=甲 乙", "&v=2.0"},
         {"app_key=K", "&keyword=%E8%BF%9E%20%61", "&nick=甲 乙", "&sign={sign}", "&v=2.0"}},
        {"the value after the first '=' encoded",
         {"app_key=K", "&keyword=a=b&c", "&sign="},
         {"app_key=K", "&keyword=a=b&c"},
         {"app_key=K", "&keyword=%61%3D%62%26%63", "&sign={sign}"}},
        {"names compared whole",
         {"app_key=K", "&keywords=ab", "&nick=keyword=ab", "&sign="},
         {"app_key=K", "&keywords=ab", "&nick=keyword=ab"},
         {"app_key=K", "&keywords=ab", "&nick=keyword=ab", "&sign={sign}"}},
        {"an empty named value kept",
         {"app_key=K", "&keyword=", "&sign="},
         {"app_key=K", "&keyword="},
         {"app_key=K", "&keyword=", "&sign={sign}"}},
        {"an empty element left out",
         {"app_key=K", "&format=xml", "", "&method=m", "&sign=", "&v=2.0"},
         {"app_key=K", "&format=xml", "&method=m", "&v=2.0"},
         {"app_key=K", "&format=xml", "&method=m", "&sign={sign}", "&v=2.0"}},
        // The gateway's sort leaves a parameter list as it is given; only the signature is
        // computed over the pairs in alphabetical order.
        {"the given order, not the alphabet's",
         {"app_key=K", "&v=2.0", "&sign=", "&method=m", "&format=xml"},
         {"app_key=K", "&format=xml", "&method=m", "&v=2.0"},
         {"app_key=K", "&v=2.0", "&sign={sign}", "&method=m", "&format=xml"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Elements sent = c.sent;
        std::string joined;
        for (std::string &element : sent) {
            if (element == "&sign={sign}")
                element = "&sign=" + common.SignRequest(c.signedOver);
            joined += element;
        }
        const std::string address = common.Signer().signedAddress(c.elements, {"keyword"});
        EXPECT_EQ(address, common.BuildRequestUrl(sent));
        EXPECT_EQ(address, common.GatewayUrl() + joined);
    }
}

}  // namespace
}  // namespace quenbo
