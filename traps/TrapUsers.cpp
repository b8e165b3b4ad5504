#include "traps/TrapUsers.h"

#include "core/SettingsStore.h"

#include <QRandomGenerator>

#include <algorithm>
#include <array>

namespace {

// At the component's protocol numbers; several spellings per protocol.
struct TProtocolName {
    const char* spelling;
    int number;
};
constexpr std::array kAuthNames{
    TProtocolName{"md5", 1},    TProtocolName{"sha", 2},    TProtocolName{"sha1", 2},
    TProtocolName{"sha224", 3}, TProtocolName{"sha256", 4}, TProtocolName{"sha384", 5},
    TProtocolName{"sha512", 6},
};
constexpr std::array kPrivNames{
    TProtocolName{"des", 1},    TProtocolName{"aes", 2},    TProtocolName{"aes128", 2},
    TProtocolName{"aes192", 3}, TProtocolName{"aes256", 4},
};
constexpr std::array<const char*, 7> kAuthShown{"", "MD5", "SHA", "SHA-224", "SHA-256", "SHA-384", "SHA-512"};
constexpr std::array<const char*, 5> kPrivShown{"", "DES", "AES-128", "AES-192", "AES-256"};
constexpr int kMinPasswordBytes = 8;  // the key derivation refuses shorter ones

const QString kUsersKey = QStringLiteral("traps/users");
const QString kEngineIdKey = QStringLiteral("traps/engineId");
const QString kBootsKey = QStringLiteral("traps/engineBoots");
// 0x80000000 | enterprise 0, format 5 (octets), then kEngineIdRandomBytes.
const QByteArray kEngineIdHead = QByteArray::fromHex("8000000005");
constexpr int kEngineIdRandomBytes = 8;
constexpr int kMaxBoots = 2147483646;  // 2^31 - 1 means "no more boots"

template <std::size_t N>
int NumberOf(const std::array<TProtocolName, N>& names, const QString& name)
{
    const QString key = name.trimmed().toLower().remove(u'-');
    for (const TProtocolName& entry : names)
        if (key == QLatin1String(entry.spelling))
            return entry.number;
    return 0;
}

// "SHA-256:secret pass" -> protocol and password; false without a colon or
// with an unknown protocol.
bool SplitProtocol(const QString& text, bool privacy, int& protocol, QString& password)
{
    const qsizetype colon = text.indexOf(u':');
    if (colon < 0)
        return false;
    protocol = privacy ? PrivProtocolNumber(text.left(colon)) : AuthProtocolNumber(text.left(colon));
    password = text.mid(colon + 1);
    return protocol != 0;
}

bool Is(const QString& arg, QStringView name) { return arg.compare(name, Qt::CaseInsensitive) == 0; }

}  // namespace

int AuthProtocolNumber(const QString& name) { return NumberOf(kAuthNames, name); }
int PrivProtocolNumber(const QString& name) { return NumberOf(kPrivNames, name); }

QString AuthProtocolName(int protocol)
{
    return protocol > 0 && protocol < int(kAuthShown.size())
             ? QLatin1String(kAuthShown[std::size_t(protocol)])
             : QString();
}

QString PrivProtocolName(int protocol)
{
    return protocol > 0 && protocol < int(kPrivShown.size())
             ? QLatin1String(kPrivShown[std::size_t(protocol)])
             : QString();
}

QString LevelName(int level)
{
    return level == 2 ? QStringLiteral("authPriv")
         : level == 1 ? QStringLiteral("authNoPriv")
                      : QStringLiteral("noAuthNoPriv");
}

QString TrapUserProblem(const TTrapUser& user)
{
    if (user.name.isEmpty())
        return QStringLiteral("an SNMPv3 user needs a name");
    if (user.level >= 1 && (user.auth == 0 || user.authPassword.toUtf8().size() < kMinPasswordBytes))
        return QStringLiteral(
                   "user %1: authentication needs a protocol and a password of at least 8 characters")
            .arg(user.name);
    if (user.level >= 2 && (user.priv == 0 || user.privPassword.toUtf8().size() < kMinPasswordBytes))
        return QStringLiteral("user %1: privacy needs a protocol and a password of at least 8 characters")
            .arg(user.name);
    return QString();
}

QVector<TTrapUser> ParseTrapUsers(const QStringList& args, QStringList& warnings)
{
    QVector<TTrapUser> users;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool isUser = Is(arg, u"--trap-user");
        const bool isAuth = Is(arg, u"--trap-auth");
        const bool isPriv = Is(arg, u"--trap-priv");
        if (!isUser && !isAuth && !isPriv)
            continue;
        if (i + 1 >= args.size()) {
            warnings.append(QStringLiteral("%1 needs a value").arg(arg));
            break;
        }
        const QString& value = args[++i];
        if (isUser) {
            TTrapUser user;
            user.name = value;
            users.append(user);
            continue;
        }
        int protocol = 0;
        QString password;
        if (users.isEmpty() || !SplitProtocol(value, isPriv, protocol, password)) {
            warnings.append(QStringLiteral("%1 needs PROTOCOL:PASSWORD after a --trap-user").arg(arg));
            continue;
        }
        TTrapUser& user = users.last();
        if (isAuth) {
            user.auth = protocol;
            user.authPassword = password;
        } else {
            user.priv = protocol;
            user.privPassword = password;
        }
        user.level = user.priv != 0 ? 2 : 1;
    }
    return users;
}

QVector<TTrapUser> SavedTrapUsers()
{
    TSettingsStore settings;
    QVector<TTrapUser> users;
    const int count = settings->beginReadArray(kUsersKey);
    for (int i = 0; i < count; ++i) {
        settings->setArrayIndex(i);
        users.append({settings->value(QStringLiteral("name")).toString(),
                      settings->value(QStringLiteral("level")).toInt(),
                      AuthProtocolNumber(settings->value(QStringLiteral("auth")).toString()),
                      settings->value(QStringLiteral("authPassword")).toString(),
                      PrivProtocolNumber(settings->value(QStringLiteral("priv")).toString()),
                      settings->value(QStringLiteral("privPassword")).toString()});
    }
    settings->endArray();
    return users;
}

void SaveTrapUsers(const QVector<TTrapUser>& users)
{
    TSettingsStore settings;
    settings->remove(kUsersKey);
    settings->beginWriteArray(kUsersKey, int(users.size()));
    for (int i = 0; i < users.size(); ++i) {
        const TTrapUser& user = users[i];
        settings->setArrayIndex(i);
        settings->setValue(QStringLiteral("name"), user.name);
        settings->setValue(QStringLiteral("level"), user.level);
        settings->setValue(QStringLiteral("auth"), AuthProtocolName(user.auth));
        settings->setValue(QStringLiteral("authPassword"), user.authPassword);
        settings->setValue(QStringLiteral("priv"), PrivProtocolName(user.priv));
        settings->setValue(QStringLiteral("privPassword"), user.privPassword);
    }
    settings->endArray();
}

QByteArray TrapEngineId()
{
    TSettingsStore settings;
    const QByteArray kept = QByteArray::fromHex(settings->value(kEngineIdKey).toByteArray());
    if (kept.size() >= kEngineIdHead.size())
        return kept;
    QByteArray made = kEngineIdHead;
    for (int i = 0; i < kEngineIdRandomBytes; ++i)
        made.append(char(QRandomGenerator::system()->bounded(256)));
    settings->setValue(kEngineIdKey, QString::fromLatin1(made.toHex()));
    return made;
}

int NextTrapEngineBoots()
{
    TSettingsStore settings;
    const int boots = std::clamp(settings->value(kBootsKey, 0).toInt() + 1, 1, kMaxBoots);
    settings->setValue(kBootsKey, boots);
    return boots;
}
