// Reading CSV back in tests: strictly, as the export writes it, and with
// Python's csv module as an independent reader.
#pragma once

#include "core/ChildProcess.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QString>
#include <QStringList>
#include <QVector>

#include <gtest/gtest.h>

#include <optional>

namespace vxtest {

using TRecords = QVector<QStringList>;

// Parses CSV as written by the export: RFC 4180 with CR LF after every record
// (the last included). Returns nothing for text that is not such CSV, for
// example a file cut off in the middle.
inline std::optional<TRecords> ParseCsv(const QByteArray& text)
{
    const QString s = QString::fromUtf8(text);
    TRecords records;
    QStringList record;
    QString field;
    qsizetype i = 0;
    while (i < s.size()) {
        if (s[i] == QLatin1Char('"')) {
            // Quoted field: up to the quote that is not doubled.
            ++i;
            for (;;) {
                if (i >= s.size())
                    return std::nullopt;  // cut off inside quotes
                if (s[i] == QLatin1Char('"')) {
                    if (i + 1 < s.size() && s[i + 1] == QLatin1Char('"')) {
                        field += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += s[i++];
            }
        } else {
            while (i < s.size() && s[i] != QLatin1Char(',') && s[i] != QLatin1Char('\r')) {
                if (s[i] == QLatin1Char('"') || s[i] == QLatin1Char('\n'))
                    return std::nullopt;  // only quoted fields may hold these
                field += s[i++];
            }
        }
        if (i >= s.size())
            return std::nullopt;  // a record must end with CR LF
        if (s[i] == QLatin1Char(',')) {
            record << field;
            field.clear();
            ++i;
        } else if (s.mid(i, 2) == QLatin1String("\r\n")) {
            record << field;
            field.clear();
            records << record;
            record.clear();
            i += 2;
        } else {
            return std::nullopt;
        }
    }
    return records;
}

// Reads `path` with Python's csv module.
inline TRecords ReadWithPythonCsv(const QString& path)
{
    TChildProcess python;
    const bool started =
        python.Start(QStringLiteral("python3"),
                     {QStringLiteral("-c"),
                      QStringLiteral("import csv, json, sys\n"
                                     "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                                     "    print(json.dumps(list(csv.reader(f))))\n"),
                      path},
                     TChildProcess::TErrors::MergedIntoOutput);
    EXPECT_TRUE(started) << "python3: " << python.Error().toStdString();
    python.CloseInput();
    EXPECT_TRUE(python.WaitForFinished(20000)) << "python3 did not finish";
    const QByteArray output = python.TakeOutput();
    EXPECT_EQ(python.ExitCode(), 0) << output.toStdString();
    TRecords records;
    for (const auto& record : QJsonDocument::fromJson(output).array()) {
        QStringList fields;
        for (const auto& field : record.toArray())
            fields << field.toString();
        records << fields;
    }
    return records;
}

}  // namespace vxtest
