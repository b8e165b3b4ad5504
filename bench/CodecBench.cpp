// Codec micro-benchmarks, side by side with net-snmp's library doing the same
// work (net-snmp is linked into this binary only, never into the program).
//
//   Build: a v2c GetRequest of 15 bindings (OIDs of the interfaces table),
//          community "tamvel", up to the finished datagram bytes.
//            OursBuildGetRequest          from the OID texts of the binding table
//            NetSnmpBuildGetRequest       from OIDs already parsed into numbers
//            NetSnmpBuildGetRequestFromTexts  parsing the same texts every time
//                                         (read_objid), like ours
//   Parse: a v2c GetResponse of 15 mixed bindings (strings, OIDs, numbers of
//          every width, an address, a Counter64, a noSuchInstance). Ours makes
//          the value texts the engine reports; net-snmp is measured parsing
//          into its binary variables, and parsing plus printing every value.
//
// Every case is a class whose Run() does one operation. The benchmarks loop
// over Run(); `bench_codec --profile NAME COUNT` runs one case COUNT times in
// ProfileLoop, for instruction counts (scripts/bench-codec --callgrind):
//   valgrind --tool=callgrind --toggle-collect='*ProfileLoop*'
//            bench_codec --profile OursBuildGetRequest 10000
#include "snmp/SnmpMessage.h"

#include <benchmark/benchmark.h>

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
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

class TOursBuild {
public:
    TOursBuild()
    {
        for (int i = 0; i < kBindings; ++i)
            table->slot[i].oid = ColumnOid(i);
        table->count = kBindings;
    }
    bool Run()
    {
        const bool ok = BuildMessage(out, Tag::GetRequest, *table, datagram) == kOk;
        benchmark::DoNotOptimize(datagram.data());
        return ok;
    }
    std::size_t Bytes() const { return datagram.size(); }

private:
    std::unique_ptr<TBindingTable> table = std::make_unique<TBindingTable>();
    TOutgoing out;
    std::vector<std::uint8_t> datagram;
};

class TOursParse {
public:
    bool Run()
    {
        const bool ok = ParseMessage(datagram, in, *table) == kOk && table->count == kBindings;
        benchmark::DoNotOptimize(table->slot[0].value.data());
        return ok;
    }
    std::size_t Bytes() const { return datagram.size(); }

private:
    const std::vector<std::uint8_t> datagram = MixedResponse();
    std::unique_ptr<TBindingTable> table = std::make_unique<TBindingTable>();
    TIncoming in;
};

netsnmp_session& NetSnmpSession()
{
    static netsnmp_session* session = [] {
        // No MIB files: numeric OIDs only, as in our program.
        setenv("MIBS", "", 1);
        setenv("MIBDIRS", "/nonexistent", 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
        init_snmp("vexgrid-bench");
        auto* s = new netsnmp_session;
        snmp_sess_init(s);
        s->version = SNMP_VERSION_2c;
        s->community = reinterpret_cast<u_char*>(const_cast<char*>("tamvel"));
        s->community_len = 6;
        return s;
    }();
    return *session;
}

// net-snmp's build: a PDU with NULL bindings, encoded by snmp_build into a
// reused buffer (which it fills from the end; the datagram is the last
// `offset` bytes). With `fromTexts` the OID texts are parsed every time.
class TNetSnmpBuild {
public:
    explicit TNetSnmpBuild(bool fromTexts) : fromTexts(fromTexts), session(NetSnmpSession())
    {
        for (int i = 0; i < kBindings; ++i) {
            texts.push_back(ColumnOid(i));
            oid name[MAX_OID_LEN];
            size_t length = MAX_OID_LEN;
            if (!read_objid(texts.back().c_str(), name, &length))
                std::abort();
            oids.emplace_back(name, name + length);
        }
    }
    ~TNetSnmpBuild() { free(buffer); }

    bool Run()
    {
        netsnmp_pdu* pdu = snmp_pdu_create(SNMP_MSG_GET);
        pdu->version = SNMP_VERSION_2c;
        pdu->reqid = requestId++;
        if (fromTexts) {
            for (const std::string& text : texts) {
                oid name[MAX_OID_LEN];
                size_t length = MAX_OID_LEN;
                if (!read_objid(text.c_str(), name, &length)) {
                    snmp_free_pdu(pdu);
                    return false;
                }
                snmp_add_null_var(pdu, name, length);
            }
        } else {
            for (const auto& name : oids)
                snmp_add_null_var(pdu, name.data(), name.size());
        }
        offset = 0;
        const bool ok = snmp_build(&buffer, &capacity, &offset, &session, pdu) == 0;
        benchmark::DoNotOptimize(buffer);
        snmp_free_pdu(pdu);
        return ok;
    }
    std::size_t Bytes() const { return offset; }

private:
    bool fromTexts;
    netsnmp_session& session;
    std::vector<std::string> texts;
    std::vector<std::vector<oid>> oids;
    size_t capacity = 2048;
    u_char* buffer = static_cast<u_char*>(malloc(capacity));
    size_t offset = 0;
    long requestId = 1;
};

class TNetSnmpParse {
public:
    explicit TNetSnmpParse(bool printValues) : printValues(printValues), session(NetSnmpSession()) {}

    bool Run()
    {
        netsnmp_pdu* pdu = snmp_pdu_create(0);
        const bool ok = snmp_parse(nullptr, &session, pdu, datagram.data(), datagram.size()) == 0;
        if (printValues) {
            for (netsnmp_variable_list* v = pdu->variables; v; v = v->next_variable) {
                snprint_objid(text, sizeof text, v->name, v->name_length);
                snprint_value(text, sizeof text, v->name, v->name_length, v);
                benchmark::DoNotOptimize(text);
            }
        }
        benchmark::DoNotOptimize(pdu->variables);
        snmp_free_pdu(pdu);
        return ok;
    }
    std::size_t Bytes() const { return datagram.size(); }

private:
    bool printValues;
    netsnmp_session& session;
    std::vector<std::uint8_t> datagram = MixedResponse();
    char text[512];
};

template <typename TCase, typename... TArgs>
void Measure(benchmark::State& state, TArgs... args)
{
    TCase c(args...);
    for (auto _ : state) {
        if (!c.Run()) {
            state.SkipWithError("operation failed");
            break;
        }
    }
    state.counters["bytes"] = static_cast<double>(c.Bytes());
}

void OursBuildGetRequest(benchmark::State& s) { Measure<TOursBuild>(s); }
void NetSnmpBuildGetRequest(benchmark::State& s) { Measure<TNetSnmpBuild>(s, false); }
void NetSnmpBuildGetRequestFromTexts(benchmark::State& s) { Measure<TNetSnmpBuild>(s, true); }
void OursParseResponse(benchmark::State& s) { Measure<TOursParse>(s); }
void NetSnmpParseResponse(benchmark::State& s) { Measure<TNetSnmpParse>(s, false); }
void NetSnmpParseResponseWithTexts(benchmark::State& s) { Measure<TNetSnmpParse>(s, true); }
BENCHMARK(OursBuildGetRequest);
BENCHMARK(NetSnmpBuildGetRequest);
BENCHMARK(NetSnmpBuildGetRequestFromTexts);
BENCHMARK(OursParseResponse);
BENCHMARK(NetSnmpParseResponse);
BENCHMARK(NetSnmpParseResponseWithTexts);

// Kept out of line so callgrind can count exactly the instructions of `count` runs.
template <typename TCase>
__attribute__((noinline)) bool ProfileLoop(TCase& c, long count)
{
    bool ok = true;
    for (long i = 0; i < count; ++i)
        ok &= c.Run();
    return ok;
}

template <typename TCase, typename... TArgs>
int Profile(long count, TArgs... args)
{
    TCase c(args...);
    c.Run();  // first-use set-up (buffers, the library's lazy state) stays outside the count
    if (!ProfileLoop(c, count)) {
        std::fprintf(stderr, "operation failed\n");
        return 1;
    }
    std::printf("%ld runs, %zu bytes\n", count, c.Bytes());
    return 0;
}

int ProfileMain(const char* name, long count)
{
    if (!std::strcmp(name, "OursBuildGetRequest"))
        return Profile<TOursBuild>(count);
    if (!std::strcmp(name, "NetSnmpBuildGetRequest"))
        return Profile<TNetSnmpBuild>(count, false);
    if (!std::strcmp(name, "NetSnmpBuildGetRequestFromTexts"))
        return Profile<TNetSnmpBuild>(count, true);
    if (!std::strcmp(name, "OursParseResponse"))
        return Profile<TOursParse>(count);
    if (!std::strcmp(name, "NetSnmpParseResponse"))
        return Profile<TNetSnmpParse>(count, false);
    if (!std::strcmp(name, "NetSnmpParseResponseWithTexts"))
        return Profile<TNetSnmpParse>(count, true);
    std::fprintf(stderr, "unknown case %s\n", name);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && !std::strcmp(argv[1], "--profile"))
        return ProfileMain(argv[2], std::atol(argv[3]));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
