#include "snmp/UsmReceiver.h"

#include "snmp/UsmAuth.h"

#include <algorithm>
#include <limits>

namespace vxsnmp::usm {

namespace {

constexpr std::uint32_t kMaxEngineValue = std::numeric_limits<std::int32_t>::max();
// Engines remembered per user and senders' clocks: a flood of invented engine
// IDs must not grow without end; past the limit they are forgotten at once
// and learned again from the next authentic message.
constexpr std::size_t kMaxEngines = 1024;

TSecurityLevel LevelOfFlags(std::uint8_t flags)
{
    if (flags & v3::kPrivFlag)
        return TSecurityLevel::AuthPriv;
    return (flags & v3::kAuthFlag) ? TSecurityLevel::AuthNoPriv : TSecurityLevel::NoAuthNoPriv;
}

std::uint8_t FlagsOfLevel(TSecurityLevel level)
{
    switch (level) {
    case TSecurityLevel::AuthNoPriv: return v3::kAuthFlag;
    case TSecurityLevel::AuthPriv: return v3::kAuthFlag | v3::kPrivFlag;
    default: return 0;
    }
}

// The request id of a plaintext PDU, for the report that answers it.
void ReadPlainRequestId(const v3::TParsed& parsed, TIncoming& in, TBindingTable& table)
{
    v3::TScopedPdu scoped;
    if (!parsed.scopedPdu.empty() && v3::ParseScopedPdu(parsed.scopedPdu, scoped) == kOk)
        ParsePduElement(scoped.pdu, v3::kVersion3, in, table);
}

}  // namespace

void TUsmReceiver::SetLocalEngine(const v3::TBytes& engineId, std::uint32_t boots, TClock::time_point now)
{
    localEngineId = engineId;
    localBoots = std::min(boots, kMaxEngineValue);
    localStart = now;
}

std::uint32_t TUsmReceiver::LocalTime(TClock::time_point now) const
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now - localStart).count();
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(seconds, 0, kMaxEngineValue));
}

int TUsmReceiver::AddUser(const TUsmUser& settings)
{
    // TUsmSession checks the user and derives its keys as requests need them.
    TUsmSession check;
    if (int code = check.SetUser(settings))
        return code;
    TUser user;
    user.settings = settings;
    if (settings.level != TSecurityLevel::NoAuthNoPriv)
        if (int code = PasswordToKey(settings.auth, settings.authPassword, user.authKu))
            return code;
    if (settings.level == TSecurityLevel::AuthPriv)
        if (int code = PasswordToKey(settings.auth, settings.privPassword, user.privKu))
            return code;
    std::erase_if(users, [&](const TUser& u) { return u.settings.name == settings.name; });
    users.push_back(std::move(user));
    return 0;
}

void TUsmReceiver::ClearUsers() { users.clear(); }

TUsmReceiver::TUser* TUsmReceiver::Find(const std::string& name)
{
    auto found =
        std::find_if(users.begin(), users.end(), [&](const TUser& u) { return u.settings.name == name; });
    return found == users.end() ? nullptr : &*found;
}

int TUsmReceiver::Refuse(TReceived& received, v3::TReportKind kind, int code)
{
    received.refusal = kind;
    using K = v3::TReportKind;
    switch (kind) {
    case K::UnknownEngineIds: ++stats.unknownEngineIds; break;
    case K::UnknownUserNames: ++stats.unknownUserNames; break;
    case K::UnsupportedSecLevels: ++stats.unsupportedSecLevels; break;
    case K::WrongDigests: ++stats.wrongDigests; break;
    case K::NotInTimeWindows: ++stats.notInTimeWindows; break;
    case K::DecryptionErrors: ++stats.decryptionErrors; break;
    default: break;
    }
    return code;
}

std::uint32_t TUsmReceiver::CountOf(v3::TReportKind kind) const
{
    using K = v3::TReportKind;
    switch (kind) {
    case K::UnknownEngineIds: return stats.unknownEngineIds;
    case K::UnknownUserNames: return stats.unknownUserNames;
    case K::UnsupportedSecLevels: return stats.unsupportedSecLevels;
    case K::WrongDigests: return stats.wrongDigests;
    case K::NotInTimeWindows: return stats.notInTimeWindows;
    case K::DecryptionErrors: return stats.decryptionErrors;
    default: return 0;
    }
}

int TUsmReceiver::Open(std::span<const std::uint8_t> datagram, TReceived& received, TIncoming& in,
                       TBindingTable& table, TClock::time_point now)
{
    received = TReceived{};
    in.Reset();
    v3::TParsed parsed;
    if (int code = v3::ParseMessage(datagram, parsed))
        return code;
    received.header = parsed.header;
    received.usm = parsed.usm;
    received.level = LevelOfFlags(parsed.header.flags);
    const bool toThisEngine = !localEngineId.empty() && parsed.usm.engineId == localEngineId;
    // A reportable message (an inform, or the discovery before it) names
    // this engine; a trap names its sender's.
    if ((received.Reportable() && !toThisEngine) || parsed.usm.engineId.empty()) {
        ReadPlainRequestId(parsed, in, table);
        return Refuse(received, v3::TReportKind::UnknownEngineIds, kUnknownEngine);
    }
    TUser* user = Find(parsed.usm.userName);
    if (user == nullptr) {
        ReadPlainRequestId(parsed, in, table);
        return Refuse(received, v3::TReportKind::UnknownUserNames, kUnknownUser);
    }
    if (received.level != user->settings.level) {
        ReadPlainRequestId(parsed, in, table);
        return Refuse(received, v3::TReportKind::UnsupportedSecLevels, kUnsupportedLevel);
    }
    const TLocalKeys* keys = nullptr;
    if (received.level != TSecurityLevel::NoAuthNoPriv) {
        if (int code = KeysFor(*user, parsed.usm.engineId, keys))
            return code;
        if (VerifyMessage(user->settings.auth, keys->auth, datagram, parsed.authOffset,
                          parsed.usm.authParams.size())
            != 0)
            return Refuse(received, v3::TReportKind::WrongDigests, kWrongDigest);
        const int window =
            toThisEngine ? CheckLocalWindow(parsed.usm, now) : CheckSenderWindow(parsed.usm, now);
        if (window != 0)
            return Refuse(received, v3::TReportKind::NotInTimeWindows, window);
    }
    return OpenScopedPdu(parsed, keys, *user, received, in, table);
}

int TUsmReceiver::OpenScopedPdu(const v3::TParsed& parsed, const TLocalKeys* keys, const TUser& user,
                                TReceived& received, TIncoming& in, TBindingTable& table)
{
    const bool encrypted = received.level == TSecurityLevel::AuthPriv;
    v3::TBytes plain;
    v3::TScopedPdu scoped;
    if (int code = usm::OpenScopedPdu(parsed, encrypted ? user.settings.priv : TPrivProtocol::None,
                                      encrypted ? std::span<const std::uint8_t>(keys->priv)
                                                : std::span<const std::uint8_t>(),
                                      plain, scoped))
        return encrypted ? Refuse(received, v3::TReportKind::DecryptionErrors, kDecryptionError) : code;
    received.contextEngineId = scoped.contextEngineId;
    received.contextName = scoped.contextName;
    return ParsePduElement(scoped.pdu, v3::kVersion3, in, table);
}

int TUsmReceiver::KeysFor(TUser& user, const v3::TBytes& engineId, const TLocalKeys*& keys)
{
    auto found = user.keys.find(engineId);
    if (found != user.keys.end()) {
        keys = &found->second;
        return 0;
    }
    TLocalKeys made;
    if (int code = LocalizeKey(user.settings.auth, user.authKu, engineId, made.auth))
        return code;
    if (!user.privKu.empty()) {
        if (int code = LocalizeKey(user.settings.auth, user.privKu, engineId, made.priv))
            return code;
        if (int code = ExtendKey(user.settings.auth, made.priv, PrivKeyLength(user.settings.priv)))
            return code;
    }
    if (user.keys.size() >= kMaxEngines)
        user.keys.clear();
    keys = &user.keys.emplace(engineId, std::move(made)).first->second;
    return 0;
}

// This engine's own clock: the boots must be ours and the time within the
// window either side of ours.
int TUsmReceiver::CheckLocalWindow(const v3::TUsmParameters& usm, TClock::time_point now) const
{
    const auto distance =
        std::abs(static_cast<std::int64_t>(usm.time) - static_cast<std::int64_t>(LocalTime(now)));
    if (localBoots >= kMaxEngineValue || usm.boots != localBoots || distance > kTimeWindow)
        return kNotInTimeWindow;
    return 0;
}

// A sender's clock: the first authentic message sets it; later ones may not
// go back by more than the window (a replay), and move it forward.
int TUsmReceiver::CheckSenderWindow(const v3::TUsmParameters& usm, TClock::time_point now)
{
    auto found = senders.find(usm.engineId);
    if (found == senders.end()) {
        if (senders.size() >= kMaxEngines)
            senders.clear();
        senders.emplace(usm.engineId, TSenderClock{usm.boots, usm.time, now});
        return usm.boots >= kMaxEngineValue ? kNotInTimeWindow : 0;
    }
    TSenderClock& clock = found->second;
    const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(now - clock.setAt).count();
    const std::int64_t estimated =
        static_cast<std::int64_t>(clock.latestTime) + std::max<std::int64_t>(elapsed, 0);
    if (usm.boots >= kMaxEngineValue || usm.boots < clock.boots
        || (usm.boots == clock.boots && static_cast<std::int64_t>(usm.time) + kTimeWindow < estimated))
        return kNotInTimeWindow;
    if (usm.boots > clock.boots || usm.time > clock.latestTime)
        clock = TSenderClock{usm.boots, usm.time, now};
    return 0;
}

int TUsmReceiver::Seal(const v3::THeader& header, const std::string& userName, TUser* user,
                       std::span<const std::uint8_t> scoped, v3::TBytes& datagram, TClock::time_point now)
{
    v3::TUsmParameters usm;
    usm.engineId = localEngineId;
    usm.boots = localBoots;
    usm.time = LocalTime(now);
    usm.userName = userName;
    const TLocalKeys* keys = nullptr;
    if (header.flags & v3::kAuthFlag) {
        if (int code = KeysFor(*user, localEngineId, keys))
            return code;
        usm.authParams.assign(MacLength(user->settings.auth), 0);
    }
    v3::TBytes encrypted;
    std::span<const std::uint8_t> msgData = scoped;
    if (header.flags & v3::kPrivFlag) {
        const TSalt salt = salts.Next(user->settings.priv, localBoots);
        usm.privParams.assign(salt.begin(), salt.end());
        if (int code = Encrypt(user->settings.priv, keys->priv, usm.boots, usm.time, salt, scoped, encrypted))
            return code;
        msgData = encrypted;
    }
    std::size_t authOffset = 0;
    if (int code = v3::BuildMessage(header, usm, msgData, datagram, &authOffset))
        return code;
    if (header.flags & v3::kAuthFlag)
        if (int code = SignMessage(user->settings.auth, keys->auth, datagram, authOffset)) {
            datagram.clear();
            return code;
        }
    return 0;
}

int TUsmReceiver::BuildReport(const TReceived& received, const TIncoming& in, v3::TBytes& datagram,
                              TClock::time_point now)
{
    datagram.clear();
    TBindingTable counter;
    counter.Slot(0) = {std::string(v3::ReportOid(received.refusal)) + ".0",
                       static_cast<std::uint8_t>(Tag::Counter32), std::to_string(CountOf(received.refusal))};
    counter.SetCount(1);
    TOutgoing out;
    out.requestId = in.requestId;
    v3::TBytes pdu, scoped;
    if (int code = BuildPdu(out, Tag::Report, counter, pdu))
        return code;
    if (int code = v3::BuildScopedPdu(localEngineId, received.contextName, pdu, scoped))
        return code;
    v3::THeader header;
    header.msgId = received.header.msgId;
    TUser* user = Find(received.usm.userName);
    const bool signedReport = received.refusal == v3::TReportKind::NotInTimeWindows && user != nullptr;
    header.flags = signedReport ? v3::kAuthFlag : 0;
    return Seal(header, received.usm.userName, user, scoped, datagram, now);
}

int TUsmReceiver::BuildResponse(const TReceived& received, const TIncoming& in, TBindingTable& table,
                                v3::TBytes& datagram, TClock::time_point now)
{
    datagram.clear();
    TUser* user = Find(received.usm.userName);
    if (user == nullptr)
        return kUnknownUser;
    TOutgoing out;
    out.requestId = in.requestId;
    v3::TBytes pdu, scoped;
    if (int code = BuildPdu(out, Tag::GetResponse, table, pdu))
        return code;
    if (int code = v3::BuildScopedPdu(received.contextEngineId, received.contextName, pdu, scoped))
        return code;
    v3::THeader header;
    header.msgId = received.header.msgId;
    header.flags = FlagsOfLevel(received.level);
    return Seal(header, received.usm.userName, user, scoped, datagram, now);
}

}  // namespace vxsnmp::usm
