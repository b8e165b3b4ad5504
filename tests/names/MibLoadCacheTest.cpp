// The cache of a load of MIB modules: a load whose files have not changed
// takes its names from the cache without the reader; any change, a broken
// cache file or another reader reads the modules again, with the same names.
#include "names/MibLoader.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>

namespace {

const QString mibData = QStringLiteral(VEXGRID_TEST_DATA "/mibs");

// Everything a load gives, as lines: a cached load must give the same.
QStringList Lines(const TMibLoadResult& result)
{
    QStringList lines;
    for (const TMibModuleFile& module : result.modules)
        lines << QStringLiteral("read %1 %2").arg(module.module, module.file);
    for (const TMibProblem& problem : result.problems)
        lines << QStringLiteral("problem %1 %2 %3").arg(problem.module, problem.file, problem.reason);
    for (const TMibObject& object : result.names->Objects()) {
        QString labels;
        for (const TMibLabel& label : object.labels)
            labels += QStringLiteral(" %1=%2").arg(label.value).arg(label.label);
        lines << QStringList{object.oid,
                             object.name,
                             object.module,
                             QString::number(int(object.kind)),
                             object.type,
                             object.textualConvention,
                             object.displayHint,
                             object.index.join(QLatin1Char(',')),
                             object.impliedLast ? "implied" : "",
                             object.file,
                             labels,
                             object.units,
                             object.access,
                             object.status,
                             object.description}
                     .join(QLatin1Char('|'));
    }
    return lines;
}

// A module folder (the base modules, two valid ones, a broken one), a
// cache folder and readers that count their runs before they run the real one.
class TCachedLoad {
public:
    TCachedLoad()
    {
        for (const char* file : {"/base/SNMPv2-SMI.txt", "/base/SNMPv2-TC.txt", "/valid/VEXTEST-MIB.txt",
                                 "/valid/VEXTEST-OVERRIDE-MIB.txt", "/broken/BROKEN-SYNTAX-MIB.txt"})
            QFile::copy(mibData + file, Module(QString::fromLatin1(file).section(QLatin1Char('/'), -1)));
        request.extraPaths = {modules.path()};
        request.cacheFolder = cache.path();
        request.readerProgram = CountingReader(QStringLiteral("reader"));
    }

    QString Module(const QString& name) const { return modules.filePath(name); }

    QString CountingReader(const QString& name) const
    {
        const QString path = programs.filePath(name);
        QFile script(path);
        if (script.open(QIODevice::WriteOnly)) {
            script.write(QStringLiteral("#!/bin/sh\necho run >>'%1'\nexec '%2'\n")
                             .arg(programs.filePath(QStringLiteral("runs")), MibReaderProgram())
                             .toUtf8());
            script.close();
            script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
        }
        return path;
    }

    // The runs of the readers since the last call.
    int TakeRuns() const
    {
        QFile runs(programs.filePath(QStringLiteral("runs")));
        const int count = runs.open(QIODevice::ReadOnly) ? int(runs.readAll().count('\n')) : 0;
        runs.remove();
        return count;
    }

    QString CacheFile() const
    {
        const QStringList files = QDir(cache.path()).entryList(QDir::Files);
        return files.size() == 1 ? cache.filePath(files.first()) : QString();
    }

    TMibLoadRequest request;

private:
    QTemporaryDir modules;
    QTemporaryDir cache;
    QTemporaryDir programs;
};

bool Rewrite(const QString& path, const std::function<QByteArray(QByteArray)>& change)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = change(file.readAll());
    file.close();
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The bytes with one character of the first object record changed.
QByteArray FlipInObject(QByteArray bytes)
{
    const qsizetype at = bytes.indexOf("\nO\t1.3.6.1.4.1.99999");
    if (at >= 0)
        bytes[at + 10] = '7';
    return bytes;
}

}  // namespace

TEST(MibLoadCache, ReadsAgainExactlyWhenSomethingTheNamesDependOnChanged)
{
    using TChange = std::function<bool(TCachedLoad&)>;
    const struct {
        const char* change;
        TChange apply;
        int runs;  // of the reader in the load after the change
    } cases[] = {
        {"nothing", [](TCachedLoad&) { return true; }, 0},
        {"a module file touched",
         [](TCachedLoad& load) {
             QFile file(load.Module(QStringLiteral("VEXTEST-MIB.txt")));
             return file.open(QIODevice::ReadWrite)
                 && file.setFileTime(file.fileTime(QFileDevice::FileModificationTime).addSecs(-3600),
                                     QFileDevice::FileModificationTime);
         },
         1},
        {"a module file added",
         [](TCachedLoad& load) {
             return QFile::copy(mibData + "/broken/BROKEN-IMPORT-MIB.txt",
                                load.Module(QStringLiteral("BROKEN-IMPORT-MIB.txt")));
         },
         1},
        {"a module file removed",
         [](TCachedLoad& load) {
             return QFile::remove(load.Module(QStringLiteral("VEXTEST-OVERRIDE-MIB.txt")));
         },
         1},
        {"another reader",
         [](TCachedLoad& load) {
             load.request.readerProgram = load.CountingReader(QStringLiteral("other-reader"));
             return true;
         },
         1},
        {"cache cut in half",
         [](TCachedLoad& load) {
             return Rewrite(load.CacheFile(), [](QByteArray b) { return b.left(b.size() / 2); });
         },
         1},
        {"cache with a changed object",
         [](TCachedLoad& load) { return Rewrite(load.CacheFile(), FlipInObject); }, 1},
        {"cache with its last line gone",
         [](TCachedLoad& load) {
             return Rewrite(load.CacheFile(),
                            [](QByteArray b) { return b.left(b.lastIndexOf("\nE\t") + 1); });
         },
         1},
        {"cache empty",
         [](TCachedLoad& load) { return Rewrite(load.CacheFile(), [](QByteArray) { return QByteArray(); }); },
         1},
        {"cache of something else",
         [](TCachedLoad& load) {
             return Rewrite(load.CacheFile(), [](QByteArray) { return QByteArray(8192, '\xff'); });
         },
         1},
    };
    for (const auto& c : cases) {
        TCachedLoad load;
        const TMibLoadResult first = LoadMibModules(load.request);
        ASSERT_EQ(load.TakeRuns(), 1) << c.change;
        ASSERT_FALSE(first.fromCache);
        ASSERT_FALSE(load.CacheFile().isEmpty()) << c.change;
        ASSERT_TRUE(c.apply(load)) << c.change;
        const TMibLoadResult second = LoadMibModules(load.request);
        EXPECT_EQ(load.TakeRuns(), c.runs) << c.change;
        EXPECT_EQ(second.fromCache, c.runs == 0) << c.change;
        // Whatever happened to the cache, the names are those of a fresh read.
        TMibLoadRequest uncached = load.request;
        uncached.cacheFolder.clear();
        EXPECT_EQ(Lines(second), Lines(LoadMibModules(uncached))) << c.change;
        // A read after a change is kept in its turn.
        EXPECT_TRUE(LoadMibModules(load.request).fromCache) << c.change;
    }
}

TEST(MibLoadCache, KeepsTheProblemsForTheModulesDialog)
{
    TCachedLoad load;
    const TMibLoadResult first = LoadMibModules(load.request);
    const TMibLoadResult second = LoadMibModules(load.request);
    ASSERT_TRUE(second.fromCache);
    EXPECT_EQ(load.TakeRuns(), 1);
    ASSERT_EQ(second.problems.size(), 1);
    EXPECT_EQ(second.problems.first().module, QStringLiteral("BROKEN-SYNTAX-MIB"));
    EXPECT_TRUE(second.problems.first().reason.contains(QLatin1String("syntax error")));
    EXPECT_EQ(Lines(second), Lines(first));
    EXPECT_NE(second.names->LookupName(QStringLiteral("vexTestState")), nullptr);
}

TEST(MibLoadCache, ALoadCutShortIsNotKept)
{
    TCachedLoad load;
    const QString working = load.request.readerProgram;
    load.request.readerProgram = mibData + QStringLiteral("/no-such-reader");
    EXPECT_EQ(LoadMibModules(load.request).problems.size(), 1);  // the reader, not the modules
    EXPECT_TRUE(load.CacheFile().isEmpty());

    std::atomic<bool> cancel{true};
    load.request.readerProgram = working;
    LoadMibModules(load.request, &cancel);
    EXPECT_TRUE(load.CacheFile().isEmpty());
}
