#include "snmp/UsmSession.h"

#include "snmp/UsmAuth.h"

#include <algorithm>
#include <limits>

namespace vxsnmp::usm {

namespace {

constexpr std::uint32_t kMaxEngineValue = std::numeric_limits<std::int32_t>::max();

// The auth and priv flag bits a level sends.
std::uint8_t LevelFlags(TSecurityLevel level)
{
    switch (level) {
    case TSecurityLevel::AuthNoPriv: return v3::kAuthFlag;
    case TSecurityLevel::AuthPriv: return v3::kAuthFlag | v3::kPrivFlag;
    default: return 0;
    }
}

// Requests that expect an answer ask for a report when they fail.
bool Confirmed(Tag tag)
{
    return tag == Tag::GetRequest || tag == Tag::GetNextRequest || tag == Tag::GetBulkRequest
        || tag == Tag::SetRequest || tag == Tag::InformRequest;
}

}  // namespace

int TUsmSession::SetUser(const TUsmUser& newUser)
{
    const bool needsAuth = newUser.level != TSecurityLevel::NoAuthNoPriv;
    const bool needsPriv = newUser.level == TSecurityLevel::AuthPriv;
    if ((needsAuth && newUser.auth == TAuthProtocol::None)
        || (needsPriv && newUser.priv == TPrivProtocol::None))
        return kNoProtocol;
    TKey newAuthKu, newPrivKu;
    if (needsAuth)
        if (int code = PasswordToKey(newUser.auth, newUser.authPassword, newAuthKu))
            return code;
    if (needsPriv)  // the privacy key is derived with the authentication digest
        if (int code = PasswordToKey(newUser.auth, newUser.privPassword, newPrivKu))
            return code;
    user = newUser;
    authKu = std::move(newAuthKu);
    privKu = std::move(newPrivKu);
    authKey.clear();
    privKey.clear();
    if (discovered)
        return SetEngine(v3::TBytes(engineId), boots, EngineTime(), TClock::now());
    return 0;
}

int TUsmSession::SetEngine(std::span<const std::uint8_t> newEngineId, std::uint32_t newBoots,
                           std::uint32_t newTime, TClock::time_point now)
{
    engineId.assign(newEngineId.begin(), newEngineId.end());
    boots = newBoots;
    latestTime = newTime;
    timeSetAt = now;
    discovered = true;
    authKey.clear();
    privKey.clear();
    if (!authKu.empty())
        if (int code = LocalizeKey(user.auth, authKu, engineId, authKey))
            return code;
    if (!privKu.empty()) {
        if (int code = LocalizeKey(user.auth, privKu, engineId, privKey))
            return code;
        if (int code = ExtendKey(user.auth, privKey, PrivKeyLength(user.priv)))
            return code;
    }
    return 0;
}

std::uint32_t TUsmSession::EngineTime(TClock::time_point now) const
{
    const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(now - timeSetAt).count();
    const auto time = static_cast<std::int64_t>(latestTime) + std::max<std::int64_t>(elapsed, 0);
    return static_cast<std::uint32_t>(std::min<std::int64_t>(time, kMaxEngineValue));
}

void TUsmSession::ForgetEngine()
{
    engineId.clear();
    discovered = false;
    boots = latestTime = 0;
    authKey.clear();
    privKey.clear();
}

int TUsmSession::BuildRequest(std::int32_t msgId, Tag pduTag, TOutgoing& out, TBindingTable& table,
                              std::string_view contextName, v3::TBytes& datagram, std::string* errorText,
                              TClock::time_point now)
{
    datagram.clear();
    if (!discovered)
        return kUnknownEngine;
    v3::TBytes pdu, scoped, encrypted;
    if (int code = BuildPdu(out, pduTag, table, pdu, errorText))
        return code;
    // The context is the agent's own: its engine ID names it.
    if (int code = v3::BuildScopedPdu(engineId, contextName, pdu, scoped))
        return code;
    v3::THeader header;
    header.msgId = msgId;
    header.maxSize = maxMessageSize;
    header.flags =
        static_cast<std::uint8_t>(LevelFlags(user.level) | (Confirmed(pduTag) ? v3::kReportableFlag : 0));
    v3::TUsmParameters usm;
    usm.engineId = engineId;
    usm.boots = boots;
    usm.time = EngineTime(now);
    usm.userName = user.name;
    std::span<const std::uint8_t> msgData = scoped;
    if (header.flags & v3::kAuthFlag)
        usm.authParams.assign(MacLength(user.auth), 0);
    if (header.flags & v3::kPrivFlag) {
        const TSalt salt = salts.Next(user.priv, boots);
        usm.privParams.assign(salt.begin(), salt.end());
        if (int code = Encrypt(user.priv, privKey, usm.boots, usm.time, salt, scoped, encrypted))
            return code;
        msgData = encrypted;
    }
    std::size_t authOffset = 0;
    if (int code = v3::BuildMessage(header, usm, msgData, datagram, &authOffset))
        return code;
    if (header.flags & v3::kAuthFlag)
        if (int code = SignMessage(user.auth, authKey, datagram, authOffset)) {
            datagram.clear();
            return code;
        }
    return 0;
}

int TUsmSession::Authenticate(std::span<const std::uint8_t> datagram, const v3::TParsed& parsed,
                              TClock::time_point now)
{
    if (!discovered || parsed.usm.engineId != engineId)
        return kUnknownEngine;
    if (parsed.usm.userName != user.name)
        return kUnknownUser;
    if (user.auth == TAuthProtocol::None || authKey.empty())
        return kUnsupportedLevel;
    if (int code =
            VerifyMessage(user.auth, authKey, datagram, parsed.authOffset, parsed.usm.authParams.size()))
        return code;
    return CheckTimeWindow(parsed.usm, now);
}

int TUsmSession::CheckTimeWindow(const v3::TUsmParameters& usm, TClock::time_point now)
{
    // An authentic message from later than anything seen moves the clock forward.
    if (usm.boots > boots || (usm.boots == boots && usm.time > latestTime)) {
        boots = usm.boots;
        latestTime = usm.time;
        timeSetAt = now;
    }
    if (boots >= kMaxEngineValue || usm.boots < boots
        || (usm.boots == boots && usm.time + kTimeWindow < EngineTime(now)))
        return kNotInTimeWindow;
    return 0;
}

int TUsmSession::OpenAnswer(std::span<const std::uint8_t> datagram, TAnswer& answer, TIncoming& in,
                            TBindingTable& table, TClock::time_point now)
{
    answer = TAnswer{};
    in.Reset();
    v3::TParsed parsed;
    if (int code = v3::ParseMessage(datagram, parsed))
        return code;
    answer.header = parsed.header;
    answer.usm = parsed.usm;
    const std::uint8_t flags = parsed.header.flags;
    if (flags & v3::kAuthFlag) {
        if (int code = Authenticate(datagram, parsed, now))
            return code;
        answer.authentic = true;
    }
    const bool encrypted = (flags & v3::kPrivFlag) != 0;
    if (encrypted && (user.priv == TPrivProtocol::None || privKey.empty()))
        return kUnsupportedLevel;
    v3::TBytes plain;
    v3::TScopedPdu scoped;
    if (int code = OpenScopedPdu(parsed, encrypted ? user.priv : TPrivProtocol::None, privKey, plain, scoped))
        return code;
    answer.contextEngineId = scoped.contextEngineId;
    answer.contextName = scoped.contextName;
    if (int code = ParsePduElement(scoped.pdu, v3::kVersion3, in, table))
        return code;
    if (in.pduTag == static_cast<std::uint8_t>(Tag::Report)) {
        if (table.count > 0)
            answer.reportOid = table.Slot(0).oid;
        answer.report = v3::ReportKindOf(answer.reportOid);
        return 0;
    }
    return (flags & (v3::kAuthFlag | v3::kPrivFlag)) == LevelFlags(user.level)
             ? 0
             : static_cast<int>(kUnsupportedLevel);
}

int OpenScopedPdu(const v3::TParsed& parsed, TPrivProtocol priv, std::span<const std::uint8_t> key,
                  v3::TBytes& plain, v3::TScopedPdu& scoped)
{
    std::span<const std::uint8_t> bytes = parsed.scopedPdu;
    const bool encrypted = priv != TPrivProtocol::None;
    if (encrypted) {
        if (int code = Decrypt(priv, key, parsed.usm.boots, parsed.usm.time, parsed.usm.privParams,
                               parsed.encrypted, plain))
            return code;
        bytes = plain;
    }
    const int code = v3::ParseScopedPdu(bytes, scoped);
    return code != 0 && encrypted ? static_cast<int>(kDecryptionError) : code;
}

}  // namespace vxsnmp::usm
