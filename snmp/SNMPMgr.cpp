// The flat interface: handle checks, the process-wide list of instances, and
// the guard that keeps C++ exceptions inside the engine.
#include "SNMPMgr.h"

#include "SnmpMgrEngine.h"
#include "SocketErrors.h"
#include "SocketLibrary.h"

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

TSnmpMgrEngine* Find(intptr_t handle)
{
    auto* engine = reinterpret_cast<TSnmpMgrEngine*>(handle);
    std::lock_guard<std::mutex> guard(InstancesLock());
    return Instances().count(engine) != 0 ? engine : nullptr;
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
