// Appends shoots of ROWS rows to the recording DB until it is killed, and
// says "committed N" after each. For the test of a writer killed mid-shoot.
#include "HistoryShoots.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: history_writer_helper DB ROWS\n");
        return 2;
    }
    THistoryDatabase database;
    if (!database.Open(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "%s\n", qPrintable(database.LastError()));
        return 1;
    }
    const int rows = QByteArray(argv[2]).toInt();
    for (int serial = 1;; ++serial) {
        if (!database.Append(MadeShoot(serial, rows, QDateTime::currentMSecsSinceEpoch()))) {
            std::fprintf(stderr, "%s\n", qPrintable(database.LastError()));
            return 1;
        }
        std::printf("committed %d\n", serial);
        std::fflush(stdout);
    }
}
