// Every datagram in the fuzzer's seed corpus is a real answer or notification
// captured from snmpd and snmpsim (fuzz/capture_corpus.py); all must parse.
#include "snmp/SnmpMessage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

namespace vxsnmp {
namespace {

TEST(CapturedAnswers, EveryRealDatagramParses)
{
    const std::filesystem::path folder = VEXGRID_CORPUS_DIR;
    ASSERT_TRUE(std::filesystem::is_directory(folder)) << "missing corpus folder " << folder;
    auto table = std::make_unique<TBindingTable>();
    int files = 0, bindings = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream file(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), {});
        TIncoming in;
        ASSERT_EQ(ParseMessage(bytes, in, *table), kOk) << entry.path();
        EXPECT_TRUE(in.version == 0 || in.version == 1) << entry.path();
        EXPECT_EQ(in.community, "tamvel") << entry.path();
        EXPECT_TRUE(in.pduTag == 0xA2 || in.pduTag == 0xA4 || in.pduTag == 0xA7) << entry.path();
        ++files;
        bindings += table->count;
    }
    EXPECT_GT(files, 100);
    EXPECT_GT(bindings, files);
}

}  // namespace
}  // namespace vxsnmp
