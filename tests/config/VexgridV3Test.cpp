// The SNMPv3 elements of a vexgrid file: what they set, the load errors that
// name a missing element, passwords from the environment, and the warning for
// passwords in a file other users may read.
#include "core/Defaults.h"
#include "config/VexgridLoader.h"
#include "config/VexgridWriter.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

namespace {

struct TLoaded {
    TSessionSettings settings;
    TVexgridLoadResult result;
};

// Writes a file whose shooter holds `shooterXml` and loads it.
TLoaded LoadShooter(const QString& shooterXml,
                    QFileDevice::Permissions mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("v3.xml"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(("<vexgrid><shooter>" + shooterXml + "</shooter></vexgrid>").toUtf8());
    file.close();
    file.setPermissions(mode);
    TLoaded loaded;
    ApplyDefaultSettings(loaded.settings);
    loaded.result = LoadVexgridSettings(path, loaded.settings);
    return loaded;
}

TEST(VexgridV3, ElementsSetTheUserOfVersion3)
{
    const TLoaded l = LoadShooter(
        QStringLiteral("<snmpversion>3</snmpversion><user>ops</user><securitylevel>AuthPriv</securitylevel>"
                       "<authprotocol>sha384</authprotocol><authpassword>maplesyrup</authpassword>"
                       "<privprotocol>aes256</privprotocol><privpassword>syrup-for-privacy</privpassword>"
                       "<contextname>vlan7</contextname>"));
    ASSERT_TRUE(l.result.loaded) << l.result.reason.toStdString();
    const TV3Settings& v3 = l.settings.v3;
    EXPECT_EQ(l.settings.requestTemplate.snmpVersion, 3);
    EXPECT_EQ(v3.user, "ops");
    EXPECT_EQ(v3.securityLevel, 2);
    EXPECT_EQ(v3.authProtocol, 5);
    EXPECT_EQ(v3.authPassword, "maplesyrup");
    EXPECT_EQ(v3.privProtocol, 4);
    EXPECT_EQ(v3.privPassword, "syrup-for-privacy");
    EXPECT_EQ(v3.contextName, "vlan7");
    EXPECT_TRUE(v3.fileWarning.isEmpty()) << "the file is its owner's alone";
}

TEST(VexgridV3, MissingOrWrongElementsAreLoadErrorsNamingTheElement)
{
    struct {
        const char* why;
        const char* shooter;
        const char* element;
    } const cases[] = {
        {"no user", "<snmpversion>3</snmpversion>", "<user>"},
        {"auth level without password",
         "<snmpversion>3</snmpversion><user>u</user><securitylevel>authnopriv</securitylevel>",
         "<authpassword>"},
        {"priv level without privacy password",
         "<snmpversion>3</snmpversion><user>u</user><securitylevel>authpriv</securitylevel>"
         "<authpassword>maplesyrup</authpassword>",
         "<privpassword>"},
        {"unknown protocol",
         "<snmpversion>3</snmpversion><user>u</user><authprotocol>sha3</authprotocol>"
         "<authpassword>maplesyrup</authpassword>",
         "<authprotocol>"},
        {"unset variable",
         "<snmpversion>3</snmpversion><user>u</user><authpasswordenv>VEXGRID_TEST_UNSET_VARIABLE</authpasswordenv>",
         "<authpasswordenv>"},
        {"authentication password under 8 characters",
         "<snmpversion>3</snmpversion><user>u</user><authpassword>1234567</authpassword>", "<authpassword>"},
        {"privacy password under 8 characters from a variable",
         "<snmpversion>3</snmpversion><user>u</user><authpassword>maplesyrup</authpassword>"
         "<privpasswordenv>VEXGRID_TEST_SHORT</privpasswordenv>",
         "<privpasswordenv>"},
    };
    setenv("VEXGRID_TEST_SHORT", "short", 1);
    for (const auto& c : cases) {
        const TLoaded l = LoadShooter(QString::fromLatin1(c.shooter));
        EXPECT_FALSE(l.result.loaded) << c.why;
        EXPECT_TRUE(l.result.reason.contains(QLatin1String(c.element)))
            << c.why << ": " << l.result.reason.toStdString();
    }
}

TEST(VexgridV3, PasswordsFromTheEnvironmentNeedNoWarning)
{
    setenv("VEXGRID_TEST_AUTH", "from-the-environment", 1);
    const TLoaded l = LoadShooter(QStringLiteral("<snmpversion>3</snmpversion><user>u</user>"
                                                 "<authpasswordenv>VEXGRID_TEST_AUTH</authpasswordenv>"),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
    ASSERT_TRUE(l.result.loaded) << l.result.reason.toStdString();
    EXPECT_EQ(l.settings.v3.securityLevel, 1) << "a password alone means authNoPriv";
    EXPECT_EQ(l.settings.v3.authPassword, "from-the-environment");
    EXPECT_TRUE(l.settings.v3.fileWarning.isEmpty());
}

TEST(VexgridV3, PasswordInAFileOthersMayReadWarnsButLoads)
{
    const TLoaded l = LoadShooter(
        QStringLiteral("<snmpversion>3</snmpversion><user>u</user><authpassword>maplesyrup</authpassword>"),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    ASSERT_TRUE(l.result.loaded) << l.result.reason.toStdString();
    EXPECT_TRUE(l.settings.v3.fileWarning.contains(QStringLiteral("other users may read")));
}

}  // namespace

namespace {

TEST(VexgridV3, SavedViewKeepsTheUserAndTheVariablesButNoPassword)
{
    setenv("VEXGRID_TEST_AUTH", "from-the-environment", 1);
    setenv("VEXGRID_TEST_PRIV", "privacy-from-the-environment", 1);
    const TLoaded first = LoadShooter(QStringLiteral(
        "<snmpversion>3</snmpversion><user>ops</user><securitylevel>authpriv</securitylevel>"
        "<authprotocol>sha512</authprotocol><authpasswordenv>VEXGRID_TEST_AUTH</authpasswordenv>"
        "<privprotocol>aes192</privprotocol><privpasswordenv>VEXGRID_TEST_PRIV</privpasswordenv>"
        "<contextname>vlan7</contextname>"));
    ASSERT_TRUE(first.result.loaded) << first.result.reason.toStdString();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("saved.xml"));
    ASSERT_TRUE(WriteVexgridFile(path, first.settings).isEmpty());
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_FALSE(saved.readAll().contains("from-the-environment"));

    TSessionSettings again;
    ApplyDefaultSettings(again);
    ASSERT_TRUE(LoadVexgridSettings(path, again).loaded);
    const TV3Settings& a = first.settings.v3;
    const TV3Settings& b = again.v3;
    EXPECT_EQ(std::tie(a.user, a.securityLevel, a.authProtocol, a.authPassword, a.privProtocol,
                       a.privPassword, a.contextName),
              std::tie(b.user, b.securityLevel, b.authProtocol, b.authPassword, b.privProtocol,
                       b.privPassword, b.contextName));
}

}  // namespace
