// The counters a Report PDU names in its first binding.
#include "snmp/SnmpV3Message.h"

namespace vxsnmp::v3 {

namespace {

struct TReportEntry {
    std::string_view oid;
    TReportKind kind;
    std::string_view name;
};

constexpr TReportEntry kReports[] = {
    {"1.3.6.1.6.3.15.1.1.1", TReportKind::UnsupportedSecLevels, "usmStatsUnsupportedSecLevels"},
    {"1.3.6.1.6.3.15.1.1.2", TReportKind::NotInTimeWindows, "usmStatsNotInTimeWindows"},
    {"1.3.6.1.6.3.15.1.1.3", TReportKind::UnknownUserNames, "usmStatsUnknownUserNames"},
    {"1.3.6.1.6.3.15.1.1.4", TReportKind::UnknownEngineIds, "usmStatsUnknownEngineIDs"},
    {"1.3.6.1.6.3.15.1.1.5", TReportKind::WrongDigests, "usmStatsWrongDigests"},
    {"1.3.6.1.6.3.15.1.1.6", TReportKind::DecryptionErrors, "usmStatsDecryptionErrors"},
    {"1.3.6.1.6.3.11.2.1.1", TReportKind::UnknownSecurityModels, "snmpUnknownSecurityModels"},
    {"1.3.6.1.6.3.11.2.1.2", TReportKind::InvalidMsgs, "snmpInvalidMsgs"},
    {"1.3.6.1.6.3.11.2.1.3", TReportKind::UnknownPduHandlers, "snmpUnknownPDUHandlers"},
    {"1.3.6.1.6.3.12.1.4", TReportKind::UnavailableContexts, "snmpUnavailableContexts"},
    {"1.3.6.1.6.3.12.1.5", TReportKind::UnknownContexts, "snmpUnknownContexts"},
};

}  // namespace

TReportKind ReportKindOf(std::string_view oid)
{
    if (oid.ends_with(".0"))
        oid.remove_suffix(2);
    for (const TReportEntry& entry : kReports)
        if (entry.oid == oid)
            return entry.kind;
    return TReportKind::Unknown;
}

std::string_view ReportName(TReportKind kind)
{
    for (const TReportEntry& entry : kReports)
        if (entry.kind == kind)
            return entry.name;
    return "unknown report";
}

std::string_view ReportOid(TReportKind kind)
{
    for (const TReportEntry& entry : kReports)
        if (entry.kind == kind)
            return entry.oid;
    return {};
}

}  // namespace vxsnmp::v3
