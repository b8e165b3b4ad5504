#include "traps/TrapOptions.h"

#include "core/SettingsStore.h"

namespace {

const QString kPortKey = QStringLiteral("traps/port");
constexpr int kMaxPort = 65535;

bool Is(const QString& arg, QStringView name) { return arg.compare(name, Qt::CaseInsensitive) == 0; }

int ValidPort(const QString& text)
{
    bool ok = false;
    const int port = text.toInt(&ok);
    return ok && port >= 1 && port <= kMaxPort ? port : 0;
}

}  // namespace

TTrapOptions ParseTrapOptions(const QStringList& args)
{
    TTrapOptions options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (Is(arg, u"--traps") || Is(arg, u"/TRAPS")) {
            options.openWindow = true;
        } else if (Is(arg, u"--trap-port")) {
            options.port = hasValue ? ValidPort(args[++i]) : 0;
            if (options.port == 0)
                options.warnings.append(QStringLiteral("--trap-port needs a port from 1 to 65535"));
        } else if (Is(arg, u"--trap-log")) {
            if (hasValue)
                options.logPath = args[++i];
            else
                options.warnings.append(QStringLiteral("--trap-log needs the name of a file"));
        }
    }
    options.users = ParseTrapUsers(args, options.warnings);
    return options;
}

int SavedTrapPort()
{
    TSettingsStore settings;
    const int port = ValidPort(settings->value(kPortKey).toString());
    return port != 0 ? port : kDefaultTrapPort;
}

void SaveTrapPort(int port)
{
    TSettingsStore settings;
    settings->setValue(kPortKey, port);
}
