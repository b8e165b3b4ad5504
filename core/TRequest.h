// TRequest: the request record of the shoot engine, and the separator lists in
// which OIDs and answers travel.
//
// A separator list is one text in which every item, the last one included, is
// followed by the unit separator 0x1F. The answer buffer holds OID and value
// items alternately.
#pragma once

#include <QList>
#include <QString>

#include <cstdint>

// The unit separator that ends every item of a separator list.
inline constexpr QChar kItemSeparator = QChar(0x1F);

// Request kinds.
inline constexpr int kRequestGet = 1;
inline constexpr int kRequestGetNext = 2;
inline constexpr int kRequestGetBulk = 3;  // repetitions from the shoot engine

// Purposes of a request.
inline constexpr int kPurposeValues = 0;
inline constexpr int kPurposeDiscovery = 10;
// One step of a column walked beside others (TShootEngine's column walks).
inline constexpr int kPurposeColumns = 30;

// Requests a shoot may keep outstanding at once: more only queue at the agent.
inline constexpr int kMaxParallelRequests = 8;

struct TRequest {
    std::int32_t pollSeconds = 5;  // 5 at set-up, 1 once a vexgrid file is loaded
    QString community;
    QString remoteHost;
    std::int32_t requestKind = 0;  // kRequestGet, kRequestGetNext, kRequestGetBulk; others send nothing
    std::int32_t snmpVersion = 1;  // 1, 2 or 3; others leave the component's version alone
    std::int32_t remotePort = 161;
    QString oidList;  // separator list of OIDs
    std::int32_t requestId = 0;
    std::int64_t sentAt = 0;       // wall clock of the last send, ms since the epoch
    std::int64_t firstSentUs = 0;  // monotonic clock of the first send, microseconds
    std::int32_t retriesLeft = 0;  // 0 = none left, -1 = finished (to be disposed)
    std::int32_t purpose = kPurposeValues;
    QList<std::int32_t> columns;   // the walked columns of a kPurposeColumns step, in binding order
    std::int32_t repetitions = 0;  // of a GetBulk; 0: the shoot's
    QString answers;               // part of the record; the engine keeps its answers typed, not as text here
};

// CountSeparators returns the number of 0x1F characters in `list`.
int CountSeparators(const QString& list);

// TakeNextItem returns the text before the first 0x1F and removes it and the
// separator from `list`. With no separator left it returns the empty text and
// leaves `list` unchanged.
QString TakeNextItem(QString& list);
