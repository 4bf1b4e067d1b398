#include "core/md5.h"

#include "platform/percent_encoding.h"

#include <openssl/evp.h>

#include <algorithm>
#include <memory>
#include <new>

namespace quenbo {

namespace {

// The digest is fed in pieces of this size at most.
constexpr std::size_t kPieceSize = 16384;

struct DigestContextDeleter {
    void operator()(EVP_MD_CTX *context) const { EVP_MD_CTX_free(context); }
};

}  // namespace

std::string Md5Hex(std::string_view text)
{
    const std::unique_ptr<EVP_MD_CTX, DigestContextDeleter> context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1)
        throw std::bad_alloc();
    while (!text.empty()) {
        const std::size_t piece = std::min(text.size(), kPieceSize);
        if (EVP_DigestUpdate(context.get(), text.data(), piece) != 1)
            throw std::bad_alloc();
        text.remove_prefix(piece);
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context.get(), digest, &length) != 1)
        throw std::bad_alloc();
    std::string hex;
    hex.reserve(std::size_t(length) * 2);
    for (unsigned int i = 0; i < length; ++i)
        appendHex(hex, digest[i]);
    return hex;
}

}  // namespace quenbo
