// TSnmpMgrEngine: one instance of the SNMP manager engine behind the flat
// interface (SNMPMgr.h). It owns the UDP endpoint, the binding table and the
// outgoing and incoming messages; it sends GetRequest / GetNextRequest
// datagrams, receives whatever arrives on its endpoint and reports it through
// the event callback.
//
// Blocking mode (Timeout above 0): a send waits for the matching answer,
// processing the thread's events in 50 ms slices. Asynchronous mode
// (Timeout 0): a send returns at once and every GetResponse that arrives is
// reported, matched to nothing.
//
// The code is split by job: SnmpMgrEngine.cpp (properties, methods, last
// error), EngineEndpoint.cpp (opening, closing, sending), EngineWait.cpp (the
// blocking wait), EngineReceive.cpp (receive loop, datagram processing),
// EngineEvents.cpp (raising events), EngineConfig.cpp with
// EngineSettingsTable.cpp (Config settings), EngineV3.cpp (SNMPv3 requests),
// EngineNotify.cpp (SNMPv3 notifications to this engine).
#pragma once

#include "snmp/EngineCodes.h"
#include "snmp/EngineSettings.h"
#include "snmp/EngineV3.h"
#include "snmp/EngineWait.h"
#include "snmp/EventArgs.h"
#include "snmp/HostAddress.h"
#include "snmp/SNMPMgr.h"
#include "snmp/SnmpMessage.h"
#include "snmp/UdpEndpoint.h"
#include "snmp/UsmReceiver.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace vxsnmp {

// The engine's internal actions.
enum class TAction : int {
    None = 0,  // also Reset
    GetRequest = 1,
    GetNextRequest = 2,
    SetRequest = 3,
    GetResponse = 4,
    Trap = 5,
    GetBulkRequest = 6,
};

class TSnmpMgrEngine {
public:
    TSnmpMgrEngine(SNMPMgr_EventCallback eventCallback, void* eventContext);
    ~TSnmpMgrEngine();
    TSnmpMgrEngine(const TSnmpMgrEngine&) = delete;
    TSnmpMgrEngine& operator=(const TSnmpMgrEngine&) = delete;

    // The flat interface's operations on this instance.
    std::intptr_t Get(int propId, int index, int* outLen);
    int Set(int propId, int index, std::intptr_t value, int len);
    int Do(int methodId, int argc, std::intptr_t* argv, int* argLens);
    int CheckIndex(int propId, int index) const;
    const char* LastErrorText() const { return errorText.c_str(); }
    int LastErrorCode() const { return errorCode; }

    // Enter / Leave bracket every call into the engine (flat interface and
    // socket notifications). Destroy frees the instance at once, or, when
    // called from inside one of its own event callbacks, once the outermost
    // call has left; Leave returns true when it freed the instance.
    void Enter() { ++depth; }
    bool Leave();
    void Destroy();

private:
    // Properties and methods (SnmpMgrEngine.cpp).
    int SetProperty(int propId, int index, std::intptr_t value, int len);
    int Perform(TAction action);
    int PerformGetBulk(int argc, const std::intptr_t* argv);
    int Finish(int result);
    int Fail(int code, std::string text);
    void SetVersion(int snmpVersion);
    int SetRemoteHost(const std::string& text);
    void SetRemoteAddress(const TNetAddress& address);

    // Endpoint, sending, waiting for the answer (EngineEndpoint.cpp).
    int Open();
    int OpenOnce();
    int EnsureOpen();
    int SocketFamily() const;
    int ReopenForFamily();
    void Close();
    bool IsActive() const;
    int SendRequest(Tag pduTag);
    int SendDatagram(const std::vector<std::uint8_t>& datagram);
    int WaitForAnswer();
    std::chrono::milliseconds TimeoutMilliseconds() const;
    TEndpointOptions EndpointOptions() const;

    // SNMPv3 (EngineV3.cpp).
    int PrepareV3();
    int SendV3Request(Tag pduTag);
    int WaitForV3();
    int SendDiscovery();
    int SendV3Now(TV3Request& request);
    int SendTraced(const std::vector<std::uint8_t>& datagram);
    void FinishV3(std::int32_t requestId, int code, const std::string& text);
    void ProcessV3(const std::uint8_t* data, std::size_t length, const std::string& fromText,
                   std::uint16_t fromPort);
    void TakeDiscovery(int opened, const usm::TAnswer& answer);
    void TakeV3Answer(int opened, const usm::TAnswer& answer, TV3Request& request,
                      const std::string& fromText, std::uint16_t fromPort);
    int Discover();

    // SNMPv3 notifications to this engine (EngineNotify.cpp).
    bool IsNotification(const std::uint8_t* data, std::size_t length) const;
    void ProcessV3Notification(const std::uint8_t* data, std::size_t length, const TNetAddress& fromAddress,
                               const std::string& fromText, std::uint16_t fromPort);
    void RefuseNotification(int code, const std::uint8_t* data, std::size_t length,
                            const TNetAddress& fromAddress, const std::string& fromText,
                            std::uint16_t fromPort);
    void AnswerV3Inform(const TNetAddress& fromAddress, std::uint16_t fromPort, std::int32_t errorStatus,
                        std::int32_t errorIndex);
    void SendAnswer(const std::vector<std::uint8_t>& datagram, const TNetAddress& toAddress,
                    std::uint16_t toPort);
    int AddNotificationUser(const std::string& name);
    int ClearNotificationUsers();

    // Receiving (EngineReceive.cpp).
    void OnReadable();
    void ReceivePending();
    void ProcessDatagram(const std::uint8_t* data, std::size_t length, const TNetAddress& fromAddress,
                         std::uint16_t fromPort);
    bool FromRemote(const TNetAddress& fromAddress, std::uint16_t fromPort) const;
    bool MatchesWaitingRequest(const std::uint8_t* data, std::size_t length, const TNetAddress& fromAddress,
                               const std::string& fromText, std::uint16_t fromPort);
    void ReportReceiveError(int err);
    void AnswerInform(const TNetAddress& fromAddress, std::uint16_t fromPort, std::int32_t errorStatus,
                      std::int32_t errorIndex);
    void PushDeadline();

    // Events (EngineEvents.cpp).
    template <typename TSlot>
    void Raise(int eventId, TEventArgs<TSlot>& args);
    void RaiseError(int code, const std::string& text);
    void RaisePacketTrace(const std::uint8_t* data, std::size_t length, int direction,
                          const std::string& address, int port);
    void RaiseBadPacket(const std::uint8_t* data, std::size_t length, const std::string& address, int port,
                        int code, const std::string& text);
    void RaiseResponse(int eventId, const std::string& address, int port);
    void RaiseTrap(const std::string& address, int port);
    void RaiseInform(const std::string& address, std::uint16_t port, const TNetAddress& fromAddress);

    // Config settings (EngineConfig.cpp).
    int Config(const std::string& text, std::string& result);
    std::string ReadSetting(const TSettingEntry& entry) const;
    int WriteSetting(const TSettingEntry& entry, const std::string& value);
    int SendGetResponse(const std::string& value);
    int RunCommand(const TSettingEntry& entry, const std::string& value);

    SNMPMgr_EventCallback callback;
    void* context;

    TUdpEndpoint endpoint;
    TNetAddress localAddress;  // none = any
    std::uint16_t localPort = 162;
    TNetAddress remoteAddress;      // none = nobody to send to; set with SetRemoteAddress
    std::string remoteAddressText;  // remoteAddress.Text(), made once per address
    // Every address the remote host's name stood for (remoteAddress first
    // among them): the origins AcceptRemoteOnly takes datagrams from.
    std::vector<TNetAddress> remoteAddresses;
    std::uint16_t remotePort = 161;
    TEngineSettings settings;
    int timeout = 60;  // seconds, or milliseconds with TimeoutInMilliseconds

    TOutgoing outgoing;
    TIncoming incoming;
    TBindingTable table;
    std::vector<std::uint8_t> receiveBuffer;
    std::vector<std::uint8_t> sendBuffer;  // reused for every request built

    // SNMPv3 properties; the remote engine fields show what discovery found.
    std::string localEngineId, remoteEngineId, user, password;
    int remoteEngineBoots = 0, remoteEngineTime = 0;
    TV3State v3;
    // Receiving SNMPv3 notifications, and the user and level of the one
    // being raised (empty and 0 for SNMPv1 and SNMPv2c).
    usm::TUsmReceiver notify;
    usm::TReceived notification;
    std::string incomingUser;
    int incomingLevel = 0;

    bool acceptData = true;
    bool inReceive = false;
    bool notifierResting = false;    // switched off by a nested event loop (OnReadable)
    std::uint64_t requestsSent = 0;  // datagrams SendDatagram handed to the socket
    bool closePending = false;
    bool destroyPending = false;
    int depth = 0;
    TAction busyAction = TAction::None;
    TAnswerWait wait;
    std::int32_t sentRequestId = 0;
    int sentVersion = 0;

    int errorCode = 0;
    std::string errorText;
    std::string scratch;  // text handed out by Get and Config
};

}  // namespace vxsnmp
