// The flat interface: handle checks, the process-wide list of instances, and
// the guard that keeps C++ exceptions inside the engine.
#include "snmp/SNMPMgr.h"

#include "snmp/SnmpMgrEngine.h"
#include "snmp/SocketErrors.h"
#include "snmp/SocketLibrary.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <unordered_set>

using vxsnmp::TSnmpMgrEngine;

namespace {

std::mutex& InstancesLock()
{
    static std::mutex lock;
    return lock;
}

std::unordered_set<TSnmpMgrEngine*>& Instances()
{
    static std::unordered_set<TSnmpMgrEngine*> instances;
    return instances;
}

// Changes whenever an instance is created or destroyed (under InstancesLock).
std::atomic<std::uint64_t> instancesVersion{0};

TSnmpMgrEngine* Find(intptr_t handle)
{
    // Every call checks its handle, and a thread calls one instance many
    // times a request: the handle it found last stays good, without the lock,
    // until an instance is created or destroyed.
    thread_local intptr_t lastHandle = 0;
    thread_local std::uint64_t lastVersion = 0;
    if (handle != 0 && handle == lastHandle
        && lastVersion == instancesVersion.load(std::memory_order_acquire))
        return reinterpret_cast<TSnmpMgrEngine*>(handle);
    auto* engine = reinterpret_cast<TSnmpMgrEngine*>(handle);
    std::lock_guard<std::mutex> guard(InstancesLock());
    if (Instances().count(engine) == 0)
        return nullptr;
    lastHandle = handle;
    lastVersion = instancesVersion.load(std::memory_order_relaxed);
    return engine;
}

// TCall brackets one call into an instance: the instance may be destroyed
// from inside its own callbacks and is then freed when the call ends.
class TCall {
public:
    explicit TCall(TSnmpMgrEngine* callee) : engine(callee) { engine->Enter(); }
    ~TCall() { engine->Leave(); }
    TCall(const TCall&) = delete;
    TCall& operator=(const TCall&) = delete;

private:
    TSnmpMgrEngine* engine;
};

// The module's own set-up and tear-down, run when the program loads and
// unloads it.
struct TModuleLifetime {
    TModuleLifetime() { SNMPMgr_StaticInit(nullptr); }
    ~TModuleLifetime() { SNMPMgr_StaticDestroy(); }
} moduleLifetime;

}  // namespace

extern "C" {

int SNMPMgr_StaticInit(void* moduleInstance)
{
    vxsnmp::StartSocketLibrary(moduleInstance);
    return 0;
}

int SNMPMgr_StaticDestroy(void)
{
    vxsnmp::StopSocketLibrary();
    return 0;
}

intptr_t SNMPMgr_Create(SNMPMgr_EventCallback callback, void* context)
{
    try {
        vxsnmp::EnsureSocketLibrary();
        std::lock_guard<std::mutex> guard(InstancesLock());
        auto* engine = new TSnmpMgrEngine(callback, context);
        Instances().insert(engine);
        instancesVersion.fetch_add(1, std::memory_order_release);
        return reinterpret_cast<intptr_t>(engine);
    } catch (...) {
        return 0;
    }
}

int SNMPMgr_Destroy(intptr_t handle)
{
    TSnmpMgrEngine* engine = nullptr;
    {
        std::lock_guard<std::mutex> guard(InstancesLock());
        auto* candidate = reinterpret_cast<TSnmpMgrEngine*>(handle);
        if (Instances().erase(candidate) != 0)
            engine = candidate;
        instancesVersion.fetch_add(1, std::memory_order_release);
    }
    if (engine != nullptr) {
        try {
            engine->Destroy();
        } catch (...) {
        }
    }
    return 0;
}

intptr_t SNMPMgr_Get(intptr_t handle, int propId, int index, int* outLen)
{
    if (outLen != nullptr)
        *outLen = 0;
    TSnmpMgrEngine* engine = Find(handle);
    if (engine == nullptr)
        return 0;
    try {
        TCall call(engine);
        return engine->Get(propId, index, outLen);
    } catch (...) {
        return 0;
    }
}

int SNMPMgr_Set(intptr_t handle, int propId, int index, intptr_t value, int len)
{
    TSnmpMgrEngine* engine = Find(handle);
    if (engine == nullptr)
        return vxsnmp::kWsaNotSocket;
    try {
        TCall call(engine);
        return engine->Set(propId, index, value, len);
    } catch (...) {
        return vxsnmp::kOutOfMemory;
    }
}

int SNMPMgr_Do(intptr_t handle, int methodId, int argc, intptr_t* argv, int* argLens)
{
    TSnmpMgrEngine* engine = Find(handle);
    if (engine == nullptr)
        return vxsnmp::kWsaNotSocket;
    try {
        TCall call(engine);
        return engine->Do(methodId, argc, argv, argLens);
    } catch (...) {
        return vxsnmp::kOutOfMemory;
    }
}

int SNMPMgr_CheckIndex(intptr_t handle, int propId, int index)
{
    TSnmpMgrEngine* engine = Find(handle);
    return engine != nullptr ? engine->CheckIndex(propId, index) : vxsnmp::kIndexCheckFailed;
}

const char* SNMPMgr_GetLastError(intptr_t handle)
{
    TSnmpMgrEngine* engine = Find(handle);
    return engine != nullptr ? engine->LastErrorText() : "";
}

int SNMPMgr_GetLastErrorCode(intptr_t handle)
{
    TSnmpMgrEngine* engine = Find(handle);
    return engine != nullptr ? engine->LastErrorCode() : 0;
}

}  // extern "C"
