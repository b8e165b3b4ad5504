// The traps window's "SNMPv3 users..." dialog: the users whose SNMPv3 traps
// and informs are taken, one row each (name, level, protocols, passwords),
// kept in the settings when OK is pressed and taken by the listener at once.
#include "ui/TrapsWindow.h"

#include "traps/TrapCenter.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

enum TUserColumn { ColName, ColLevel, ColAuth, ColAuthPassword, ColPriv, ColPrivPassword, UserColumns };
constexpr int kLevels = 3;
constexpr int kAuthProtocols = 6;
constexpr int kPrivProtocols = 4;
constexpr QSize kDialogSize{760, 320};

QComboBox* Choices(const QStringList& names, int chosen)
{
    auto* box = new QComboBox;
    box->addItems(names);
    box->setCurrentIndex(std::clamp(chosen, 0, int(names.size()) - 1));
    return box;
}

QLineEdit* PasswordField(const QString& text)
{
    auto* field = new QLineEdit(text);
    field->setEchoMode(QLineEdit::Password);
    return field;
}

}  // namespace

TTrapUsersDialog::TTrapUsersDialog(TTrapCenter& trapCenter, QWidget* parent)
    : QDialog(parent), center(trapCenter)
{
    setObjectName(QStringLiteral("TrapUsersDialog"));
    setWindowTitle(QStringLiteral("SNMPv3 users for notifications"));
    resize(kDialogSize);
    table = new QTableWidget(0, UserColumns, this);
    table->setObjectName(QStringLiteral("TrapUsers"));
    table->setHorizontalHeaderLabels({QStringLiteral("User"), QStringLiteral("Level"),
                                      QStringLiteral("Authentication"), QStringLiteral("Password"),
                                      QStringLiteral("Privacy"), QStringLiteral("Password")});
    table->horizontalHeader()->setStretchLastSection(true);
    for (const TTrapUser& user : center.KeptUsers())
        AddRow(user);
    problems = new QLabel(this);
    problems->setObjectName(QStringLiteral("TrapUserProblems"));
    problems->setTextFormat(Qt::PlainText);
    problems->setWordWrap(true);

    auto* add = new QPushButton(QStringLiteral("Add"), this);
    auto* remove = new QPushButton(QStringLiteral("Remove"), this);
    connect(add, &QPushButton::clicked, this, [this] { AddRow(TTrapUser{}); });
    connect(remove, &QPushButton::clicked, this, [this] { table->removeRow(table->currentRow()); });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TTrapUsersDialog::Apply);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(add);
    row->addWidget(remove);
    row->addStretch(1);
    row->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Traps are taken from these users with keys localized to the "
                                                "sender's engine ID; informs are sent to this program's "
                                                "engine ID, %1.")
                                     .arg(QString::fromLatin1(center.Listener().EngineId().toHex())),
                                 this));
    layout->addWidget(table, 1);
    layout->addWidget(problems);
    layout->addLayout(row);
}

void TTrapUsersDialog::AddRow(const TTrapUser& user)
{
    const int row = table->rowCount();
    table->insertRow(row);
    QStringList levels, auths, privs;
    for (int i = 0; i < kLevels; ++i)
        levels << LevelName(i);
    auths << QStringLiteral("(none)");
    for (int i = 1; i <= kAuthProtocols; ++i)
        auths << AuthProtocolName(i);
    privs << QStringLiteral("(none)");
    for (int i = 1; i <= kPrivProtocols; ++i)
        privs << PrivProtocolName(i);
    table->setCellWidget(row, ColName, new QLineEdit(user.name));
    table->setCellWidget(row, ColLevel, Choices(levels, user.level));
    table->setCellWidget(row, ColAuth, Choices(auths, user.auth));
    table->setCellWidget(row, ColAuthPassword, PasswordField(user.authPassword));
    table->setCellWidget(row, ColPriv, Choices(privs, user.priv));
    table->setCellWidget(row, ColPrivPassword, PasswordField(user.privPassword));
}

QVector<TTrapUser> TTrapUsersDialog::Users() const
{
    QVector<TTrapUser> users;
    for (int row = 0; row < table->rowCount(); ++row) {
        const auto text = [&](int column) {
            return qobject_cast<QLineEdit*>(table->cellWidget(row, column))->text();
        };
        const auto index = [&](int column) {
            return qobject_cast<QComboBox*>(table->cellWidget(row, column))->currentIndex();
        };
        TTrapUser user{text(ColName).trimmed(), index(ColLevel), index(ColAuth),
                       text(ColAuthPassword),   index(ColPriv),  text(ColPrivPassword)};
        // What the level does not use is not kept.
        if (user.level < 2) {
            user.priv = 0;
            user.privPassword.clear();
        }
        if (user.level < 1) {
            user.auth = 0;
            user.authPassword.clear();
        }
        users.append(user);
    }
    return users;
}

void TTrapUsersDialog::SetUsers(const QVector<TTrapUser>& users)
{
    table->setRowCount(0);
    for (const TTrapUser& user : users)
        AddRow(user);
}

void TTrapUsersDialog::Apply()
{
    const QStringList refused = center.ChangeUsers(Users());
    problems->setText(refused.join(u'\n'));
    if (refused.isEmpty())
        accept();
}

QString TTrapUsersDialog::ProblemsText() const { return problems->text(); }
