// TvxSNMPMgrAccess: the component's plumbing to the engine's flat interface,
// shared by TvxSNMPMgr.cpp (properties, methods) and TvxSNMPMgrEvents.cpp
// (the event dispatcher). Not part of the public interface.
#pragma once

#include "snmp/TvxSNMPMgr.h"

#include <cstdint>

namespace vxsnmp {

struct TvxSNMPMgrAccess {
    // The engine's event callback; `context` is the component.
    static int Dispatch(void* context, int eventId, int argc, std::intptr_t* argv, int* argLens);
    static void DispatchEvent(TvxSNMPMgr& mgr, int eventId, int argc, std::intptr_t* argv, int* argLens);

    [[noreturn]] static void Raise(const TvxSNMPMgr& mgr, int code, const QString& text = {});
    static void SetInt(TvxSNMPMgr& mgr, int propId, int index, int value);
    static void SetText(TvxSNMPMgr& mgr, int propId, int index, QStringView value);
    static void SetBytes(TvxSNMPMgr& mgr, int propId, int index, const QByteArray& value);
    static int GetInt(const TvxSNMPMgr& mgr, int propId, int index = 0);
    static QString GetText(const TvxSNMPMgr& mgr, int propId, int index = 0);
    static QByteArray GetBytes(const TvxSNMPMgr& mgr, int propId, int index = 0);
    static void CheckIndex(const TvxSNMPMgr& mgr, int propId, int index, const char* text);
    static void Do(TvxSNMPMgr& mgr, int methodId);
};

// Text and bytes handed over by the engine: zero-terminated text, or bytes
// with a separate length.
QString EngineText(std::intptr_t value);
QByteArray EngineBytes(std::intptr_t value, int length);

}  // namespace vxsnmp
