// How received values read in the table: texts stay texts, binary octet
// strings (MAC addresses, masks) become hex bytes.
#include "engine/ShootEngine.h"

#include <gtest/gtest.h>

namespace {

constexpr int kInteger = 0x02;
constexpr int kOctetString = 0x04;
constexpr int kOpaque = 0x44;

TEST(ValueText, OctetStringsAreTextOrHexBytes)
{
    struct Case {
        QByteArray bytes;
        int type;
        QString shown;
        const char* why;
    } const cases[] = {
        {"eth0", kOctetString, "eth0", "plain text"},
        {"Gr\xc3\xbc\xc3\x9f"
         "e",
         kOctetString,
         QString::fromUtf8("Gr\xc3\xbc\xc3\x9f"
                           "e"),
         "UTF-8 text"},
        {"line 1\r\nline 2", kOctetString, "line 1\r\nline 2", "line breaks are text"},
        {QByteArray("sysDescr\0\0", 10), kOctetString, "sysDescr", "trailing zero bytes end a text"},
        {"Caf\xe9", kOctetString, "43 61 66 E9", "a Latin-1 letter at the end is no UTF-8"},
        {"ok \xe2\x9c", kOctetString, "6F 6B 20 E2 9C", "a UTF-8 sequence cut off at the end"},
        {"Caf\xe9", kInteger, "Caf\u00e9", "display text that is no UTF-8 reads as Latin-1"},
        {QByteArray::fromHex("7a3e767a29f9"), kOctetString, "7A 3E 76 7A 29 F9", "a MAC that is no UTF-8"},
        {QByteArray::fromHex("00163e123456"), kOctetString, "00 16 3E 12 34 56", "a MAC with control bytes"},
        {QByteArray::fromHex("0000"), kOctetString, "00 00", "zero bytes alone are data"},
        {"", kOctetString, "", "empty"},
        {QByteArray::fromHex("9f780441"), kOpaque, "9F 78 04 41", "opaque data"},
        {"-42", kInteger, "-42", "other types arrive as display text"},
        {"a\tb", kOctetString, "a\tb", "a tab is text"},
        {"a\x7f", kOctetString, "61 7F", "DEL is a control byte"},
        {QByteArray("\0ab", 3), kOctetString, "00 61 62", "a zero byte inside is data"},
        {"a\x01", kInteger, "a\x01", "display text is taken as sent"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TShootEngine::ValueText(c.bytes, c.type), c.shown) << c.why;
}

}  // namespace
