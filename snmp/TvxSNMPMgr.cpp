#include "snmp/TvxSNMPMgr.h"

#include "snmp/SNMPMgr.h"
#include "snmp/TvxSNMPMgrAccess.h"

#include <array>

namespace vxsnmp {

QString EngineText(std::intptr_t value)
{
    const char* text = reinterpret_cast<const char*>(value);
    return text != nullptr ? QString::fromUtf8(text) : QString();
}

QByteArray EngineBytes(std::intptr_t value, int length)
{
    const char* data = reinterpret_cast<const char*>(value);
    return (data != nullptr && length > 0) ? QByteArray(data, length) : QByteArray();
}

EvxSNMPMgr::EvxSNMPMgr(int errorCode, const QString& errorText)
    : std::runtime_error((QString::number(errorCode) + QStringLiteral(": ") + errorText).toStdString()),
      code(errorCode), text(errorText)
{
}

QString EvxSNMPMgr::Message() const { return QString::number(code) + QStringLiteral(": ") + text; }

void TvxSNMPMgrAccess::Raise(const TvxSNMPMgr& mgr, int code, const QString& text)
{
    throw EvxSNMPMgr(code, text.isEmpty()
                               ? EngineText(reinterpret_cast<std::intptr_t>(SNMPMgr_GetLastError(mgr.handle)))
                               : text);
}

void TvxSNMPMgrAccess::SetInt(TvxSNMPMgr& mgr, int propId, int index, int value)
{
    if (int r = SNMPMgr_Set(mgr.handle, propId, index, value, 0); r != 0)
        Raise(mgr, r);
}

void TvxSNMPMgrAccess::SetText(TvxSNMPMgr& mgr, int propId, int index, QStringView value)
{
    // OIDs, communities and host names are short ASCII texts, set for every
    // request: they are handed over from the stack.
    std::array<char, 128> ascii;
    QByteArray utf8;
    const char* text = ascii.data();
    qsizetype n = 0;
    if (value.size() < qsizetype(ascii.size())) {
        for (; n < value.size() && value[n].unicode() < 0x80; ++n)
            ascii[std::size_t(n)] = char(value[n].unicode());
    }
    if (n == value.size() && n < qsizetype(ascii.size())) {
        ascii[std::size_t(n)] = '\0';
    } else {
        utf8 = value.toUtf8();
        text = utf8.constData();
    }
    if (int r = SNMPMgr_Set(mgr.handle, propId, index, reinterpret_cast<std::intptr_t>(text), 0); r != 0)
        Raise(mgr, r);
}

void TvxSNMPMgrAccess::SetBytes(TvxSNMPMgr& mgr, int propId, int index, const QByteArray& value)
{
    if (int r = SNMPMgr_Set(mgr.handle, propId, index, reinterpret_cast<std::intptr_t>(value.constData()),
                            static_cast<int>(value.size()));
        r != 0)
        Raise(mgr, r);
}

int TvxSNMPMgrAccess::GetInt(const TvxSNMPMgr& mgr, int propId, int index)
{
    return static_cast<int>(SNMPMgr_Get(mgr.handle, propId, index, nullptr));
}

QString TvxSNMPMgrAccess::GetText(const TvxSNMPMgr& mgr, int propId, int index)
{
    int length = 0;
    return EngineText(SNMPMgr_Get(mgr.handle, propId, index, &length));
}

QByteArray TvxSNMPMgrAccess::GetBytes(const TvxSNMPMgr& mgr, int propId, int index)
{
    int length = 0;
    const std::intptr_t value = SNMPMgr_Get(mgr.handle, propId, index, &length);
    return EngineBytes(value, length);
}

void TvxSNMPMgrAccess::CheckIndex(const TvxSNMPMgr& mgr, int propId, int index, const char* text)
{
    if (int r = SNMPMgr_CheckIndex(mgr.handle, propId, index); r != 0)
        Raise(mgr, r, QString::fromLatin1(text));
}

void TvxSNMPMgrAccess::Do(TvxSNMPMgr& mgr, int methodId)
{
    if (int r = SNMPMgr_Do(mgr.handle, methodId, 0, nullptr, nullptr); r != 0)
        Raise(mgr, r);
}

using A = TvxSNMPMgrAccess;

TvxSNMPMgr::TvxSNMPMgr(QObject* owner) : TvxCore(owner)
{
    handle = SNMPMgr_Create(&TvxSNMPMgrAccess::Dispatch, this);
    if (handle == 0)
        throw EvxSNMPMgr(-1, QStringLiteral("SNMPMgr: Error creating component"));
    // Each default on its own: one that the engine refuses leaves the others.
    const std::function<void()> defaults[] = {
        [this] { SetCommunity(QStringLiteral("tamvel")); },
        [this] { SetLocalEngineId({}); },
        [this] { SetLocalPort(162); },
        [this] { SetPassword({}); },
        [this] { SetRemoteEngineBoots(0); },
        [this] { SetRemoteEngineId({}); },
        [this] { SetRemoteEngineTime(0); },
        [this] { SetRemoteHost({}); },
        [this] { SetRemotePort(161); },
        [this] { SetSNMPVersion(2); },
        [this] { SetTimeout(60); },
        [this] { SetUser({}); },
    };
    for (const auto& assign : defaults) {
        try {
            assign();
        } catch (const EvxSNMPMgr&) {
        }
    }
}

TvxSNMPMgr::~TvxSNMPMgr()
{
    if (handle != 0)
        SNMPMgr_Destroy(handle);
    handle = 0;
}

bool TvxSNMPMgr::Active() const { return A::GetInt(*this, SNMPMGR_PID_ACTIVE) != 0; }
void TvxSNMPMgr::SetActive(bool value) { A::SetInt(*this, SNMPMGR_PID_ACTIVE, 0, value ? 1 : 0); }
QString TvxSNMPMgr::Community() const { return A::GetText(*this, SNMPMGR_PID_COMMUNITY); }
void TvxSNMPMgr::SetCommunity(const QString& value) { A::SetText(*this, SNMPMGR_PID_COMMUNITY, 0, value); }
QString TvxSNMPMgr::LocalHost() const { return A::GetText(*this, SNMPMGR_PID_LOCALHOST); }
void TvxSNMPMgr::SetLocalHost(const QString& value) { A::SetText(*this, SNMPMGR_PID_LOCALHOST, 0, value); }
int TvxSNMPMgr::LocalPort() const { return A::GetInt(*this, SNMPMGR_PID_LOCALPORT); }
void TvxSNMPMgr::SetLocalPort(int value) { A::SetInt(*this, SNMPMGR_PID_LOCALPORT, 0, value); }
QString TvxSNMPMgr::RemoteHost() const { return A::GetText(*this, SNMPMGR_PID_REMOTEHOST); }
void TvxSNMPMgr::SetRemoteHost(const QString& value) { A::SetText(*this, SNMPMGR_PID_REMOTEHOST, 0, value); }
int TvxSNMPMgr::RemotePort() const { return A::GetInt(*this, SNMPMGR_PID_REMOTEPORT); }
void TvxSNMPMgr::SetRemotePort(int value) { A::SetInt(*this, SNMPMGR_PID_REMOTEPORT, 0, value); }
int TvxSNMPMgr::Timeout() const { return A::GetInt(*this, SNMPMGR_PID_TIMEOUT); }
void TvxSNMPMgr::SetTimeout(int value) { A::SetInt(*this, SNMPMGR_PID_TIMEOUT, 0, value); }
int TvxSNMPMgr::RequestId() const { return A::GetInt(*this, SNMPMGR_PID_REQUESTID); }
void TvxSNMPMgr::SetRequestId(int value) { A::SetInt(*this, SNMPMGR_PID_REQUESTID, 0, value); }
int TvxSNMPMgr::SNMPVersion() const { return A::GetInt(*this, SNMPMGR_PID_SNMPVERSION); }
void TvxSNMPMgr::SetSNMPVersion(int value) { A::SetInt(*this, SNMPMGR_PID_SNMPVERSION, 0, value); }

int TvxSNMPMgr::ObjCount() const { return A::GetInt(*this, SNMPMGR_PID_OBJCOUNT); }
void TvxSNMPMgr::SetObjCount(int value) { A::SetInt(*this, SNMPMGR_PID_OBJCOUNT, 0, value); }

// A binding read answers empty for an index out of range; only then is the
// index checked, so the answers of a valid table take one call per field.
QString TvxSNMPMgr::ObjId(int index) const
{
    QString oid = A::GetText(*this, SNMPMGR_PID_OBJID, index);
    if (oid.isEmpty())
        A::CheckIndex(*this, SNMPMGR_PID_OBJID, index, "Invalid array index value for ObjId");
    return oid;
}
void TvxSNMPMgr::SetObjId(int index, QStringView value)
{
    A::SetText(*this, SNMPMGR_PID_OBJID, index, value);
}
int TvxSNMPMgr::ObjType(int index) const { return A::GetInt(*this, SNMPMGR_PID_OBJTYPE, index); }
void TvxSNMPMgr::SetObjType(int index, int value) { A::SetInt(*this, SNMPMGR_PID_OBJTYPE, index, value); }

QByteArray TvxSNMPMgr::ObjValue(int index) const
{
    QByteArray value = A::GetBytes(*this, SNMPMGR_PID_OBJVALUE, index);
    if (value.isEmpty())
        A::CheckIndex(*this, SNMPMGR_PID_OBJVALUE, index, "Invalid array index value for ObjValue");
    return value;
}
void TvxSNMPMgr::SetObjValue(int index, const QByteArray& value)
{
    A::SetBytes(*this, SNMPMGR_PID_OBJVALUE, index, value);
}

QByteArray TvxSNMPMgr::LocalEngineId() const { return A::GetBytes(*this, SNMPMGR_PID_LOCALENGINEID); }
void TvxSNMPMgr::SetLocalEngineId(const QByteArray& value)
{
    A::SetBytes(*this, SNMPMGR_PID_LOCALENGINEID, 0, value);
}
QString TvxSNMPMgr::Password() const { return A::GetText(*this, SNMPMGR_PID_PASSWORD); }
void TvxSNMPMgr::SetPassword(const QString& value) { A::SetText(*this, SNMPMGR_PID_PASSWORD, 0, value); }
int TvxSNMPMgr::RemoteEngineBoots() const { return A::GetInt(*this, SNMPMGR_PID_REMOTEENGINEBOOTS); }
void TvxSNMPMgr::SetRemoteEngineBoots(int value)
{
    A::SetInt(*this, SNMPMGR_PID_REMOTEENGINEBOOTS, 0, value);
}
QByteArray TvxSNMPMgr::RemoteEngineId() const { return A::GetBytes(*this, SNMPMGR_PID_REMOTEENGINEID); }
void TvxSNMPMgr::SetRemoteEngineId(const QByteArray& value)
{
    A::SetBytes(*this, SNMPMGR_PID_REMOTEENGINEID, 0, value);
}
int TvxSNMPMgr::RemoteEngineTime() const { return A::GetInt(*this, SNMPMGR_PID_REMOTEENGINETIME); }
void TvxSNMPMgr::SetRemoteEngineTime(int value) { A::SetInt(*this, SNMPMGR_PID_REMOTEENGINETIME, 0, value); }
QString TvxSNMPMgr::User() const { return A::GetText(*this, SNMPMGR_PID_USER); }
void TvxSNMPMgr::SetUser(const QString& value) { A::SetText(*this, SNMPMGR_PID_USER, 0, value); }
int TvxSNMPMgr::SecurityLevel() const { return A::GetInt(*this, SNMPMGR_PID_SECURITYLEVEL); }
void TvxSNMPMgr::SetSecurityLevel(int value) { A::SetInt(*this, SNMPMGR_PID_SECURITYLEVEL, 0, value); }
int TvxSNMPMgr::AuthProtocol() const { return A::GetInt(*this, SNMPMGR_PID_AUTHPROTOCOL); }
void TvxSNMPMgr::SetAuthProtocol(int value) { A::SetInt(*this, SNMPMGR_PID_AUTHPROTOCOL, 0, value); }
void TvxSNMPMgr::SetAuthPassword(const QString& value)
{
    A::SetText(*this, SNMPMGR_PID_AUTHPASSWORD, 0, value);
}
int TvxSNMPMgr::PrivProtocol() const { return A::GetInt(*this, SNMPMGR_PID_PRIVPROTOCOL); }
void TvxSNMPMgr::SetPrivProtocol(int value) { A::SetInt(*this, SNMPMGR_PID_PRIVPROTOCOL, 0, value); }
void TvxSNMPMgr::SetPrivPassword(const QString& value)
{
    A::SetText(*this, SNMPMGR_PID_PRIVPASSWORD, 0, value);
}
QString TvxSNMPMgr::ContextName() const { return A::GetText(*this, SNMPMGR_PID_CONTEXTNAME); }
void TvxSNMPMgr::SetContextName(const QString& value)
{
    A::SetText(*this, SNMPMGR_PID_CONTEXTNAME, 0, value);
}

QString TvxSNMPMgr::Config(const QString& setting)
{
    const QByteArray utf8 = setting.toUtf8();
    // The engine stores a pointer to its answer in the entry after the argument.
    std::intptr_t argv[2] = {reinterpret_cast<std::intptr_t>(utf8.constData()), 0};
    int argLens[2] = {static_cast<int>(utf8.size()), 0};
    if (int r = SNMPMgr_Do(handle, SNMPMGR_MID_CONFIG, 1, argv, argLens); r != 0)
        A::Raise(*this, r);
    return EngineText(argv[1]);
}

void TvxSNMPMgr::Reset() { A::Do(*this, SNMPMGR_MID_RESET); }
void TvxSNMPMgr::SendGetRequest() { A::Do(*this, SNMPMGR_MID_SENDGETREQUEST); }
void TvxSNMPMgr::SendGetNextRequest() { A::Do(*this, SNMPMGR_MID_SENDGETNEXTREQUEST); }
void TvxSNMPMgr::Discover() { A::Do(*this, SNMPMGR_MID_DISCOVER); }

void TvxSNMPMgr::SendGetBulkRequest(int nonRepeaters, int maxRepetitions)
{
    std::intptr_t argv[2] = {nonRepeaters, maxRepetitions};
    if (int r = SNMPMgr_Do(handle, SNMPMGR_MID_SENDGETBULKREQUEST, 2, argv, nullptr); r != 0)
        A::Raise(*this, r);
}

}  // namespace vxsnmp
