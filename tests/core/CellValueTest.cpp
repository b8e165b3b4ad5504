// A value's bytes: kept beside its text only when they are not the text's.
#include "core/CellValue.h"

#include <gtest/gtest.h>

TEST(CellValue, BytesReadBackAsGivenWhetherOrNotTheyAreTheText)
{
    const struct {
        const char* why;
        QString text;
        QByteArray bytes;
        bool bytesAreText;
    } cases[] = {
        {"a number", QStringLiteral("4294967295"), "4294967295", true},
        {"a name", QStringLiteral("eth0"), "eth0", true},
        {"UTF-8 text", QString::fromUtf8("caf\xc3\xa9"), "caf\xc3\xa9", true},
        {"nothing for nothing", QString(), QByteArray(), true},
        {"Latin-1 bytes shown as their characters", QString::fromLatin1("caf\xe9"), "caf\xe9", false},
        {"binary shown as hex", QStringLiteral("00 1A 2B"), QByteArray("\x00\x1a\x2b", 3), false},
        {"no bytes behind a text", QStringLiteral("Null"), QByteArray(), false},
        {"a zero byte more than the text", QStringLiteral("box"), QByteArray("box\0", 4), false},
    };
    for (const auto& c : cases) {
        TCellValue value;
        value.text = c.text;
        value.SetBytes(c.bytes);
        EXPECT_EQ(value.Bytes(), c.bytes) << c.why;
        EXPECT_EQ(value.BytesAreText(), c.bytesAreText) << c.why;
        EXPECT_EQ(value.KeptBytes().isEmpty(), c.bytesAreText || c.bytes.isEmpty()) << c.why;
    }
}
