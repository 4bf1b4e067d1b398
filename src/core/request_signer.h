#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace quenbo {

// Sorting, signing and addressing of gateway method calls. A call's parameters are given as
// "name=value" texts in their order, every one but the first led by "&", with a bare "&sign="
// placeholder among them. The texts the signer is made from must outlive it.
class RequestSigner {
public:
    // The production gateway, used when no other gateway is named.
    static constexpr std::string_view kProductionGateway = "http://gw.api.taobao.com";

    // secret is the application's secret; gatewayAddress the gateway's base address, empty
    // for the production gateway.
    RequestSigner(std::string_view secret, std::string_view gatewayAddress)
        : m_secret(secret)
        , m_gatewayAddress(gatewayAddress)
    {
    }

    // Puts the parameters in the gateway's order: alphabetical without regard to ASCII case,
    // "_" before letters; a list already in that order stays as it is.
    static void sortParams(std::vector<std::string> &elements);
    // Percent-encodes every byte as "%XX"; with spaceAsPlus a space becomes "+" instead.
    static std::string urlEncode(std::string_view text, bool spaceAsPlus);

    // The upper-case hex MD5 of the secret followed by every parameter but "sign", each as its
    // name and raw value, in the gateway's order.
    std::string sign(const std::vector<std::string> &elements) const;
    // The gateway's base (or the production gateway) followed by "/router/rest?".
    std::string gatewayUrl() const;
    // gatewayUrl() followed by the parameters in the gateway's order, as they are.
    std::string requestUrl(const std::vector<std::string> &elements) const;
    // The signed address of one call: the placeholder carries the signature, computed over the
    // raw values; the values of the parameters named in encoded are percent-encoded byte by
    // byte; empty elements are left out (the sort would move them and their neighbours out of
    // place); the parameters follow the gateway's order.
    std::string signedAddress(std::vector<std::string> elements,
                              std::initializer_list<std::string_view> encoded = {}) const;

private:
    std::string_view m_secret;
    std::string_view m_gatewayAddress;
};

}  // namespace quenbo
