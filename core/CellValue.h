// TCellValue: one received value as it travels from the SNMP component's
// answer to a cell of the result table: the display text the program has
// always shown, the bytes and the SNMP type they came with, and when they
// arrived.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// SNMP type codes (the BER tags of the value) the table looks at.
namespace snmptype {
inline constexpr int kNoAnswer = -1;  // "Null": time-out, error status, abandoned
inline constexpr int kInteger = 0x02;
inline constexpr int kOctetString = 0x04;
inline constexpr int kNull = 0x05;
inline constexpr int kObjectId = 0x06;
inline constexpr int kIpAddress = 0x40;
inline constexpr int kCounter32 = 0x41;
inline constexpr int kGauge32 = 0x42;
inline constexpr int kTimeTicks = 0x43;
inline constexpr int kOpaque = 0x44;
inline constexpr int kCounter64 = 0x46;
inline constexpr int kNoSuchObject = 0x80;
inline constexpr int kNoSuchInstance = 0x81;
inline constexpr int kEndOfMibView = 0x82;
}  // namespace snmptype

struct TCellValue {
    QString text;  // the value text shown by default
    int type = snmptype::kNoAnswer;

private:
    // Here, beside type, it takes no room of its own (a large table holds
    // a value per cell and one per cell that changed).
    bool bytesAreText = false;

public:
    std::int64_t arrivedMs = 0;  // monotonic clock, ms; only distances count
    std::int64_t wallMs = 0;     // wall clock, ms since the epoch, for people
    std::int64_t upTime = -1;    // the agent's sysUpTime.0 of the shoot; -1 unknown

    bool Answered() const { return type != snmptype::kNoAnswer; }
    bool IsCounter() const { return type == snmptype::kCounter32 || type == snmptype::kCounter64; }
    // An answer that carries a value (not an exception such as noSuchObject).
    bool HasValue() const { return Answered() && type < snmptype::kNoSuchObject; }

    // The bytes as the component returned them.
    QByteArray Bytes() const { return bytesAreText ? text.toUtf8() : bytes; }
    // Sets the bytes, after the text: bytes that are the text's UTF-8 (most
    // values: numbers, names) are not kept beside it.
    void SetBytes(const QByteArray& given);
    // The bytes are the text's UTF-8, whatever the text.
    void SetBytesToText()
    {
        bytes.clear();
        bytesAreText = true;
    }
    // True when SetBytes found them the text's or SetBytesToText said so.
    bool BytesAreText() const { return bytesAreText; }
    // The bytes kept beside the text: none when BytesAreText().
    const QByteArray& KeptBytes() const { return bytes; }

private:
    QByteArray bytes;
};

// Whether raw holds text's UTF-8 bytes.
bool SameAsText(const QByteArray& raw, const QString& text);

// The name of an SNMP type code: "Counter32", "OCTET STRING", ...
QString SnmpTypeName(int type);

// A monotonic clock in ms (since some fixed point of this process).
std::int64_t MonotonicMs();

// Takes the first line off value. Every line break is first made a CR LF
// pair (CR LF stays one break, a lone CR or LF becomes one, LF CR is two).
// Returns the text before the first break and leaves the text after it in
// value; without a break returns all of value and empties it.
QString TakeFirstLine(QString& value);

// Makes one line of value: every CR becomes a blank, every LF is dropped.
QString JoinLines(const QString& value);
