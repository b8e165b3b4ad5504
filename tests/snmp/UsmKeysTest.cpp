#include "TestBytes.h"
#include "snmp/UsmKeys.h"

#include <gtest/gtest.h>

namespace vxsnmp::usm {
namespace {

using test::Hex;
using test::ToHex;
using test::TBytes;

// The engine ID of the published key localization examples.
const TBytes kEngineId = Hex("00 00 00 00 00 00 00 00 00 00 00 02");

TEST(UsmKeys, PublishedExamplesOfPasswordToKeyAndLocalization)
{
    // Password "maplesyrup", engine ID 00..02: the worked examples of the
    // user-based security model for MD5 and SHA-1.
    struct Case {
        TAuthProtocol auth;
        const char* ku;
        const char* kul;
    } const cases[] = {
        {TAuthProtocol::Md5, "9f af 32 83 88 4e 92 83 4e bc 98 47 d8 ed d9 63",
         "52 6f 5e ed 9f cc e2 6f 89 64 c2 93 07 87 d8 2b"},
        {TAuthProtocol::Sha1, "9f b5 cc 03 81 49 7b 37 93 52 89 39 ff 78 8d 5d 79 14 52 11",
         "66 95 fe bc 92 88 e3 62 82 23 5f c7 15 1f 12 84 97 b3 8f 3f"},
    };
    for (const Case& c : cases) {
        TKey ku, kul, direct;
        ASSERT_EQ(PasswordToKey(c.auth, "maplesyrup", ku), 0);
        EXPECT_EQ(ToHex(ku), ToHex(Hex(c.ku)));
        ASSERT_EQ(LocalizeKey(c.auth, ku, kEngineId, kul), 0);
        EXPECT_EQ(ToHex(kul), ToHex(Hex(c.kul)));
        ASSERT_EQ(LocalizedKey(c.auth, "maplesyrup", kEngineId, direct), 0);
        EXPECT_EQ(direct, kul);
    }
}

// Keys snmpd 5.9.3 derived for users created with
//   exactEngineID 0x000000000000000000000002
//   createUser NAME AUTH maplesyrup PRIV syrup-for-privacy
// and wrote as usmUser lines into its persistent snmpd.conf when it stopped
// (tests/snmp/usm_key_oracle.sh prints them). UsmAgentTest repeats a few live.
struct TOracleKey {
    TAuthProtocol auth;
    TPrivProtocol priv;
    const char* authKey;
    const char* privKey;
    const char* why;
};

const TOracleKey kOracleKeys[] = {
    {TAuthProtocol::Md5, TPrivProtocol::Des, "526f5eed9fcce26f8964c2930787d82b",
     "4955dd76eee441ae1b9df5b2ad9ef410", "DES takes the whole 16-byte MD5 key"},
    {TAuthProtocol::Md5, TPrivProtocol::Aes192, "526f5eed9fcce26f8964c2930787d82b",
     "4955dd76eee441ae1b9df5b2ad9ef4103fe3059454e123c2", "16 bytes extended to 24"},
    {TAuthProtocol::Md5, TPrivProtocol::Aes256, "526f5eed9fcce26f8964c2930787d82b",
     "4955dd76eee441ae1b9df5b2ad9ef4103fe3059454e123c282ec3b369bd12d76", "16 bytes extended to exactly 32"},
    {TAuthProtocol::Sha1, TPrivProtocol::Aes256, "6695febc9288e36282235fc7151f128497b38f3f",
     "e95df081598a5f14d64126d6487266feeb3e767aa1abacd74c47dff51fdfce0b", "20 bytes extended to 32"},
    {TAuthProtocol::Sha224, TPrivProtocol::Aes256, "0bd8827c6e29f8065e08e09237f177e410f69b90e1782be682075674",
     "e6ca323f5ae10a8e1c17e2f765ccf69d5b833588a6df9f130485a4f347b27fbb", "28 bytes extended to 32"},
    {TAuthProtocol::Sha256, TPrivProtocol::Aes256,
     "8982e0e549e866db361a6b625d84cccc11162d453ee8ce3a6445c2d6776f0f8b",
     "d372f8d3627bfcddb3db711ffc7c08f9d7b7ec4f32ba88dad7505b84c5245c87", "exactly long enough: no extension"},
    {TAuthProtocol::Sha384, TPrivProtocol::Aes128,
     "3b298f16164a11184279d5432bf169e2d2a48307de02b3d3f7e2b4f36eb6f045"
     "5a53689a3937eea07319a633d2ccba78",
     "740b4e063f1e5baa0c696f2dcee11450", "48 bytes cut to 16"},
    {TAuthProtocol::Sha512, TPrivProtocol::Aes256,
     "22a5a36cedfcc085807a128d7bc6c2382167ad6c0dbc5fdff856740f3d84c099"
     "ad1ea87a8db096714d9788bd544047c9021e4229ce27e4c0a69250adfcffbb0b",
     "62ce2f179f935505f5d1e42861de034bbd628f23b830986d57c0e467b13ecae9", "64 bytes cut to 32"},
};

TEST(UsmKeys, AgreeWithTheKeysTheAgentDerives)
{
    for (const TOracleKey& c : kOracleKeys) {
        SCOPED_TRACE(c.why);
        TKey authKey, privKey;
        ASSERT_EQ(LocalizedKey(c.auth, "maplesyrup", kEngineId, authKey), 0);
        EXPECT_EQ(ToHex(authKey), ToHex(Hex(c.authKey)));
        ASSERT_EQ(PrivacyKey(c.auth, c.priv, "syrup-for-privacy", kEngineId, privKey), 0);
        EXPECT_EQ(ToHex(privKey), ToHex(Hex(c.privKey)));
    }
}

TEST(UsmKeys, ExtensionHashesTheWholeKeySoFar)
{
    // A 4-byte MD5 "key" needs four rounds to reach 64 bytes: each round
    // digests everything before it, so every 16-byte step differs.
    TKey key = Hex("01 02 03 04");
    ASSERT_EQ(ExtendKey(TAuthProtocol::Md5, key, 64), 0);
    ASSERT_EQ(key.size(), 64u);
    TKey again = Hex("01 02 03 04");
    ASSERT_EQ(ExtendKey(TAuthProtocol::Md5, again, 20), 0);
    EXPECT_EQ(TKey(key.begin(), key.begin() + 20), again);  // a shorter extension is a prefix
    EXPECT_NE(TKey(key.begin() + 4, key.begin() + 20), TKey(key.begin() + 20, key.begin() + 36));
}

TEST(UsmKeys, RefusesWhatCannotMakeAKey)
{
    TKey key{1, 2, 3};
    struct Case {
        int code;
        int expected;
        const char* why;
    } const cases[] = {
        {PasswordToKey(TAuthProtocol::Sha256, "1234567", key), kShortPassword,
         "seven characters are too few"},
        {PasswordToKey(TAuthProtocol::None, "maplesyrup", key), kNoProtocol, "no digest"},
        {LocalizeKey(TAuthProtocol::Sha1, Hex("01 02"), kEngineId, key), kBadKey,
         "Ku shorter than the digest"},
        {PrivacyKey(TAuthProtocol::Md5, TPrivProtocol::None, "maplesyrup", kEngineId, key), kNoProtocol,
         "no cipher"},
        {ExtendKey(TAuthProtocol::Md5, key = {}, 16), kBadKey, "nothing to extend"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.code, c.expected) << c.why;
    TKey ku{1};
    PasswordToKey(TAuthProtocol::Md5, "short", ku);
    EXPECT_TRUE(ku.empty()) << "a refused key is left empty, never half made";
}

}  // namespace
}  // namespace vxsnmp::usm
