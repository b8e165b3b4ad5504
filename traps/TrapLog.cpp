#include "traps/TrapLog.h"

#include "traps/TrapCsv.h"

bool TTrapLog::Open(const QString& path)
{
    file.setFileName(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        error = QStringLiteral("Trap log %1 cannot be opened: %2").arg(path, file.errorString());
        return false;
    }
    if (file.size() == 0 && file.write(TrapCsvHeader()) < 0)
        error = QStringLiteral("Trap log %1: %2").arg(path, file.errorString());
    file.flush();
    return true;
}

void TTrapLog::Write(const TTrapRecord& record)
{
    if (!file.isOpen())
        return;
    const QByteArray line = TrapCsvLine(record);
    if (file.write(line) != line.size() || !file.flush()) {
        ++failed;
        error = QStringLiteral("Trap log %1: %2").arg(file.fileName(), file.errorString());
    }
}
