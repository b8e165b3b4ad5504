// Codec micro-benchmarks, side by side with net-snmp's library doing the same
// work (net-snmp is linked into this binary only, never into the program).
//
//   Build: a GetRequest of 15 bindings (OIDs of the interfaces table) into a
//          reused buffer. Ours starts from the OID texts of the binding table;
//          net-snmp from OIDs already parsed into sub-identifier arrays.
//   Parse: a v2c GetResponse of 15 mixed bindings (strings, OIDs, numbers of
//          every width, an address, a Counter64, a noSuchInstance). Ours makes
//          the value texts the engine reports; net-snmp is measured parsing
//          into its binary variables, and parsing plus printing every value.
#include "SnmpMessage.h"

#include <benchmark/benchmark.h>

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace vxsnmp;

constexpr int kBindings = 15;

std::string ColumnOid(int i) { return "1.3.6.1.2.1.2.2.1." + std::to_string(i + 2) + ".12"; }

// The answer parsed in the parse benchmarks, built once with our own codec.
std::vector<std::uint8_t> MixedResponse()
{
    struct Value {
        std::uint8_t type;
        std::string text;
    } const values[kBindings] = {
        {0x04, "Linux tamvel 6.1.0-18-amd64 #1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1 x86_64"},
        {0x06, "1.3.6.1.4.1.8072.3.2.10"},
        {0x43, "123456789"},
        {0x02, "6"},
        {0x41, "3735928559"},
        {0x42, "1000000000"},
        {0x40, "192.168.1.1"},
        {0x46, "18446744073709551000"},
        {0x04, std::string("\x00\x1A\x2B\x00\x4D\x5E", 6)},
        {0x02, "-42"},
        {0x04, "eth0"},
        {0x41, "17"},
        {0x43, "0"},
        {0x47, "65535"},
        {0x81, ""},
    };
    auto table = std::make_unique<TBindingTable>();
    for (int i = 0; i < kBindings; ++i)
        table->slot[i] = {ColumnOid(i), values[i].type, values[i].text};
    table->count = kBindings;
    TOutgoing out;
    out.requestId = 4711;
    std::vector<std::uint8_t> datagram;
    if (BuildMessage(out, Tag::GetResponse, *table, datagram) != kOk)
        std::abort();
    return datagram;
}

void OursBuildGetRequest(benchmark::State& state)
{
    auto table = std::make_unique<TBindingTable>();
    for (int i = 0; i < kBindings; ++i)
        table->slot[i].oid = ColumnOid(i);
    table->count = kBindings;
    TOutgoing out;
    std::vector<std::uint8_t> datagram;
    for (auto _ : state) {
        if (BuildMessage(out, Tag::GetRequest, *table, datagram) != kOk)
            state.SkipWithError("build failed");
        benchmark::DoNotOptimize(datagram.data());
    }
    state.counters["bytes"] = static_cast<double>(datagram.size());
}
BENCHMARK(OursBuildGetRequest);

void OursParseResponse(benchmark::State& state)
{
    const std::vector<std::uint8_t> datagram = MixedResponse();
    auto table = std::make_unique<TBindingTable>();
    TIncoming in;
    for (auto _ : state) {
        if (ParseMessage(datagram, in, *table) != kOk || table->count != kBindings)
            state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(table->slot[0].value.data());
    }
    state.counters["bytes"] = static_cast<double>(datagram.size());
}
BENCHMARK(OursParseResponse);

struct NetSnmp {
    netsnmp_session session;

    NetSnmp()
    {
        // No MIB files: numeric OIDs only, as in our program.
        setenv("MIBS", "", 1);
        setenv("MIBDIRS", "/nonexistent", 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
        init_snmp("vexgrid-bench");
        snmp_sess_init(&session);
        session.version = SNMP_VERSION_2c;
        session.community = reinterpret_cast<u_char*>(const_cast<char*>("tamvel"));
        session.community_len = 6;
    }
};

NetSnmp& Library()
{
    static NetSnmp library;
    return library;
}

void NetSnmpBuildGetRequest(benchmark::State& state)
{
    NetSnmp& lib = Library();
    std::vector<std::vector<oid>> oids;
    for (int i = 0; i < kBindings; ++i) {
        oid name[MAX_OID_LEN];
        size_t length = MAX_OID_LEN;
        if (!snmp_parse_oid(ColumnOid(i).c_str(), name, &length))
            std::abort();
        oids.emplace_back(name, name + length);
    }
    size_t capacity = 2048;
    auto* buffer = static_cast<u_char*>(malloc(capacity));
    size_t built = 0;
    long requestId = 1;
    for (auto _ : state) {
        netsnmp_pdu* pdu = snmp_pdu_create(SNMP_MSG_GET);
        pdu->version = SNMP_VERSION_2c;
        pdu->reqid = requestId++;
        for (const auto& name : oids)
            snmp_add_null_var(pdu, name.data(), name.size());
        size_t offset = 0;
        if (snmp_build(&buffer, &capacity, &offset, &lib.session, pdu) != 0) {
            state.SkipWithError(snmp_api_errstring(lib.session.s_snmp_errno));
            break;
        }
        built = offset;
        benchmark::DoNotOptimize(buffer);
        snmp_free_pdu(pdu);
    }
    free(buffer);
    state.counters["bytes"] = static_cast<double>(built);
}
BENCHMARK(NetSnmpBuildGetRequest);

void NetSnmpParse(benchmark::State& state, bool printValues)
{
    NetSnmp& lib = Library();
    std::vector<std::uint8_t> datagram = MixedResponse();
    char text[512];
    for (auto _ : state) {
        netsnmp_pdu* pdu = snmp_pdu_create(0);
        if (snmp_parse(nullptr, &lib.session, pdu, datagram.data(), datagram.size()) != 0)
            state.SkipWithError("snmp_parse failed");
        if (printValues) {
            for (netsnmp_variable_list* v = pdu->variables; v; v = v->next_variable) {
                snprint_objid(text, sizeof text, v->name, v->name_length);
                snprint_value(text, sizeof text, v->name, v->name_length, v);
                benchmark::DoNotOptimize(text);
            }
        }
        benchmark::DoNotOptimize(pdu->variables);
        snmp_free_pdu(pdu);
    }
}
void NetSnmpParseResponse(benchmark::State& state) { NetSnmpParse(state, false); }
void NetSnmpParseResponseWithTexts(benchmark::State& state) { NetSnmpParse(state, true); }
BENCHMARK(NetSnmpParseResponse);
BENCHMARK(NetSnmpParseResponseWithTexts);

}  // namespace

BENCHMARK_MAIN();
