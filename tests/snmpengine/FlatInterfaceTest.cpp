// The engine driven through its flat interface alone, as any program may.
#include "EngineTestSupport.h"
#include "snmp/SNMPMgr.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace vxtest;

namespace {

struct TEventLog {
    std::vector<int> ids;
    intptr_t handle = 0;
    bool destroyInResponse = false;
};

int Record(void* context, int eventId, int argc, intptr_t* /*argv*/, int* /*argLens*/)
{
    auto* log = static_cast<TEventLog*>(context);
    log->ids.push_back(eventId);
    if (eventId == SNMPMGR_EID_RESPONSE && argc == SNMPMGR_RESPONSE_ARGC && log->destroyInResponse) {
        SNMPMgr_Destroy(log->handle);
        log->handle = 0;
    }
    return 0;
}

intptr_t Text(const char* s) { return reinterpret_cast<intptr_t>(s); }

TEST(FlatInterface, PropertiesMethodsAndLastError)
{
    TEventLog log;
    const intptr_t h = SNMPMgr_Create(&Record, &log);
    ASSERT_NE(h, 0);

    EXPECT_EQ(SNMPMgr_Set(h, SNMPMGR_PID_OBJCOUNT, 0, 2, 0), 0);
    EXPECT_EQ(SNMPMgr_GetLastErrorCode(h), 0);
    EXPECT_STREQ(SNMPMgr_GetLastError(h), "");
    EXPECT_EQ(SNMPMgr_CheckIndex(h, SNMPMGR_PID_OBJID, 2), 0);
    EXPECT_EQ(SNMPMgr_CheckIndex(h, SNMPMGR_PID_OBJVALUE, 3), 280);
    EXPECT_EQ(SNMPMgr_CheckIndex(h, SNMPMGR_PID_COMMUNITY, 3), 0) << "only binding properties are indexed";

    const char bytes[] = {'x', '\0', 'y'};
    EXPECT_EQ(SNMPMgr_Set(h, SNMPMGR_PID_OBJVALUE, 2, Text(bytes), 3), 0);
    int length = -1;
    const intptr_t value = SNMPMgr_Get(h, SNMPMGR_PID_OBJVALUE, 2, &length);
    ASSERT_EQ(length, 3);
    EXPECT_EQ(std::memcmp(reinterpret_cast<const char*>(value), bytes, 3), 0);
    const intptr_t outside = SNMPMgr_Get(h, SNMPMGR_PID_OBJVALUE, 9, &length);
    EXPECT_EQ(length, 0) << "outside the table: empty";
    EXPECT_STREQ(reinterpret_cast<const char*>(outside), "");

    EXPECT_EQ(SNMPMgr_Set(h, SNMPMGR_PID_OBJCOUNT, 0, 300, 0), 302);
    EXPECT_EQ(SNMPMgr_GetLastErrorCode(h), 302);
    EXPECT_STREQ(SNMPMgr_GetLastError(h), "Value exceeds maximum number of objects allowed.");

    // Config answers through the argument array's second entry.
    intptr_t argv[2] = {Text("MaxPacketSize"), 0};
    int lens[2] = {0, 0};
    EXPECT_EQ(SNMPMgr_Do(h, SNMPMGR_MID_CONFIG, 1, argv, lens), 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(argv[1]), "8192");
    EXPECT_EQ(SNMPMgr_GetLastErrorCode(h), 0) << "a success clears the last error";

    EXPECT_EQ(SNMPMgr_Do(h, 3, 0, nullptr, nullptr), 304);
    EXPECT_STREQ(SNMPMgr_GetLastError(h), "Invalid Action code");
    EXPECT_EQ(SNMPMgr_Do(h, SNMPMGR_MID_RESET_ALIAS, 0, nullptr, nullptr), 0);
    EXPECT_EQ(SNMPMgr_Get(h, SNMPMGR_PID_OBJCOUNT, 0, nullptr), 0);

    EXPECT_EQ(SNMPMgr_Destroy(h), 0);
    // A handle that is gone is refused, not followed.
    EXPECT_EQ(SNMPMgr_Get(h, SNMPMGR_PID_OBJCOUNT, 0, nullptr), 0);
    EXPECT_NE(SNMPMgr_Set(h, SNMPMGR_PID_OBJCOUNT, 0, 1, 0), 0);
    EXPECT_EQ(SNMPMgr_Destroy(h), 0);
}

TEST(FlatInterface, InstanceMayBeDestroyedFromItsOwnCallback)
{
    TUdpResponder responder([](const TDatagram& in) {
        return std::vector<TReply>{{AnswerTo(in), 0, 0}, {AnswerTo(in), 0, 0}, {AnswerTo(in), 0, 0}};
    });
    ASSERT_TRUE(responder.Start());
    TEventLog log;
    log.destroyInResponse = true;
    log.handle = SNMPMgr_Create(&Record, &log);
    ASSERT_NE(log.handle, 0);
    const intptr_t h = log.handle;
    SNMPMgr_Set(h, SNMPMGR_PID_LOCALPORT, 0, 0, 0);
    SNMPMgr_Set(h, SNMPMGR_PID_REMOTEHOST, 0, Text("127.0.0.1"), 0);
    SNMPMgr_Set(h, SNMPMGR_PID_REMOTEPORT, 0, responder.Port(), 0);
    SNMPMgr_Set(h, SNMPMGR_PID_TIMEOUT, 0, 0, 0);
    SNMPMgr_Set(h, SNMPMGR_PID_OBJCOUNT, 0, 1, 0);
    SNMPMgr_Set(h, SNMPMGR_PID_OBJID, 1, Text("1.3.6.1.2.1.1.5.0"), 0);
    ASSERT_EQ(SNMPMgr_Do(h, SNMPMGR_MID_SENDGETREQUEST, 0, nullptr, nullptr), 0);
    ASSERT_TRUE(WaitUntil([&] { return log.handle == 0; }));
    RunEvents(200);
    int responses = 0;
    for (int id : log.ids)
        responses += id == SNMPMGR_EID_RESPONSE;
    EXPECT_EQ(responses, 1) << "nothing is raised after the instance was destroyed";
}

}  // namespace
