// The built-in descriptors of the SMI and MIB-II (RFC 1155, RFC 1213).
#include "table/Shared.h"

#include "names/MibNames.h"

#include <initializer_list>

namespace {

// A run of descriptors whose OIDs are base.first, base.first+1, ...
struct TNameRun {
    const char* base;
    int first;
    std::initializer_list<const char*> names;
};

const char* const mib2 = "1.3.6.1.2.1";

// The nodes of the OID tree above the MIB-II groups, in tree order.
struct TNodeName {
    const char* oid;
    const char* name;
};
const TNodeName treeNodes[] = {
    {"1", "iso"},
    {"1.3", "org"},
    {"1.3.6", "dod"},
    {"1.3.6.1", "internet"},
    {"1.3.6.1.1", "directory"},
    {"1.3.6.1.2", "mgmt"},
    {"1.3.6.1.3", "experimental"},
    {"1.3.6.1.4", "private"},
    {"1.3.6.1.4.1", "enterprises"},
    {"1.3.6.1.2.1", "mib-2"},
};

// The groups under mib-2; 9 is not assigned.
const TNameRun groupRuns[] = {
    {mib2, 1, {"system", "interfaces", "at", "ip", "icmp", "tcp", "udp", "egp"}},
    {mib2, 10, {"transmission", "snmp"}},
};

// Every object of the groups, each group in OID order.
const TNameRun objectRuns[] = {
    {"1.3.6.1.2.1.1",
     1,
     {"sysDescr", "sysObjectID", "sysUpTime", "sysContact", "sysName", "sysLocation", "sysServices"}},

    {"1.3.6.1.2.1.2", 1, {"ifNumber", "ifTable"}},
    {"1.3.6.1.2.1.2.2", 1, {"ifEntry"}},
    {"1.3.6.1.2.1.2.2.1",
     1,
     {"ifIndex",       "ifDescr",        "ifType",          "ifMtu",         "ifSpeed",
      "ifPhysAddress", "ifAdminStatus",  "ifOperStatus",    "ifLastChange",  "ifInOctets",
      "ifInUcastPkts", "ifInNUcastPkts", "ifInDiscards",    "ifInErrors",    "ifInUnknownProtos",
      "ifOutOctets",   "ifOutUcastPkts", "ifOutNUcastPkts", "ifOutDiscards", "ifOutErrors",
      "ifOutQLen",     "ifSpecific"}},

    {"1.3.6.1.2.1.3", 1, {"atTable"}},
    {"1.3.6.1.2.1.3.1", 1, {"atEntry"}},
    {"1.3.6.1.2.1.3.1.1", 1, {"atIfIndex", "atPhysAddress", "atNetAddress"}},

    {"1.3.6.1.2.1.4", 1, {"ipForwarding",   "ipDefaultTTL",    "ipInReceives",      "ipInHdrErrors",
                          "ipInAddrErrors", "ipForwDatagrams", "ipInUnknownProtos", "ipInDiscards",
                          "ipInDelivers",   "ipOutRequests",   "ipOutDiscards",     "ipOutNoRoutes",
                          "ipReasmTimeout", "ipReasmReqds",    "ipReasmOKs",        "ipReasmFails",
                          "ipFragOKs",      "ipFragFails",     "ipFragCreates",     "ipAddrTable"}},
    {"1.3.6.1.2.1.4.20", 1, {"ipAddrEntry"}},
    {"1.3.6.1.2.1.4.20.1",
     1,
     {"ipAdEntAddr", "ipAdEntIfIndex", "ipAdEntNetMask", "ipAdEntBcastAddr", "ipAdEntReasmMaxSize"}},
    {"1.3.6.1.2.1.4", 21, {"ipRouteTable"}},
    {"1.3.6.1.2.1.4.21", 1, {"ipRouteEntry"}},
    {"1.3.6.1.2.1.4.21.1",
     1,
     {"ipRouteDest", "ipRouteIfIndex", "ipRouteMetric1", "ipRouteMetric2", "ipRouteMetric3", "ipRouteMetric4",
      "ipRouteNextHop", "ipRouteType", "ipRouteProto", "ipRouteAge", "ipRouteMask", "ipRouteMetric5",
      "ipRouteInfo"}},
    {"1.3.6.1.2.1.4", 22, {"ipNetToMediaTable"}},
    {"1.3.6.1.2.1.4.22", 1, {"ipNetToMediaEntry"}},
    {"1.3.6.1.2.1.4.22.1",
     1,
     {"ipNetToMediaIfIndex", "ipNetToMediaPhysAddress", "ipNetToMediaNetAddress", "ipNetToMediaType"}},
    {"1.3.6.1.2.1.4", 23, {"ipRoutingDiscards"}},

    {"1.3.6.1.2.1.5",
     1,
     {"icmpInMsgs",         "icmpInErrors",       "icmpInDestUnreachs",  "icmpInTimeExcds",
      "icmpInParmProbs",    "icmpInSrcQuenchs",   "icmpInRedirects",     "icmpInEchos",
      "icmpInEchoReps",     "icmpInTimestamps",   "icmpInTimestampReps", "icmpInAddrMasks",
      "icmpInAddrMaskReps", "icmpOutMsgs",        "icmpOutErrors",       "icmpOutDestUnreachs",
      "icmpOutTimeExcds",   "icmpOutParmProbs",   "icmpOutSrcQuenchs",   "icmpOutRedirects",
      "icmpOutEchos",       "icmpOutEchoReps",    "icmpOutTimestamps",   "icmpOutTimestampReps",
      "icmpOutAddrMasks",   "icmpOutAddrMaskReps"}},

    {"1.3.6.1.2.1.6",
     1,
     {"tcpRtoAlgorithm", "tcpRtoMin", "tcpRtoMax", "tcpMaxConn", "tcpActiveOpens", "tcpPassiveOpens",
      "tcpAttemptFails", "tcpEstabResets", "tcpCurrEstab", "tcpInSegs", "tcpOutSegs", "tcpRetransSegs",
      "tcpConnTable"}},
    {"1.3.6.1.2.1.6.13", 1, {"tcpConnEntry"}},
    {"1.3.6.1.2.1.6.13.1",
     1,
     {"tcpConnState", "tcpConnLocalAddress", "tcpConnLocalPort", "tcpConnRemAddress", "tcpConnRemPort"}},
    {"1.3.6.1.2.1.6", 14, {"tcpInErrs", "tcpOutRsts"}},

    {"1.3.6.1.2.1.7", 1, {"udpInDatagrams", "udpNoPorts", "udpInErrors", "udpOutDatagrams", "udpTable"}},
    {"1.3.6.1.2.1.7.5", 1, {"udpEntry"}},
    {"1.3.6.1.2.1.7.5.1", 1, {"udpLocalAddress", "udpLocalPort"}},

    {"1.3.6.1.2.1.8", 1, {"egpInMsgs", "egpInErrors", "egpOutMsgs", "egpOutErrors", "egpNeighTable"}},
    {"1.3.6.1.2.1.8.5", 1, {"egpNeighEntry"}},
    {"1.3.6.1.2.1.8.5.1",
     1,
     {"egpNeighState", "egpNeighAddr", "egpNeighAs", "egpNeighInMsgs", "egpNeighInErrs", "egpNeighOutMsgs",
      "egpNeighOutErrs", "egpNeighInErrMsgs", "egpNeighOutErrMsgs", "egpNeighStateUps", "egpNeighStateDowns",
      "egpNeighIntervalHello", "egpNeighIntervalPoll", "egpNeighMode", "egpNeighEventTrigger"}},
    {"1.3.6.1.2.1.8", 6, {"egpAs"}},

    // snmp: 7 and 23 are not assigned.
    {"1.3.6.1.2.1.11",
     1,
     {"snmpInPkts", "snmpOutPkts", "snmpInBadVersions", "snmpInBadCommunityNames", "snmpInBadCommunityUses",
      "snmpInASNParseErrs"}},
    {"1.3.6.1.2.1.11",
     8,
     {"snmpInTooBigs", "snmpInNoSuchNames", "snmpInBadValues", "snmpInReadOnlys", "snmpInGenErrs",
      "snmpInTotalReqVars", "snmpInTotalSetVars", "snmpInGetRequests", "snmpInGetNexts", "snmpInSetRequests",
      "snmpInGetResponses", "snmpInTraps", "snmpOutTooBigs", "snmpOutNoSuchNames", "snmpOutBadValues"}},
    {"1.3.6.1.2.1.11",
     24,
     {"snmpOutGenErrs", "snmpOutGetRequests", "snmpOutGetNexts", "snmpOutSetRequests", "snmpOutGetResponses",
      "snmpOutTraps", "snmpEnableAuthenTraps"}},
};

void AddRun(TOidNameTable& table, const TNameRun& run)
{
    const QString base = QString::fromLatin1(run.base) + QLatin1Char('.');
    int number = run.first;
    for (const char* name : run.names)
        table.Add(base + QString::number(number++), QString::fromLatin1(name));
}

}  // namespace

void TOidNameTable::BuildOidNameTable()
{
    Clear();
    entries.reserve(210);
    for (const TNodeName& node : treeNodes)
        Add(QString::fromLatin1(node.oid), QString::fromLatin1(node.name));
    for (const TNameRun& run : groupRuns)
        AddRun(*this, run);
    for (const TNameRun& run : objectRuns)
        AddRun(*this, run);
    SetMibNames(TMibNames::BuiltIn());
}
