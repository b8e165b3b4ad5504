// Helpers of the export tests: running the real main window against a real
// agent (vexgrid files, waiting for shoots), and reading CSV back, strictly in
// C++ and with Python's csv module.
#pragma once

#include "CsvRecords.h"
#include "EventPump.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>

class TForm1;

// Readable texts in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace exporttest {

using vxtest::TRecords;

// One shooter target: an OID and its instance (".0"; empty: walk it).
struct TTarget {
    QString oid;
    QString instance;
};

// Writes a vexgrid file `name` into `folder` for an agent on 127.0.0.1:port
// and returns its path.
QString WriteVexgridFile(const QString& folder, const QString& name, int port, const QString& community,
                         const QVector<TTarget>& targets, int snmpVersion = 2);

// The snmprec line of an octet string given as raw bytes (hex, type 4x), so
// that any byte (tab, CR, LF, quote, non-ASCII) reaches the agent unchanged.
QString OctetRecord(const QString& oid, const QByteArray& bytes);

// Pumps the event loop until `done` holds; false after the guard time, which
// only keeps a broken agent from hanging the test.
using vxtest::PumpUntil;

// Counts the window's finished shoots from the moment it is made.
class TShootCounter {
public:
    explicit TShootCounter(TForm1& form);
    ~TShootCounter();
    TShootCounter(const TShootCounter&) = delete;
    TShootCounter& operator=(const TShootCounter&) = delete;

    int Count() const { return count; }
    // Pumps until at least `n` shoots have finished since construction.
    bool WaitFor(int n, int guardMs = 30000);

private:
    QMetaObject::Connection connection;
    int count = 0;
};

// Reading the export file back (CsvRecords.h).
using vxtest::ParseCsv;
using vxtest::ReadWithPythonCsv;

// The snmpsim agent of these tests, community kCommunity: the system group
// and a four-row table with awkward texts (see ExportTestSupport.cpp). It is
// started on first use and shared by every test of the binary.
inline const QString kCommunity = QStringLiteral("export");
::testing::AssertionResult StartSharedAgent(int* port);

// The whole file, or nothing when it cannot be read.
std::optional<QByteArray> ReadFile(const QString& path);

// The snmpsim table of the export data and the targets the tests shoot.
inline const QString kTable = QStringLiteral("1.3.6.1.4.1.55555.7.1");
QVector<TTarget> SystemTargets();
QVector<TTarget> TableTargets();

}  // namespace exporttest
