// bench_fast_agent: a quick SNMP responder for the table bench at sizes where
// snmpsimd's cost per binding would hide the program's own: the bench table
// of make_table_data.py (seven columns, ROWS rows, values made up on the fly)
// for Get, Get-Next and GetBulk, SNMPv1 and v2c, any community. The two
// octet counters move as time goes, row i at (i % 100 + 1) kB/s, and wrap at
// 2^32 as Counter32 do.
//
//   bench_fast_agent PORT ROWS      (127.0.0.1 only; runs until killed)
#include "snmp/SnmpMessage.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using vxsnmp::Tag;

const std::string kEntry = "1.3.6.1.4.1.32473.1.2.1.";
const std::string kTableEnd = "1.3.6.1.4.1.32473.1.3.0";
constexpr int kColumns[] = {1, 2, 3, 4, 5, 10, 16};
constexpr std::uint8_t kNoSuchName = 2;

long rows = 0;
const auto started = std::chrono::steady_clock::now();

// Milliseconds since the agent started.
unsigned long UpMs()
{
    return static_cast<unsigned long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started)
            .count());
}

// The position of an object: column index (0..6) and row (1..rows), or past
// the table (column 7), or before it (column -1).
struct TSpot {
    int column = -1;
    long row = 0;
};

vxsnmp::TBinding Cell(const TSpot& at)
{
    const int c = kColumns[at.column];
    const long i = at.row;
    vxsnmp::TBinding b;
    b.oid = kEntry + std::to_string(c) + "." + std::to_string(i);
    switch (c) {
    case 2:
        b.type = 0x04;
        b.value = "eth" + std::to_string(i - 1) + " bench port " + std::to_string(i);
        break;
    case 3:
        b.type = 0x02;
        b.value = "6";
        break;
    case 4:
        b.type = 0x02;
        b.value = i % 2 ? "1500" : "9000";
        break;
    case 5:
        b.type = 0x42;
        b.value = "1000000000";
        break;
    case 10:
    case 16:
        b.type = 0x41;
        b.value = std::to_string((static_cast<unsigned long>(i) * 2654435761UL + static_cast<unsigned long>(c)
                                  + UpMs() * static_cast<unsigned long>(i % 100 + 1))
                                 % 4294967296UL);
        break;
    default:
        b.type = 0x02;
        b.value = std::to_string(i);
        break;
    }
    return b;
}

// Parses "1.3.6.1.4.1.32473.1.2.1.C.I" exactly; false for anything else.
bool ParseCell(const std::string& oid, TSpot& at)
{
    if (oid.compare(0, kEntry.size(), kEntry) != 0)
        return false;
    const char* p = oid.c_str() + kEntry.size();
    char* end = nullptr;
    const long c = std::strtol(p, &end, 10);
    if (*end != '.')
        return false;
    const long i = std::strtol(end + 1, &end, 10);
    if (*end != '\0' || i < 1 || i > rows)
        return false;
    for (int k = 0; k < 7; ++k)
        if (kColumns[k] == c) {
            at = {k, i};
            return true;
        }
    return false;
}

// The object after `oid` in this agent's data (the table, then its end
// mark), for the OIDs a walk of the bench table asks: a prefix of the entry,
// a column, a cell.
bool Next(const std::string& oid, vxsnmp::TBinding& out)
{
    TSpot at;
    if (ParseCell(oid, at)) {
        if (at.row < rows)
            out = Cell({at.column, at.row + 1});
        else if (at.column + 1 < 7)
            out = Cell({at.column + 1, 1});
        else
            out = {kTableEnd, 0x04, "end"};
        return true;
    }
    if (oid.size() < kEntry.size() && kEntry.compare(0, oid.size(), oid) == 0) {
        out = Cell({0, 1});
        return true;
    }
    if (oid.compare(0, kEntry.size(), kEntry) == 0) {
        const long c = std::atol(oid.c_str() + kEntry.size());
        for (int k = 0; k < 7; ++k)
            if (kColumns[k] >= c && oid.find('.', kEntry.size()) == std::string::npos) {
                out = Cell({k, 1});
                return true;
            }
        out = {kTableEnd, 0x04, "end"};
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return std::fprintf(stderr, "usage: bench_fast_agent PORT ROWS\n"), 2;
    rows = std::atol(argv[2]);
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<std::uint16_t>(std::atoi(argv[1])));
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0)
        return std::perror("bench_fast_agent"), 1;
    auto in = std::make_unique<vxsnmp::TBindingTable>();
    auto out = std::make_unique<vxsnmp::TBindingTable>();
    std::vector<std::uint8_t> buffer(65536), reply;
    for (;;) {
        sockaddr_in from{};
        socklen_t fromLen = sizeof from;
        const ssize_t got =
            recvfrom(fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (got <= 0)
            continue;
        vxsnmp::TIncoming request;
        if (vxsnmp::ParseMessage({buffer.data(), static_cast<std::size_t>(got)}, request, *in) != 0)
            continue;
        vxsnmp::TOutgoing answer;
        answer.version = request.version;
        answer.community = request.community;
        answer.requestId = request.requestId;
        out->Reset();
        const auto tag = static_cast<Tag>(request.pduTag);
        // GetBulk answers repetition by repetition, each over every OID.
        const int repeat = tag == Tag::GetBulkRequest ? std::max(0, request.errorIndex) : 1;
        std::vector<std::string> current;
        for (int k = 0; k < in->count; ++k)
            current.push_back(in->Slot(k).oid);
        for (int r = 0; r < repeat; ++r) {
            for (int k = 0; k < in->count && out->count < vxsnmp::kMaxBindings; ++k) {
                vxsnmp::TBinding b;
                TSpot at;
                const std::string& oid = current[static_cast<std::size_t>(k)];
                const bool found =
                    tag == Tag::GetRequest ? (ParseCell(oid, at) && ((b = Cell(at)), true)) : Next(oid, b);
                if (!found) {
                    if (request.version == 0) {
                        answer.errorStatus = kNoSuchName;
                        answer.errorIndex = k + 1;
                    }
                    b = {oid, static_cast<std::uint8_t>(tag == Tag::GetRequest ? 0x81 : 0x82), {}};
                }
                out->Slot(out->count++) = b;
                current[static_cast<std::size_t>(k)] = b.oid;
            }
        }
        if (answer.errorStatus != 0)
            *out = *in;  // SNMPv1 errors carry the request's bindings
        if (vxsnmp::BuildMessage(answer, Tag::GetResponse, *out, reply) == 0)
            sendto(fd, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLen);
    }
}
