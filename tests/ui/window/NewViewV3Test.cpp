// The New View dialog's agent fields beyond the community: which fields each
// version and security level offers, what OK refuses and why, and views that
// go through a saved vexgrid file and come back from the loader unchanged.
#include "ui/NewViewDialog.h"

#include "core/Defaults.h"
#include "config/VexgridLoader.h"
#include "config/VexgridWriter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDomDocument>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

namespace {

void Choose(QComboBox* box, int value)
{
    const int at = box->findData(value);
    ASSERT_GE(at, 0) << "no choice " << value;
    box->setCurrentIndex(at);
}

// A dialog with an agent and one target, ready for OK but for its agent fields.
struct TFilledDialog {
    TOidNameTable names;
    std::unique_ptr<TNewViewDialog> dialog;

    TFilledDialog()
    {
        names.BuildOidNameTable();
        dialog = std::make_unique<TNewViewDialog>(names);
        dialog->HostEdit->setText(QStringLiteral("127.0.0.1"));
        dialog->PortEdit->setValue(16161);
        dialog->OidEdit->setText(QStringLiteral("ifDescr"));
        EXPECT_TRUE(dialog->AddTypedTarget());
    }
    TNewViewDialog* operator->() const { return dialog.get(); }
};

TEST(NewViewV3, FieldsFollowTheVersionAndTheSecurityLevel)
{
    struct {
        int version;
        int level;
        bool community, maxRepetitions, v3, auth, priv;
    } const cases[] = {
        {1, 2, true, false, false, true, true},  // the v3 box is hidden as a whole
        {2, 2, true, true, false, true, true},  {3, 0, false, true, true, false, false},
        {3, 1, false, true, true, true, false}, {3, 2, false, true, true, true, true},
    };
    TFilledDialog dialog;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "version " << c.version << ", level " << c.level);
        Choose(dialog->VersionBox, c.version);
        Choose(dialog->SecurityLevelBox, c.level);
        EXPECT_EQ(!dialog->CommunityEdit->isHidden(), c.community);
        EXPECT_EQ(!dialog->MaxRepetitionsEdit->isHidden(), c.maxRepetitions);
        EXPECT_EQ(!dialog->V3Box->isHidden(), c.v3);
        EXPECT_EQ(dialog->AuthProtocolBox->isEnabled(), c.auth);
        EXPECT_EQ(dialog->AuthPasswordEdit->isEnabled(), c.auth);
        EXPECT_EQ(dialog->PrivProtocolBox->isEnabled(), c.priv);
        EXPECT_EQ(dialog->PrivPasswordEdit->isEnabled(), c.priv);
    }
    EXPECT_EQ(dialog->AuthPasswordEdit->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog->PrivPasswordEdit->echoMode(), QLineEdit::Password);
    dialog->RevealPasswords->setChecked(true);
    EXPECT_EQ(dialog->PrivPasswordEdit->echoMode(), QLineEdit::Normal);
}

TEST(NewViewV3, OkRefusesWhatTheLoaderWouldRefuseAndSaysWhy)
{
    struct {
        const char* why;
        int level;
        const char* user;
        const char* authPassword;
        const char* privPassword;
        const char* reason;  // a word of the refusal; empty: accepted
    } const cases[] = {
        {"no user", 0, "  ", "", "", "user"},
        {"noAuthNoPriv needs no password", 0, "ops", "", "", ""},
        {"authNoPriv without a password", 1, "ops", "", "", "authentication password"},
        {"a 7-character password", 1, "ops", "1234567", "", "at least 8"},
        {"8 characters are enough", 1, "ops", "12345678", "", ""},
        {"authNoPriv ignores the privacy password", 1, "ops", "maplesyrup", "x", ""},
        {"authPriv without a privacy password", 2, "ops", "maplesyrup", "", "privacy password"},
        {"a short privacy password", 2, "ops", "maplesyrup", "short", "at least 8"},
        {"authPriv with both", 2, "ops", "maplesyrup", "syrup-for-privacy", ""},
        {"4 characters of 2 bytes are 8 bytes, as the key derivation counts", 1, "ops",
         "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        TFilledDialog dialog;
        Choose(dialog->VersionBox, 3);
        Choose(dialog->SecurityLevelBox, c.level);
        dialog->UserEdit->setText(QString::fromUtf8(c.user));
        dialog->AuthPasswordEdit->setText(QString::fromUtf8(c.authPassword));
        dialog->PrivPasswordEdit->setText(QString::fromUtf8(c.privPassword));
        dialog->accept();
        const bool accepted = c.reason[0] == '\0';
        EXPECT_EQ(dialog->result(), accepted ? QDialog::Accepted : QDialog::Rejected);
        if (!accepted) {
            EXPECT_TRUE(dialog->Problem->text().contains(QLatin1String(c.reason)))
                << dialog->Problem->text().toStdString();
            dialog->Test();  // refused before anything is sent
            EXPECT_EQ(dialog->TestResult->text(), dialog->Problem->text());
        }
    }
}

// Saves the dialog's view, checks the file's permissions and loads it again.
struct TSaved {
    TSessionSettings written;
    TSessionSettings loaded;
    QDomElement shooter;
    QFileDevice::Permissions permissions;
};

TSaved SaveAndLoad(const TNewViewDialog& dialog, const QString& path)
{
    TSaved saved;
    saved.written = dialog.ViewSettings();
    EXPECT_EQ(WriteVexgridFile(path, saved.written), "");
    saved.permissions = QFile::permissions(path);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QDomDocument document;
    EXPECT_TRUE(document.setContent(&file));
    saved.shooter = document.documentElement().firstChildElement(QStringLiteral("shooter"));
    ApplyDefaultSettings(saved.loaded);
    const TVexgridLoadResult result = LoadVexgridSettings(path, saved.loaded);
    EXPECT_TRUE(result.loaded) << result.reason.toStdString();
    return saved;
}

auto V3Fields(const TV3Settings& v3)
{
    return std::tie(v3.user, v3.securityLevel, v3.authProtocol, v3.authPassword, v3.privProtocol,
                    v3.privPassword, v3.contextName, v3.authPasswordEnv, v3.privPasswordEnv);
}

void ExpectSameAgent(const TSaved& s)
{
    const TRequest& a = s.written.requestTemplate;
    const TRequest& b = s.loaded.requestTemplate;
    EXPECT_EQ(std::tie(a.remoteHost, a.remotePort, a.snmpVersion, a.community, a.oidList),
              std::tie(b.remoteHost, b.remotePort, b.snmpVersion, b.community, b.oidList));
    EXPECT_EQ(s.written.targetOids, s.loaded.targetOids);
    EXPECT_EQ(s.written.tableMode, s.loaded.tableMode);
}

// What a saved view holds beside the targets, and that the loader reads it back.
TEST(NewViewV3, SavedFileHoldsWhatTheVersionAndLevelUse)
{
    struct {
        int version, level;
        int field;                   // max-repetitions typed; -1 keeps the dialog's own
        const char* maxRepetitions;  // text of <maxrepetitions>; empty: no element
        bool authPassword, privPassword;
    } const cases[] = {
        {2, 2, -1, "25", false, false},  // the default of a new view
        {2, 2, 1000, "1000", false, false},
        {2, 2, 0, "", false, false},   // off: Get-Next walks
        {1, 2, 40, "", false, false},  // GetBulk has no SNMPv1 form
        {3, 0, -1, "25", false, false},
        {3, 1, 7, "7", true, false},  // the privacy password left in its field is not written
        {3, 2, -1, "25", true, true},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "version " << c.version << ", level " << c.level << ", field " << c.field);
        TFilledDialog dialog;
        Choose(dialog->VersionBox, c.version);
        Choose(dialog->SecurityLevelBox, c.level);
        dialog->UserEdit->setText(QStringLiteral("ops"));
        dialog->AuthPasswordEdit->setText(QStringLiteral("maplesyrup"));
        dialog->PrivPasswordEdit->setText(QStringLiteral("syrup-for-privacy"));
        if (c.field >= 0)
            dialog->MaxRepetitionsEdit->setValue(c.field);
        const TSaved saved = SaveAndLoad(*dialog.dialog, dir.filePath(QStringLiteral("view.xml")));
        const auto text = [&](const char* name) {
            return saved.shooter.firstChildElement(QLatin1String(name)).text();
        };
        EXPECT_EQ(text("maxrepetitions"), QLatin1String(c.maxRepetitions));
        EXPECT_EQ(!text("authpassword").isEmpty(), c.authPassword);
        EXPECT_EQ(!text("privpassword").isEmpty(), c.privPassword);
        if (c.authPassword) {
            EXPECT_EQ(saved.permissions & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);
        }
        ExpectSameAgent(saved);
        if (c.version == 3) {
            EXPECT_EQ(V3Fields(saved.loaded.v3), V3Fields(saved.written.v3));
        }
    }
}

TEST(NewViewV3, EveryProtocolPairComesBackFromTheFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("v3.xml"));
    // A readable file being replaced: the password must not inherit that.
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.close();
    old.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                       | QFileDevice::ReadOther);
    for (int auth = 1; auth <= 6; ++auth) {
        for (int priv = 1; priv <= 4; ++priv) {
            SCOPED_TRACE(testing::Message() << "auth " << auth << ", priv " << priv);
            TFilledDialog dialog;
            Choose(dialog->VersionBox, 3);
            Choose(dialog->SecurityLevelBox, 2);
            dialog->UserEdit->setText(QStringLiteral("ops"));
            Choose(dialog->AuthProtocolBox, auth);
            dialog->AuthPasswordEdit->setText(QStringLiteral("maple<&>syrup"));
            Choose(dialog->PrivProtocolBox, priv);
            dialog->PrivPasswordEdit->setText(QStringLiteral("syrup for privacy"));
            dialog->ContextEdit->setText(QStringLiteral("vlan7"));
            dialog->MaxRepetitionsEdit->setValue(10);
            dialog->accept();
            ASSERT_EQ(dialog->result(), QDialog::Accepted) << dialog->Problem->text().toStdString();
            const TSaved saved = SaveAndLoad(*dialog.dialog, path);
            EXPECT_EQ(saved.written.v3.authProtocol, auth);
            EXPECT_EQ(saved.written.v3.privProtocol, priv);
            EXPECT_EQ(V3Fields(saved.loaded.v3), V3Fields(saved.written.v3));
            ExpectSameAgent(saved);
            EXPECT_EQ(saved.permissions & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);
            EXPECT_TRUE(saved.loaded.v3.fileWarning.isEmpty());
        }
    }
}

TEST(NewViewV3, PasswordFromAVariableStaysInTheVariable)
{
    setenv("VEXGRID_TEST_DIALOG_AUTH", "from-the-environment", 1);
    TSessionSettings current;
    ApplyDefaultSettings(current);
    current.requestTemplate.snmpVersion = 3;
    current.v3.user = QStringLiteral("ops");
    current.v3.securityLevel = 2;
    current.v3.authProtocol = 4;
    current.v3.authPassword = QStringLiteral("from-the-environment");
    current.v3.authPasswordEnv = QStringLiteral("VEXGRID_TEST_DIALOG_AUTH");
    current.v3.privProtocol = 3;
    current.v3.privPassword = QStringLiteral("typed-privacy");
    TFilledDialog dialog;
    dialog->SetAgent(current);
    EXPECT_EQ(dialog->MaxRepetitionsEdit->value(), TNewViewDialog::kDefaultMaxRepetitions);

    QTemporaryDir dir;
    const TSaved kept = SaveAndLoad(*dialog.dialog, dir.filePath(QStringLiteral("kept.xml")));
    EXPECT_EQ(kept.shooter.firstChildElement(QStringLiteral("authpasswordenv")).text(),
              "VEXGRID_TEST_DIALOG_AUTH");
    EXPECT_TRUE(kept.shooter.firstChildElement(QStringLiteral("authpassword")).isNull());
    EXPECT_EQ(V3Fields(kept.loaded.v3), V3Fields(current.v3));

    // A password typed over the variable's is the user's new password.
    dialog->AuthPasswordEdit->setText(QStringLiteral("typed-instead"));
    const TSaved typed = SaveAndLoad(*dialog.dialog, dir.filePath(QStringLiteral("typed.xml")));
    EXPECT_EQ(typed.shooter.firstChildElement(QStringLiteral("authpassword")).text(), "typed-instead");
    EXPECT_TRUE(typed.shooter.firstChildElement(QStringLiteral("authpasswordenv")).isNull());
    EXPECT_EQ(typed.loaded.v3.authPassword, "typed-instead");
}

}  // namespace
