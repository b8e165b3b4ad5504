#include "core/ProgramOptions.h"

#include <QTemporaryDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

struct TOptionsCase {
    const char* why;
    QStringList args;
    TProgramAction action;
    QStringList arguments;  // what start-up reads; "<file>" stands for an existing file
    QStringList warnings;
};

TEST(ProgramOptions, FormsOfTheCommandLine)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("view.vexgrid.xml"));
    QFile(file).open(QIODevice::WriteOnly);
    const QString missing = dir.filePath(QStringLiteral("missing.xml"));
    const auto subst = [&](QStringList list) {
        list.replaceInStrings(QStringLiteral("<file>"), file);
        return list;
    };

    const TOptionsCase cases[] = {
        {"long help", {"--help"}, TProgramAction::ShowHelp, {}, {}},
        {"short help after a switch with its value",
         {"/HOST", "h", "-h"},
         TProgramAction::ShowHelp,
         {"/HOST", "h"},
         {}},
        {"version", {"--version"}, TProgramAction::ShowVersion, {}, {}},
        {"the value of a switch is no option",
         {"/PROGRAMTITLE", "--version"},
         TProgramAction::Run,
         {"/PROGRAMTITLE", "--version"},
         {}},
        {"a lone existing file opens as /XML would", {"<file>"}, TProgramAction::Run, {"/XML", "<file>"}, {}},
        {"a lone missing file is left for start-up",
         QStringList{missing},
         TProgramAction::Run,
         {missing},
         {}},
        {"a file with other arguments is no lone file",
         {"<file>", "x"},
         TProgramAction::Run,
         {"<file>", "x"},
         {}},
        {"unknown slash switch",
         {"/HSOT", "x"},
         TProgramAction::Run,
         {"x"},
         {"unknown switch /HSOT ignored"}},
        {"unknown double-dash switch",
         {"--x", "/HOST", "h"},
         TProgramAction::Run,
         {"/HOST", "h"},
         {"unknown switch --x ignored"}},
        {"known switches in any letter case",
         {"/host", "h", "/Width", "300"},
         TProgramAction::Run,
         {"/host", "h", "/Width", "300"},
         {}},
        {"a path is never a switch",
         {"/XML", "/tmp/a/b.xml"},
         TProgramAction::Run,
         {"/XML", "/tmp/a/b.xml"},
         {}},
        {"a path in switch position is no switch either", {"/tmp/x"}, TProgramAction::Run, {"/tmp/x"}, {}},
        {"a switch name after /EXPORT is the next switch",
         {"/EXPORT", "/XML", "<file>"},
         TProgramAction::Run,
         {"/EXPORT", "/XML", "<file>"},
         {}},
        {"trap switches pass; --traps takes no value, so what follows is read as a switch",
         {"--traps", "--x", "/TRAPS", "--trap-port", "1162", "--trap-log", "/tmp/t.csv"},
         TProgramAction::Run,
         {"--traps", "/TRAPS", "--trap-port", "1162", "--trap-log", "/tmp/t.csv"},
         {"unknown switch --x ignored"}},
        {"metrics switches pass with their endpoint",
         {"--metrics", "127.0.0.2:9469", "/metrics", "9470"},
         TProgramAction::Run,
         {"--metrics", "127.0.0.2:9469", "/metrics", "9470"},
         {}},
        {"slash with digits is no switch",
         {"/HOST", "h", "/5"},
         TProgramAction::Run,
         {"/HOST", "h", "/5"},
         {}},
    };
    for (const TOptionsCase& c : cases) {
        SCOPED_TRACE(c.why);
        const TProgramOptions options = ReadProgramOptions(subst(c.args));
        EXPECT_EQ(options.action, c.action);
        if (c.action == TProgramAction::Run) {
            EXPECT_EQ(options.arguments, subst(c.arguments));
        }
        EXPECT_EQ(options.warnings, c.warnings);
    }
}

TEST(ProgramOptions, VersionIsTheBuildVersion)
{
    EXPECT_EQ(VersionText(), QStringLiteral("HB_Vexgrid " VEXGRID_PROJECT_VERSION "\n"));
}

TEST(ProgramOptions, UsageShowsBothSyntaxes)
{
    const QString usage = UsageText();
    for (const char* form : {"/XML", "/HOST", "/EXPORT", "--help", "--version", "file.xml"})
        EXPECT_TRUE(usage.contains(QLatin1String(form))) << form;
}

}  // namespace
