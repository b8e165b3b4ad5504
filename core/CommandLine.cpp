#include "core/CommandLine.h"

#include "core/ProgramOptions.h"
#include "core/RangeChecks.h"

namespace {

// Index of the first argument equal to `name` in any letter case, or -1.
qsizetype FindSwitch(const QStringList& args, QStringView name)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

// Hands the value after switch `name` to `store`, unless the switch is absent
// or is the last argument.
template <typename Store>
void TakeSwitch(const QStringList& args, QStringView name, Store store)
{
    const qsizetype at = FindSwitch(args, name);
    if (at >= 0 && at + 1 < args.size())
        store(args[at + 1]);
}

}  // namespace

QString ParseCommandLine(const QStringList& args, TSessionSettings& settings)
{
    if (args.isEmpty())
        return QString();

    // "/EXPORT" is the one switch that goes with "/XML" as well. Followed by
    // another switch it has no value: "/EXPORT /XML plan.xml" must not write
    // the table to a file called "/XML".
    TakeSwitch(args, u"/EXPORT", [&](const QString& v) {
        if (!IsKnownSwitch(v))
            settings.exportPath = v;
    });

    const qsizetype xmlAt = FindSwitch(args, u"/XML");
    if (xmlAt >= 0) {
        if (xmlAt + 1 >= args.size())
            throw ECommandLine("/XML needs the name of a vexgrid file after it");
        return args[xmlAt + 1];
    }

    // Each switch is looked up on its own, so the value of one switch can be
    // the name of another: "/HOST /COMMUNITY x" sets both.
    TakeSwitch(args, u"/HOST", [&](const QString& v) { settings.requestTemplate.remoteHost = v; });
    TakeSwitch(args, u"/COMMUNITY", [&](const QString& v) { settings.requestTemplate.community = v; });
    TakeSwitch(args, u"/PROGRAMTITLE", [&](const QString& v) { settings.programTitle = v; });
    TakeSwitch(args, u"/WIDTH", [&](const QString& v) { settings.windowWidth = ValidWidth(v); });
    TakeSwitch(args, u"/HEIGHT", [&](const QString& v) { settings.windowHeight = ValidHeight(v); });
    return QString();
}
