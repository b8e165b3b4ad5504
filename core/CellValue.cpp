#include "CellValue.h"

#include <QElapsedTimer>

QString SnmpTypeName(int type)
{
    switch (type) {
    case snmptype::kNoAnswer: return QStringLiteral("no answer");
    case snmptype::kInteger: return QStringLiteral("INTEGER");
    case snmptype::kOctetString: return QStringLiteral("OCTET STRING");
    case snmptype::kNull: return QStringLiteral("NULL");
    case snmptype::kObjectId: return QStringLiteral("OBJECT IDENTIFIER");
    case snmptype::kIpAddress: return QStringLiteral("IpAddress");
    case snmptype::kCounter32: return QStringLiteral("Counter32");
    case snmptype::kGauge32: return QStringLiteral("Gauge32");
    case snmptype::kTimeTicks: return QStringLiteral("TimeTicks");
    case snmptype::kOpaque: return QStringLiteral("Opaque");
    case snmptype::kCounter64: return QStringLiteral("Counter64");
    case snmptype::kNoSuchObject: return QStringLiteral("noSuchObject");
    case snmptype::kNoSuchInstance: return QStringLiteral("noSuchInstance");
    case snmptype::kEndOfMibView: return QStringLiteral("endOfMibView");
    default: return QStringLiteral("type 0x%1").arg(type, 2, 16, QLatin1Char('0'));
    }
}

std::int64_t MonotonicMs()
{
    static const QElapsedTimer origin = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return origin.elapsed();
}
