#include "core/setting_cipher.h"

#include <gtest/gtest.h>

#include <random>

namespace quenbo {
namespace {

CipherKeyBytes SequenceKey()
{
    CipherKeyBytes key{};
    for (std::size_t i = 0; i < key.size(); ++i)
        key[i] = std::uint8_t(i);
    return key;
}

CipherKeyBytes TextKey(const char (&text)[17])
{
    CipherKeyBytes key{};
    for (std::size_t i = 0; i < key.size(); ++i)
        key[i] = std::uint8_t(text[i]);
    return key;
}

// Known answers from an independent implementation of the mask derivation.
TEST(SettingCipher, DerivesKnownMasksAndTexts)
{
    const struct {
        CipherKeyBytes key;
        std::uint32_t even, odd;
        const char *empty, *seven, *eight, *chinese;
    } cases[] = {
        {CipherKeyBytes{}, 0x69b57e7d, 0x8ee76924,
         "fX61aSRp544=", "TEyGXRFf0Ik=", "TEyGXRFf0LZ9frVpJGnnjg==", "m8ktjIr054g="},
        {SequenceKey(), 0x69b47c7e, 0x8ae26f23,
         "fny0aSNv4oo=", "T06HXRZZ1Y0=", "T06HXRZZ1bJ+fLRpI2/iig==", "mMssjI3y4ow="},
        {TextKey("QuenboSettings16"), 0x38c01b13, 0xec883a41,
         "ExvAOEE6iOw=", "IinzDHQMv+s=", "IinzDHQMv9QTG8A4QTqI7A==", "9axY3e+niOo="},
    };
    for (const auto &c : cases) {
        const TSettingCipher cipher(c.key);
        EXPECT_EQ(cipher.EvenMask(), c.even);
        EXPECT_EQ(cipher.OddMask(), c.odd);
        EXPECT_EQ(EncryptText("", c.key), c.empty);
        EXPECT_EQ(EncryptText("1234567", c.key), c.seven);
        EXPECT_EQ(EncryptText("12345678", c.key), c.eight);
        EXPECT_EQ(EncryptText("淘宝", c.key), c.chinese);
        EXPECT_EQ(DecryptText(c.eight, c.key), "12345678");
        EXPECT_EQ(DecryptText(c.empty, c.key), "");
    }
}

TEST(SettingCipher, CipherBytesHaveOneFinalBlock)
{
    const CipherKeyBytes key = SequenceKey();
    const struct {
        std::size_t plain, cipher, text;
    } cases[] = {{0, 8, 12}, {7, 8, 12}, {8, 16, 24}, {9, 16, 24}, {15, 16, 24}, {16, 24, 32}};
    for (const auto &c : cases) {
        const std::string plain(c.plain, 'x');
        EXPECT_EQ(CryptBlocks(plain, key, TCryptDirection::Encode).size(), c.cipher) << c.plain;
        EXPECT_EQ(EncryptText(plain, key).size(), c.text) << c.plain;
    }
    EXPECT_EQ(EncryptText("", key).back(), '=');
    EXPECT_EQ(EncryptText("12345678", key).substr(22), "==");
}

TEST(SettingCipher, RoundTripsRandomKeysAndLengths)
{
    std::mt19937 random(20261210);
    for (int round = 0; round < 200; ++round) {
        CipherKeyBytes key;
        for (auto &b : key)
            b = std::uint8_t(random());
        std::string plain(random() % 300, '\0');
        for (auto &ch : plain)
            ch = char(random());
        const std::string text = EncryptText(plain, key);
        ASSERT_EQ(DecryptText(text, key), plain) << "round " << round;
        ASSERT_EQ(TSettingCipher(key).DecryptText(text), plain) << "round " << round;
    }
}

TEST(SettingCipher, IgnoresBytesAfterTheFinalBlock)
{
    const CipherKeyBytes key = SequenceKey();
    // 8 cipher bytes of "abc" followed by 4 more bytes: 16 Base64 characters, 12 bytes.
    std::string bytes = CryptBlocks("abc", key, TCryptDirection::Encode) + "WXYZ";
    EXPECT_EQ(DecryptText(Base64Encode(bytes), key), "abc");
}

TEST(SettingCipher, RejectsMalformedTexts)
{
    const CipherKeyBytes key = SequenceKey();
    const std::string good = EncryptText("secret", key);  // 12 characters, ends in "="
    const std::string goodLong = EncryptText("a longer secret", key);
    const struct {
        std::string text;
        const char *message;
    } cases[] = {
        {"", "Invalid file format"},
        {"QUJD", "Invalid file format"},  // 3 bytes, no whole block
        {good + "\n", "Invalid Base64 Character"},
        {good.substr(0, 6) + " " + good.substr(7), "Invalid Base64 Character"},
        {good.substr(0, 11), "Invalid Base64 Character"},  // length not a multiple of 4
        {"," + good.substr(1), "Invalid Base64 Character"},
        {"-" + good.substr(1), "Invalid Base64 Character"},
        {"." + good.substr(1), "Invalid Base64 Character"},
        {"^" + good.substr(1), "Invalid Base64 Character"},
        {"=" + good.substr(1), "Invalid Base64 Character"},   // "=" first in a group
        {"A=" + good.substr(2), "Invalid Base64 Character"},  // "=" second in a group
        {goodLong.substr(0, 4) + "AB==" + goodLong.substr(8), "Invalid Base64 Character"},
        {good.substr(0, 8) + "AB=C", "Invalid Base64 Character"},  // character after "="
        {"\xE6\xB7\x98" + good.substr(3), "Invalid Base64 Character"},
    };
    for (const auto &c : cases) {
        try {
            DecryptText(c.text, key);
            ADD_FAILURE() << "accepted \"" << c.text << "\"";
        } catch (const std::runtime_error &error) {
            EXPECT_STREQ(error.what(), c.message) << "text \"" << c.text << "\"";
        }
    }
}

TEST(SettingCipher, RejectsAFinalBlockCountAboveSeven)
{
    const CipherKeyBytes key = SequenceKey();
    // "abc" fills a final block whose count byte is 3; flipping cipher bits flips the same
    // bits of the count. 8 is the first count that no block of 8 bytes can hold.
    for (std::uint8_t count : {8, 9, 0x43, 0xF3}) {
        std::string bytes = CryptBlocks("abc", key, TCryptDirection::Encode);
        bytes[7] = char(std::uint8_t(bytes[7]) ^ (count ^ 3));
        EXPECT_THROW(DecryptText(Base64Encode(bytes), key), ECipherException) << int(count);
    }
}

}  // namespace
}  // namespace quenbo
