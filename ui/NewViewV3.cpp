// The SNMPv3 user of the New View dialog: its fields, what they start with,
// and why a user cannot be used as typed.
#include "ui/NewViewDialog.h"

#include "config/VexgridV3.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>

#include <algorithm>

namespace {

// The choices of the SNMPv3 fields at the protocol numbers of TV3Settings.
struct TChoice {
    const char* text;
    int value;
};
const TChoice kSecurityLevels[] = {{"noAuthNoPriv", 0}, {"authNoPriv", 1}, {"authPriv", 2}};
const TChoice kAuthProtocols[] = {{"MD5", 1},     {"SHA", 2},     {"SHA-224", 3},
                                  {"SHA-256", 4}, {"SHA-384", 5}, {"SHA-512", 6}};
const TChoice kPrivProtocols[] = {{"DES (weak)", 1}, {"AES-128", 2}, {"AES-192", 3}, {"AES-256", 4}};

// What a new SNMPv3 user starts with: authPriv with SHA and AES-128, the pair
// most agents have.
constexpr int kStartLevel = 2;
constexpr int kStartAuthProtocol = 2;
constexpr int kStartPrivProtocol = 2;

template <std::size_t N>
QComboBox* ChoiceBox(const TChoice (&choices)[N], int start, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    for (const TChoice& choice : choices)
        box->addItem(QString::fromLatin1(choice.text), choice.value);
    box->setCurrentIndex(std::max(0, box->findData(start)));
    return box;
}

void SelectData(QComboBox* box, int value, int otherwise)
{
    const int at = box->findData(value);
    box->setCurrentIndex(at >= 0 ? at : std::max(0, box->findData(otherwise)));
}

// Why a password of the security level cannot be used; empty when it can.
QString PasswordProblem(const QString& password, const QString& what, const QString& level)
{
    if (password.isEmpty())
        return QStringLiteral("The security level %1 needs the %2 password.").arg(level, what);
    if (!IsV3PasswordLongEnough(password))
        return QStringLiteral("The %1 password must have at least %2 characters (RFC 3414); agents refuse "
                              "shorter ones.")
            .arg(what)
            .arg(kMinV3PasswordLength);
    return {};
}

}  // namespace

QWidget* TNewViewDialog::CreateV3Box()
{
    V3Box = new QGroupBox(QStringLiteral("SNMPv3 user"), this);
    auto* form = new QFormLayout(V3Box);
    UserEdit = new QLineEdit(V3Box);
    form->addRow(QStringLiteral("Us&er:"), UserEdit);
    SecurityLevelBox = ChoiceBox(kSecurityLevels, kStartLevel, V3Box);
    connect(SecurityLevelBox, &QComboBox::currentIndexChanged, this, &TNewViewDialog::UpdateAgentFields);
    form->addRow(QStringLiteral("Security &level:"), SecurityLevelBox);

    const auto passwordEdit = [this] {
        auto* edit = new QLineEdit(V3Box);
        edit->setEchoMode(QLineEdit::Password);
        edit->setPlaceholderText(QStringLiteral("%1 or more characters").arg(kMinV3PasswordLength));
        return edit;
    };
    AuthProtocolBox = ChoiceBox(kAuthProtocols, kStartAuthProtocol, V3Box);
    form->addRow(QStringLiteral("Authenticatio&n:"), AuthProtocolBox);
    AuthPasswordEdit = passwordEdit();
    form->addRow(QStringLiteral("Authentication pass&word:"), AuthPasswordEdit);
    PrivProtocolBox = ChoiceBox(kPrivProtocols, kStartPrivProtocol, V3Box);
    form->addRow(QStringLiteral("Privac&y:"), PrivProtocolBox);
    PrivPasswordEdit = passwordEdit();
    form->addRow(QStringLiteral("Privacy password:"), PrivPasswordEdit);
    RevealPasswords = new QCheckBox(QStringLiteral("Show passwords"), V3Box);
    connect(RevealPasswords, &QCheckBox::toggled, this, [this](bool shown) {
        for (QLineEdit* edit : {AuthPasswordEdit, PrivPasswordEdit})
            edit->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
    });
    form->addRow(QString(), RevealPasswords);
    ContextEdit = new QLineEdit(V3Box);
    ContextEdit->setPlaceholderText(QStringLiteral("optional"));
    form->addRow(QStringLiteral("Conte&xt:"), ContextEdit);
    return V3Box;
}

void TNewViewDialog::SetV3User(const TV3Settings& v3)
{
    UserEdit->setText(v3.user);
    SelectData(SecurityLevelBox, v3.securityLevel, kStartLevel);
    SelectData(AuthProtocolBox, v3.authProtocol, kStartAuthProtocol);
    AuthPasswordEdit->setText(v3.authPassword);
    SelectData(PrivProtocolBox, v3.privProtocol, kStartPrivProtocol);
    PrivPasswordEdit->setText(v3.privPassword);
    ContextEdit->setText(v3.contextName);
}

TV3Settings TNewViewDialog::V3Settings() const
{
    TV3Settings v3;
    v3.user = UserEdit->text().trimmed();
    v3.securityLevel = SecurityLevelBox->currentData().toInt();
    v3.contextName = ContextEdit->text().trimmed();
    if (v3.securityLevel >= 1) {
        v3.authProtocol = AuthProtocolBox->currentData().toInt();
        v3.authPassword = AuthPasswordEdit->text();
        if (v3.authPassword == startV3.authPassword)
            v3.authPasswordEnv = startV3.authPasswordEnv;
    }
    if (v3.securityLevel == 2) {
        v3.privProtocol = PrivProtocolBox->currentData().toInt();
        v3.privPassword = PrivPasswordEdit->text();
        if (v3.privPassword == startV3.privPassword)
            v3.privPasswordEnv = startV3.privPasswordEnv;
    }
    return v3;
}

QString TNewViewDialog::AgentProblem() const
{
    if (VersionBox->currentData().toInt() != 3)
        return {};
    const TV3Settings v3 = V3Settings();
    if (v3.user.isEmpty())
        return QStringLiteral("SNMPv3 needs a user name.");
    const QString level = SecurityLevelBox->currentText();
    if (v3.securityLevel >= 1) {
        const QString problem = PasswordProblem(v3.authPassword, QStringLiteral("authentication"), level);
        if (!problem.isEmpty())
            return problem;
    }
    if (v3.securityLevel == 2)
        return PasswordProblem(v3.privPassword, QStringLiteral("privacy"), level);
    return {};
}
