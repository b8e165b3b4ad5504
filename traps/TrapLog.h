// TTrapLog: "--trap-log FILE" appends every notification as it arrives to a
// CSV file (TrapCsv.h), for scripts and for keeping a record. A new or empty
// file gets the header first. Each line is flushed at once, so a script
// reading the file sees every notification taken so far.
#pragma once

#include "traps/TrapRecord.h"

#include <QFile>
#include <QString>

class TTrapLog {
public:
    // Opens path for appending; false, with Error() saying why, when it
    // cannot be opened.
    bool Open(const QString& path);
    bool IsOpen() const { return file.isOpen(); }
    // Appends the record's line. A failed write is counted and said by
    // Error(); the next record is tried again.
    void Write(const TTrapRecord& record);
    QString Error() const { return error; }
    qint64 Failed() const { return failed; }

private:
    QFile file;
    QString error;
    qint64 failed = 0;
};
