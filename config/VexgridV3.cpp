#include "config/VexgridV3.h"

#include <QFileInfo>

#include <array>
#include <cstdlib>

namespace {

// Names as the file writes them, at the component's protocol numbers.
constexpr std::array<const char*, 3> kLevelNames{"noauthnopriv", "authnopriv", "authpriv"};
constexpr std::array<const char*, 7> kAuthNames{"", "md5", "sha", "sha224", "sha256", "sha384", "sha512"};
constexpr std::array<const char*, 5> kPrivNames{"", "des", "aes", "aes192", "aes256"};

template <std::size_t N>
int Choice(const TXMLShooterType& shooter, const QString& element, const std::array<const char*, N>& names,
           int whenMissing)
{
    const QString text = shooter.Text(element).trimmed().toLower();
    if (text.isEmpty())
        return whenMissing;
    for (std::size_t i = 0; i < N; ++i)
        if (names[i][0] != '\0' && text == QLatin1String(names[i]))
            return static_cast<int>(i);
    QStringList allowed;
    for (const char* name : names)
        if (name[0] != '\0')
            allowed << QLatin1String(name);
    throw EVexgridXML(QStringLiteral("<%1> must be one of %2, not \"%3\"")
                          .arg(element, allowed.join(QStringLiteral(", ")), text));
}

// The password from <element>, or from the variable <element>env names.
QString Password(const TXMLShooterType& shooter, const QString& element, bool& inFile, QString& env)
{
    const QString direct = shooter.Text(element);
    if (!direct.isEmpty()) {
        inFile = true;
        return direct;
    }
    const QString variable = shooter.Text(element + QStringLiteral("env")).trimmed();
    env = variable;
    if (variable.isEmpty())
        return {};
    // Qt's reading of the environment is safe beside its own writers.
    const QByteArray value = qgetenv(variable.toLocal8Bit().constData());
    if (value.isEmpty())
        throw EVexgridXML(QStringLiteral("<%1env> names the environment variable %2, which is not set")
                              .arg(element, variable));
    return QString::fromLocal8Bit(value);
}

void RequirePassword(const QString& password, const QString& element, const QString& env)
{
    if (password.isEmpty())
        throw EVexgridXML(QStringLiteral("The security level needs <%1> (or <%1env>)").arg(element));
    if (!IsV3PasswordLongEnough(password)) {
        const QString from = env.isEmpty()
                               ? QStringLiteral("<%1>").arg(element)
                               : QStringLiteral("The variable %1 named by <%2env>").arg(env, element);
        throw EVexgridXML(
            QStringLiteral("%1 holds fewer than %2 characters; SNMPv3 passwords need at least %2")
                .arg(from)
                .arg(kMinV3PasswordLength));
    }
}

}  // namespace

bool IsV3PasswordLongEnough(const QString& password)
{
    return password.toUtf8().size() >= kMinV3PasswordLength;
}

void ReadV3Settings(const TXMLShooterType& shooter, TV3Settings& v3)
{
    v3 = TV3Settings{};
    v3.user = shooter.Text(QStringLiteral("user"));
    if (v3.user.isEmpty())
        throw EVexgridXML(QStringLiteral("SNMP version 3 needs <user>"));
    v3.contextName = shooter.Text(QStringLiteral("contextname"));
    // Without a level the passwords given say what is meant.
    const bool hasAuth =
        shooter.Has(QStringLiteral("authpassword")) || shooter.Has(QStringLiteral("authpasswordenv"));
    const bool hasPriv =
        shooter.Has(QStringLiteral("privpassword")) || shooter.Has(QStringLiteral("privpasswordenv"));
    v3.securityLevel = Choice(shooter, QStringLiteral("securitylevel"), kLevelNames,
                              hasPriv   ? 2
                              : hasAuth ? 1
                                        : 0);
    if (v3.securityLevel >= 1) {
        v3.authProtocol = Choice(shooter, QStringLiteral("authprotocol"), kAuthNames, 1);
        v3.authPassword =
            Password(shooter, QStringLiteral("authpassword"), v3.passwordInFile, v3.authPasswordEnv);
        RequirePassword(v3.authPassword, QStringLiteral("authpassword"), v3.authPasswordEnv);
    }
    if (v3.securityLevel == 2) {
        v3.privProtocol = Choice(shooter, QStringLiteral("privprotocol"), kPrivNames, 2);
        v3.privPassword =
            Password(shooter, QStringLiteral("privpassword"), v3.passwordInFile, v3.privPasswordEnv);
        RequirePassword(v3.privPassword, QStringLiteral("privpassword"), v3.privPasswordEnv);
    }
}

namespace {

template <std::size_t N>
QString NameAt(const std::array<const char*, N>& names, int index)
{
    return index >= 0 && static_cast<std::size_t>(index) < N
             ? QLatin1String(names[static_cast<std::size_t>(index)])
             : QString();
}

}  // namespace

QString SecurityLevelText(int level) { return NameAt(kLevelNames, level); }
QString AuthProtocolText(int protocol) { return NameAt(kAuthNames, protocol); }
QString PrivProtocolText(int protocol) { return NameAt(kPrivNames, protocol); }

QString ReadablePasswordWarning(const QString& path, const TV3Settings& v3)
{
    if (!v3.passwordInFile)
        return {};
    const QFileInfo info(path);
    if ((info.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther)) == 0)
        return {};
    return QStringLiteral("Warning: %1 holds SNMPv3 passwords and other users may read it; "
                          "make it readable by its owner only (chmod 600) or name environment "
                          "variables in <authpasswordenv> and <privpasswordenv>.")
        .arg(path);
}
