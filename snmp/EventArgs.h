// The arguments of one engine event, set and read back by name and handed to
// the event callback as the flat interface's two arrays (values and lengths).
#pragma once

#include "snmp/SNMPMgr.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace vxsnmp {

// The argument positions of each event, in the order SNMPMgr.h lists them.
enum class TResponseArg {  // Response, Report and InformRequest
    RequestId,
    SNMPVersion,
    Community,
    User,
    SecurityLevel,
    SourceAddress,
    SourcePort,
    ErrorIndex,
    ErrorStatus,
    ErrorDescription,
    Count
};
enum class TTrapArg {
    RequestId,
    SNMPVersion,
    Community,
    User,
    SecurityLevel,
    TrapOID,
    TimeStamp,
    SourceAddress,
    SourcePort,
    Count
};
enum class TBadPacketArg { Packet, SourceAddress, SourcePort, ErrorCode, ErrorDescription, Report, Count };
enum class TPacketTraceArg { Packet, Direction, PacketAddress, PacketPort, Count };
enum class TErrorArg { ErrorCode, Description, Count };

static_assert(static_cast<int>(TResponseArg::Count) == SNMPMGR_RESPONSE_ARGC);
static_assert(static_cast<int>(TResponseArg::Count) == SNMPMGR_INFORMREQUEST_ARGC);
static_assert(static_cast<int>(TTrapArg::Count) == SNMPMGR_TRAP_ARGC);
static_assert(static_cast<int>(TBadPacketArg::Count) == SNMPMGR_BADPACKET_ARGC);
static_assert(static_cast<int>(TPacketTraceArg::Count) == SNMPMGR_PACKETTRACE_ARGC);
static_assert(static_cast<int>(TErrorArg::Count) == SNMPMGR_ERROR_ARGC);

// TEventArgs keeps its own copy of every text; Values() and Lengths() point
// the text slots at those copies, which stay valid until this object changes
// or goes. Text slots never set read as null.
template <typename TSlot>
class TEventArgs {
public:
    static constexpr int kCount = static_cast<int>(TSlot::Count);
    static constexpr std::size_t kSize = static_cast<std::size_t>(TSlot::Count);

    void SetInt(TSlot slot, std::int64_t value)
    {
        values[At(slot)] = static_cast<std::intptr_t>(value);
        lengths[At(slot)] = 0;
        isText[At(slot)] = false;
    }
    void SetText(TSlot slot, std::string text)
    {
        texts[At(slot)] = std::move(text);
        isText[At(slot)] = true;
    }
    // Bytes are not copied: `data` must outlive the event.
    void SetBytes(TSlot slot, const std::uint8_t* data, std::size_t length)
    {
        values[At(slot)] = reinterpret_cast<std::intptr_t>(data);
        lengths[At(slot)] = static_cast<int>(length);
        isText[At(slot)] = false;
    }

    // An integer argument, as the receiver left it after the callback.
    std::int32_t Int(TSlot slot) const { return static_cast<std::int32_t>(values[At(slot)]); }

    std::intptr_t* Values()
    {
        PointAtTexts();
        return values.data();
    }
    int* Lengths()
    {
        PointAtTexts();
        return lengths.data();
    }

private:
    static constexpr std::size_t At(TSlot slot) { return static_cast<std::size_t>(slot); }

    void PointAtTexts()
    {
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (isText[i]) {
                values[i] = reinterpret_cast<std::intptr_t>(texts[i].c_str());
                lengths[i] = static_cast<int>(texts[i].size());
            }
        }
    }

    std::array<std::intptr_t, kSize> values{};
    std::array<int, kSize> lengths{};
    std::array<std::string, kSize> texts{};
    std::array<bool, kSize> isText{};
};

}  // namespace vxsnmp
