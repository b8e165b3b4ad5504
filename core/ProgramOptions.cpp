#include "core/ProgramOptions.h"

#include <QFileInfo>

namespace {

// "/" followed by letters only: the form of a switch, known or not.
bool LooksLikeSlashSwitch(const QString& arg)
{
    if (arg.size() < 2 || arg[0] != u'/')
        return false;
    for (qsizetype i = 1; i < arg.size(); ++i) {
        const QChar c = arg[i];
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')))
            return false;
    }
    return true;
}

bool LooksLikeSwitch(const QString& arg)
{
    return arg.startsWith(QStringLiteral("--")) || LooksLikeSlashSwitch(arg);
}

}  // namespace

bool IsKnownSwitch(const QString& arg)
{
    for (QStringView name :
         {u"/XML", u"/HOST", u"/COMMUNITY", u"/PROGRAMTITLE", u"/WIDTH", u"/HEIGHT", u"/EXPORT",
          u"--trap-port", u"--trap-log", u"--trap-user", u"--trap-auth", u"--trap-priv", u"--metrics",
          u"/METRICS", u"--export-module", u"--export-telegraf"}) {
        if (arg.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return IsFlagSwitch(arg);
}

bool IsFlagSwitch(const QString& arg)
{
    return arg.compare(u"/TRAPS", Qt::CaseInsensitive) == 0
        || arg.compare(u"--traps", Qt::CaseInsensitive) == 0;
}

TProgramOptions ReadProgramOptions(const QStringList& args)
{
    TProgramOptions options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (IsKnownSwitch(arg)) {
            options.arguments.append(arg);
            // The value of a switch is never looked at as a switch itself,
            // unless it is a known switch (which then has no value).
            if (!IsFlagSwitch(arg) && i + 1 < args.size() && !IsKnownSwitch(args[i + 1]))
                options.arguments.append(args[++i]);
            continue;
        }
        if (arg == QStringLiteral("--help") || arg == QStringLiteral("-h")) {
            options.action = TProgramAction::ShowHelp;
            return options;
        }
        if (arg == QStringLiteral("--version")) {
            options.action = TProgramAction::ShowVersion;
            return options;
        }
        if (LooksLikeSwitch(arg)) {
            options.warnings.append(QStringLiteral("unknown switch %1 ignored").arg(arg));
            continue;
        }
        options.arguments.append(arg);
    }
    // "Open with" and a double click hand over one file name and nothing else.
    if (options.arguments.size() == 1 && !IsKnownSwitch(options.arguments[0])
        && QFileInfo(options.arguments[0]).isFile())
        options.arguments.prepend(QStringLiteral("/XML"));
    return options;
}

QString ProgramVersion()
{
#ifdef VEXGRID_VERSION_TEXT
    return QStringLiteral(VEXGRID_VERSION_TEXT);
#else
    return QStringLiteral("0.0.0.0");
#endif
}

QString VersionText() { return QStringLiteral("HB_Vexgrid ") + ProgramVersion() + u'\n'; }

QString UsageText()
{
    return QStringLiteral("Usage: HB_Vexgrid /XML file.xml [/EXPORT table.csv]\n"
                          "       HB_Vexgrid [/HOST host] [/COMMUNITY community] [/PROGRAMTITLE title]\n"
                          "                  [/WIDTH w] [/HEIGHT h] [/EXPORT table.csv]\n"
                          "       HB_Vexgrid file.xml\n"
                          "       HB_Vexgrid --help | -h | --version\n"
                          "\n"
                          "Shows the SNMP values of one device as a live table.\n"
                          "\n"
                          "  /XML file.xml        the view of a vexgrid file (every other switch but\n"
                          "                       /EXPORT is then ignored)\n"
                          "  /HOST host           the agent (default localhost)\n"
                          "  /COMMUNITY text      the community (default tamvel)\n"
                          "  /PROGRAMTITLE text   the window's caption\n"
                          "  /WIDTH w, /HEIGHT h  the window's size in pixels\n"
                          "  /EXPORT table.csv    writes the table as CSV after every shoot\n"
                          "  --traps, /TRAPS      opens the traps window at start\n"
                          "  --trap-port N        receives notifications on port N (default: the one\n"
                          "                       chosen in the traps window, else 162)\n"
                          "  --trap-log FILE      appends every notification to FILE as CSV\n"
                          "  --trap-user NAME     an SNMPv3 user whose traps and informs are taken;\n"
                          "  --trap-auth PROTOCOL:PASSWORD, --trap-priv PROTOCOL:PASSWORD after it\n"
                          "                       (SHA-256, SHA, MD5, ...; AES, AES-256, DES)\n"
                          "  --metrics [address:]port, /METRICS [address:]port\n"
                          "                       serves the values for scrapers at /metrics\n"
                          "                       (address 127.0.0.1 unless given)\n"
                          "  --export-module FILE writes the view as a module of the SNMP exporter\n"
                          "                       (and FILE's scrape job beside it), then exits\n"
                          "  --export-telegraf FILE  writes the view as an SNMP input of Telegraf,\n"
                          "                       then exits\n"
                          "  file.xml             the same as /XML file.xml\n"
                          "  -h, --help           this text\n"
                          "  --version            the program's version\n"
                          "\n"
                          "Switch names match in any letter case. Without /XML the interfaces table\n"
                          "of the host is shown.\n"
                          "\n"
                          "The UDP port, the SNMP version, GetBulk's max-repetitions and SNMPv3 (user,\n"
                          "security level, protocols, passwords, context) have no switches: they are\n"
                          "set in the vexgrid file or in File > New View (see man HB_Vexgrid).\n");
}
