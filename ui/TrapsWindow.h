// TTrapsWindow: "Traps and informs", the notifications the device sent on
// its own. Where they are received (the bound port, a port field to change
// it), a filter box, Pause, Clear, Copy and Export CSV... over the list of
// notifications, newest on top, and a detail pane with the bindings of the
// one selected. The list, the listener and the log are the window's
// TTrapCenter's; closing the window only hides it. "SNMPv3 users..." opens
// TTrapUsersDialog (TrapsWindowUsers.cpp).
#pragma once

#include "traps/TrapUsers.h"

#include <QDialog>
#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTimer;
class QTreeView;
class QTreeWidget;
class TTrapCenter;
class TTrapFilter;
struct TTrapRecord;

class TTrapsWindow : public QWidget {
    Q_OBJECT
public:
    TTrapsWindow(TTrapCenter& center, QWidget* parent = nullptr);

    // Writes the notifications shown (filtered, newest first) to path as
    // CSV; the empty text when written, else why not.
    QString ExportCsv(const QString& path) const;
    // The CSV text of the selected notifications (all shown when none is
    // selected), as Copy puts it on the clipboard.
    QString SelectionText() const;
    void SetFilterText(const QString& text);

    QTreeView* List() const { return list; }
    QTreeWidget* Details() const { return details; }
    QString ListeningText() const;
    QString CountsText() const;

private:
    QWidget* CreateListenRow();
    QWidget* CreateToolRow();
    void ShowDetails();
    void ShowRecord(const TTrapRecord& record);
    void ShowListening();
    void ShowCounts();
    void ListenClicked();
    void ExportClicked();
    void UsersClicked();

    TTrapCenter& center;
    TTrapFilter* filter = nullptr;
    QLabel* listening = nullptr;
    QSpinBox* portBox = nullptr;
    QLineEdit* filterBox = nullptr;
    QPushButton* pauseButton = nullptr;
    QTreeView* list = nullptr;
    QLabel* heading = nullptr;
    QTreeWidget* details = nullptr;
    QLabel* counts = nullptr;
    QTimer* countsTimer = nullptr;
};

// The SNMPv3 users whose notifications are taken: a row each, kept and taken
// by the listener when OK is pressed; a user that cannot be taken (a short
// password, a protocol missing) keeps the dialog open and says why.
class TTrapUsersDialog : public QDialog {
    Q_OBJECT
public:
    TTrapUsersDialog(TTrapCenter& center, QWidget* parent = nullptr);
    QVector<TTrapUser> Users() const;
    void SetUsers(const QVector<TTrapUser>& users);
    // OK: hands the users to the center; closes when every one was taken.
    void Apply();
    QString ProblemsText() const;

private:
    void AddRow(const TTrapUser& user);

    TTrapCenter& center;
    QTableWidget* table = nullptr;
    QLabel* problems = nullptr;
};
