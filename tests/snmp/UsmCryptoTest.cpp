#include "TestBytes.h"
#include "snmp/UsmAuth.h"
#include "snmp/UsmPrivacy.h"

#include <gtest/gtest.h>

#include <set>

namespace vxsnmp::usm {
namespace {

using test::Hex;
using test::ToHex;
using test::TBytes;

const TAuthProtocol kAuths[] = {TAuthProtocol::Md5,    TAuthProtocol::Sha1,   TAuthProtocol::Sha224,
                                TAuthProtocol::Sha256, TAuthProtocol::Sha384, TAuthProtocol::Sha512};
const TPrivProtocol kPrivs[] = {TPrivProtocol::Des, TPrivProtocol::Aes128, TPrivProtocol::Aes192,
                                TPrivProtocol::Aes256};

TEST(UsmAuth, SignedMessageVerifiesAndAnyChangedByteBreaksIt)
{
    for (TAuthProtocol auth : kAuths) {
        const std::size_t macLength = MacLength(auth);
        const TKey key(DigestLength(auth), 0x5A);
        TBytes message(100, 0x33);
        const std::size_t offset = 40;
        std::fill_n(message.begin() + offset, macLength, 0);
        ASSERT_EQ(SignMessage(auth, key, message, offset), 0);
        EXPECT_NE(TBytes(message.begin() + offset,
                         message.begin() + offset + static_cast<std::ptrdiff_t>(macLength)),
                  TBytes(macLength, 0))
            << "the placeholder is filled";
        ASSERT_EQ(VerifyMessage(auth, key, message, offset, macLength), 0);
        for (std::size_t i = 0; i < message.size(); ++i) {
            TBytes changed = message;
            changed[i] ^= 0x01;
            EXPECT_EQ(VerifyMessage(auth, key, changed, offset, macLength), kWrongDigest) << i;
        }
        TKey otherKey = key;
        otherKey.back() ^= 0x80;
        EXPECT_EQ(VerifyMessage(auth, otherKey, message, offset, macLength), kWrongDigest);
    }
}

TEST(UsmAuth, RefusesPlaceholdersThatDoNotFit)
{
    const TKey key(20, 1);
    TBytes message(30, 0);
    struct Case {
        int code;
        int expected;
        const char* why;
    } const cases[] = {
        {SignMessage(TAuthProtocol::Sha1, key, message, 19), kWrongDigest, "runs one byte past the end"},
        {SignMessage(TAuthProtocol::Sha1, key, message, 31), kWrongDigest, "starts past the end"},
        {SignMessage(TAuthProtocol::Sha1, TKey(16, 1), message, 0), kBadKey, "an MD5-sized key"},
        {SignMessage(TAuthProtocol::None, key, message, 0), kNoProtocol, "no protocol"},
        {VerifyMessage(TAuthProtocol::Sha1, key, message, 0, 0), kWrongDigest,
         "an empty digest never passes"},
        {VerifyMessage(TAuthProtocol::Sha1, key, message, 0, 20), kWrongDigest,
         "the untruncated length is not the protocol's"},
        {VerifyMessage(TAuthProtocol::Sha1, key, message, 25, 12), kWrongDigest,
         "digest running past the message"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.code, c.expected) << c.why;
}

TEST(UsmPrivacy, AesIvIsBootsTimeAndSalt)
{
    // AES-128 CFB128 known answer (key 2b7e1516..., IV 00 01 .. 0F): the IV is
    // assembled from boots 00010203, time 04050607 and salt 08..0F.
    const TKey key = Hex("2b7e151628aed2a6abf7158809cf4f3c");
    const TSalt salt{0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f};
    TBytes cipher;
    ASSERT_EQ(Encrypt(TPrivProtocol::Aes128, key, 0x00010203, 0x04050607, salt,
                      Hex("6bc1bee22e409f96e93d7e117393172a ae2d"), cipher),
              0);
    EXPECT_EQ(ToHex(cipher), ToHex(Hex("3b3fd92eb72dad20333449f8e83cfb4a c8a6")))
        << "no padding: 18 bytes in, 18 out";
}

TEST(UsmPrivacy, DesIvIsPreIvXorSalt)
{
    // DES-CBC known answer: key 0123456789abcdef, IV 1234567890abcdef,
    // "Now is the time for all ". The pre-IV (key bytes 8..15) XOR the salt
    // must give that IV.
    const TKey key = Hex("0123456789abcdef 0204060810204080");
    const TSalt salt{0x10, 0x30, 0x50, 0x70, 0x80, 0x8b, 0x8d, 0x6f};
    TBytes cipher, plain;
    const std::string text = "Now is the time for all ";
    ASSERT_EQ(Encrypt(TPrivProtocol::Des, key, 1, 2, salt, TBytes(text.begin(), text.end()), cipher), 0);
    EXPECT_EQ(ToHex(cipher), ToHex(Hex("e5c7cdde872bf27c 43e934008c389c0f 683788499a7c05f6")));
    ASSERT_EQ(Decrypt(TPrivProtocol::Des, key, 7, 9, salt, cipher, plain), 0);
    EXPECT_EQ(std::string(plain.begin(), plain.end()), text) << "DES ignores boots and time";
}

TEST(UsmPrivacy, EveryCipherRoundTripsAnyLength)
{
    TSaltCounter salts;
    for (TPrivProtocol priv : kPrivs) {
        const TKey key(PrivKeyLength(priv), 0x42);
        for (std::size_t length : {0u, 1u, 7u, 8u, 9u, 16u, 33u}) {
            TBytes plain(length), cipher, back;
            for (std::size_t i = 0; i < length; ++i)
                plain[i] = static_cast<std::uint8_t>(i * 7 + 1);
            const TSalt salt = salts.Next(priv, 5);
            ASSERT_EQ(Encrypt(priv, key, 5, 600, salt, plain, cipher), 0);
            const std::size_t expected =
                priv == TPrivProtocol::Des ? (length / 8 + (length % 8 ? 1 : 0)) * 8 : length;
            EXPECT_EQ(cipher.size(), expected) << "DES pads to whole blocks, AES does not";
            ASSERT_EQ(Decrypt(priv, key, 5, 600, salt, cipher, back), 0);
            back.resize(length);  // the DES pad
            EXPECT_EQ(back, plain);
        }
    }
}

TEST(UsmPrivacy, WrongBootsTimeOrSaltGivesOtherPlaintext)
{
    const TKey key(32, 0x42);
    const TSalt salt{1, 2, 3, 4, 5, 6, 7, 8};
    TSalt otherSalt = salt;
    otherSalt[7] ^= 1;
    const TBytes plain = Hex("30 0E 04 00 04 00 A2 08 02 01 01 02 01 00 02 01 00 30 00");
    TBytes cipher, back;
    ASSERT_EQ(Encrypt(TPrivProtocol::Aes256, key, 3, 400, salt, plain, cipher), 0);
    struct Case {
        std::uint32_t boots, time;
        TSalt salt;
        const char* why;
    } const cases[] = {{4, 400, salt, "boots"}, {3, 401, salt, "time"}, {3, 400, otherSalt, "salt"}};
    for (const Case& c : cases) {
        ASSERT_EQ(Decrypt(TPrivProtocol::Aes256, key, c.boots, c.time, c.salt, cipher, back), 0);
        EXPECT_NE(back, plain) << c.why << " takes part in the IV";
    }
}

TEST(UsmPrivacy, RefusesWhatCannotBeDecrypted)
{
    const TKey key(16, 1);
    TBytes out{1};
    struct Case {
        int code;
        int expected;
        const char* why;
    } const cases[] = {
        {Decrypt(TPrivProtocol::Aes128, key, 0, 0, Hex("01 02 03 04 05 06 07"), Hex("00"), out),
         kDecryptionError, "salt of seven bytes"},
        {Decrypt(TPrivProtocol::Des, key, 0, 0, TBytes(8, 0), TBytes(9, 0), out), kDecryptionError,
         "DES ciphertext of no whole blocks"},
        {Decrypt(TPrivProtocol::Aes256, key, 0, 0, TBytes(8, 0), TBytes(16, 0), out), kBadKey,
         "a 16-byte key for AES-256"},
        {Decrypt(TPrivProtocol::None, key, 0, 0, TBytes(8, 0), TBytes(16, 0), out), kNoProtocol, "no cipher"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.code, c.expected) << c.why;
    EXPECT_TRUE(out.empty()) << "a refused decryption leaves nothing behind";
}

TEST(UsmPrivacy, SaltsNeverRepeatAndDesSaltsCarryBoots)
{
    TSaltCounter salts;
    std::set<TSalt> seen;
    for (int i = 0; i < 1000; ++i) {
        const TSalt des = salts.Next(TPrivProtocol::Des, 0x01020304);
        EXPECT_EQ(ToHex(TBytes(des.begin(), des.begin() + 4)), "01 02 03 04");
        EXPECT_TRUE(seen.insert(des).second);
        EXPECT_TRUE(seen.insert(salts.Next(TPrivProtocol::Aes128, 0)).second);
    }
    TSaltCounter other;
    EXPECT_NE(other.Next(TPrivProtocol::Aes128, 0), salts.Next(TPrivProtocol::Aes128, 0))
        << "each counter starts somewhere else";
}

}  // namespace
}  // namespace vxsnmp::usm
