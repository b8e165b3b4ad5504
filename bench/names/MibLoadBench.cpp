// Times the reading of many MIB modules through the loader: generates the
// modules (each a table of ten columns and a few scalars, importing from the
// tests' base modules) and reads them as the start-up does, through the MIB
// reader process.
//   bench_mib_load [MODULES] [BASE_FOLDER]      (default: 300, the tests' base)
#include "names/MibLoader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

namespace {

// One module under enterprises.88000+n.
QByteArray ModuleText(int n)
{
    QString text;
    QTextStream out(&text);
    const QString name = QStringLiteral("BENCH%1-MIB").arg(n);
    const QString prefix = QStringLiteral("b%1").arg(n);
    out << name << " DEFINITIONS ::= BEGIN\nIMPORTS MODULE-IDENTITY, OBJECT-TYPE, enterprises, "
        << "Integer32, Counter64 FROM SNMPv2-SMI DisplayString FROM SNMPv2-TC;\n"
        << prefix << "MIB MODULE-IDENTITY LAST-UPDATED \"202612080000Z\" ORGANIZATION \"b\" "
        << "CONTACT-INFO \"b\" DESCRIPTION \"b\" REVISION \"202612080000Z\" DESCRIPTION \"b\" "
        << "::= { enterprises " << 88000 + n << " }\n";
    for (int s = 1; s <= 4; ++s) {
        out << prefix << "Scalar" << s << " OBJECT-TYPE SYNTAX INTEGER { on(1), off(2) } "
            << "MAX-ACCESS read-only STATUS current DESCRIPTION \"s\" ::= { " << prefix << "MIB " << s
            << " }\n";
    }
    out << prefix << "Table OBJECT-TYPE SYNTAX SEQUENCE OF " << prefix.toUpper()
        << "Entry MAX-ACCESS not-accessible STATUS current DESCRIPTION \"t\" ::= { " << prefix << "MIB 10 }\n"
        << prefix << "Entry OBJECT-TYPE SYNTAX " << prefix.toUpper()
        << "Entry MAX-ACCESS not-accessible STATUS current DESCRIPTION \"e\" INDEX { " << prefix
        << "Col1 } ::= { " << prefix << "Table 1 }\n"
        << prefix.toUpper() << "Entry ::= SEQUENCE { " << prefix << "Col1 Integer32";
    for (int c = 2; c <= 10; ++c)
        out << ", " << prefix << "Col" << c << (c % 2 ? " DisplayString" : " Counter64");
    out << " }\n"
        << prefix << "Col1 OBJECT-TYPE SYNTAX Integer32 (1..65535) MAX-ACCESS not-accessible "
        << "STATUS current DESCRIPTION \"c\" ::= { " << prefix << "Entry 1 }\n";
    for (int c = 2; c <= 10; ++c) {
        out << prefix << "Col" << c << " OBJECT-TYPE SYNTAX " << (c % 2 ? "DisplayString" : "Counter64")
            << " MAX-ACCESS read-only STATUS current DESCRIPTION \"c\" ::= { " << prefix << "Entry " << c
            << " }\n";
    }
    out << "END\n";
    return text.toUtf8();
}

}  // namespace

int main(int argc, char** argv)
{
    setenv("HB_VEXGRID_MIBREAD", VEXGRID_MIBREAD, 0);
    QCoreApplication app(argc, argv);
    const int modules = argc > 1 ? atoi(argv[1]) : 300;
    const QString base = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                  : QStringLiteral(VEXGRID_SOURCE_DIR "/tests/data/mibs/base");
    QTemporaryDir dir;
    for (int n = 0; n < modules; ++n) {
        QFile file(dir.filePath(QStringLiteral("BENCH%1-MIB.txt").arg(n)));
        if (!file.open(QIODevice::WriteOnly) || file.write(ModuleText(n)) < 0)
            return 1;
    }
    TMibLoadRequest request;
    request.extraPaths = {base, dir.path()};
    QElapsedTimer timer;
    timer.start();
    const TMibLoadResult result = LoadMibModules(request);
    const qint64 elapsed = timer.elapsed();
    std::printf("%d module files: %lld modules read, %d objects, %lld problems, %lld ms\n", modules,
                static_cast<long long>(result.modules.size()), result.loadedObjects,
                static_cast<long long>(result.problems.size()), static_cast<long long>(elapsed));
    return result.problems.isEmpty() ? 0 : 2;
}
