#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

// Protected setting values: a setting's bytes run through a keyed 8-byte block
// transformation and are written in Base64. The transformation exclusive-ors the two
// 32-bit halves of every block with two masks derived from a 16-byte key, so it is its own
// inverse.

namespace quenbo {

using CipherKeyBytes = std::array<std::uint8_t, 16>;

// Raised for a protected text whose bytes do not form a valid block sequence.
class ECipherException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raised for a protected text that is not well-formed Base64.
class EBase64Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TCryptDirection { Encode, Decode };

// The two masks of a key, derived once and reused for every text under that key.
class TSettingCipher {
public:
    explicit TSettingCipher(const CipherKeyBytes &key);

    std::uint32_t EvenMask() const { return m_even; }
    std::uint32_t OddMask() const { return m_odd; }

    // The block layer. Encoding pads the bytes with a final block that carries the count of
    // remaining bytes in its last byte; decoding undoes that and raises ECipherException
    // ("Invalid file format") when the bytes cannot be a block sequence.
    std::string CryptBlocks(std::string_view bytes, TCryptDirection direction) const;

    std::string EncryptText(std::string_view plain) const;
    // Raises EBase64Error ("Invalid Base64 Character") or ECipherException ("Invalid file
    // format").
    std::string DecryptText(std::string_view text) const;

private:
    void TransformBlock(std::uint8_t *block) const;

    std::uint32_t m_even = 0;
    std::uint32_t m_odd = 0;
};

// Convenience forms that take the key itself; the masks of the most recent key are kept
// per thread, so repeated calls under one key derive them only once.
std::string CryptBlocks(std::string_view bytes, const CipherKeyBytes &key,
                        TCryptDirection direction);
std::string EncryptText(std::string_view plain, const CipherKeyBytes &key);
std::string DecryptText(std::string_view text, const CipherKeyBytes &key);

// Base64 of RFC 4648 with padding and no line breaks.
std::string Base64Encode(std::string_view bytes);
// Strict decoding: the length must be a multiple of 4, every character must belong to the
// alphabet, and "=" may stand only at the end of the last group ("xx==" or "xxx=").
// Raises EBase64Error("Invalid Base64 Character") otherwise.
std::string Base64Decode(std::string_view text);

}  // namespace quenbo
