#include "sandbox/signature.h"

#include "sandbox/text_format.h"

#include <openssl/evp.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <vector>

namespace quenbo::sandbox {

namespace {

bool isSigned(const std::string &name)
{
    return name != "sign" && !name.starts_with("__");
}

std::vector<const std::pair<std::string, std::string> *> signedInOrder(const QueryParams &params)
{
    std::vector<const std::pair<std::string, std::string> *> order;
    for (const auto &param : params) {
        if (isSigned(param.first))
            order.push_back(&param);
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const auto *a, const auto *b) { return a->first < b->first; });
    return order;
}

}  // namespace

std::string md5Upper(std::string_view text)
{
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(),
                                                                      &EVP_MD_CTX_free);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_md5(), nullptr) != 1 ||
        EVP_DigestUpdate(ctx.get(), text.data(), text.size()) != 1 ||
        EVP_DigestFinal_ex(ctx.get(), digest, &length) != 1)
        throw std::runtime_error("MD5 digest failed");
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 15];
    }
    return hex;
}

std::string platformSignature(const QueryParams &params, std::string_view secret)
{
    std::string text(secret);
    for (const auto *param : signedInOrder(params))
        text += param->first + param->second;
    return md5Upper(text);
}

bool signatureMatches(const QueryParams &params, std::string_view secret, std::string_view sign)
{
    std::string platformText(secret);
    std::string clientText(secret);
    for (const auto *param : signedInOrder(params)) {
        const std::string pair = param->first + param->second;
        platformText += pair;
        clientText += replaceAll(pair, "Z#", "&");
    }
    return sign == md5Upper(platformText) ||
           (clientText != platformText && sign == md5Upper(clientText));
}

}  // namespace quenbo::sandbox
