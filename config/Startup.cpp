#include "config/Startup.h"

#include "core/CommandLine.h"
#include "core/Defaults.h"
#include "config/VexgridLoader.h"

#include <cstdio>
#include <exception>

TStartupResult StartUp(const QStringList& commandLine)
{
    TStartupResult result;
    TSessionSettings& settings = result.settings;
    // An error at any step (also "/XML" without a file name) ends start-up
    // there, without a message: the window stays as designed.
    try {
        ApplyDefaultSettings(settings);
        const QString fileName = ParseCommandLine(commandLine, settings);
        result.fileName = fileName;
        if (!fileName.isEmpty()) {
            const TVexgridLoadResult loaded = LoadVexgridSettings(fileName, settings);
            if (!loaded.loaded) {
                result.message = VexgridLoadMessage(fileName, loaded);
                return result;
            }
            if (!settings.v3.fileWarning.isEmpty())
                std::fprintf(stderr, "%s\n", qPrintable(settings.v3.fileWarning));
        } else {
            ApplyDefaultTarget(settings);
        }
    } catch (const std::exception&) {
        return result;
    }
    const QString fileName = result.fileName;
    result = ReadyResult(settings);
    result.fileName = fileName;
    return result;
}

QString ViewCaption(const TSessionSettings& settings)
{
    return settings.programTitle + QStringLiteral(" - Host: ") + settings.requestTemplate.remoteHost;
}

TStartupResult ReadyResult(const TSessionSettings& settings)
{
    TStartupResult result;
    result.settings = settings;
    result.caption = ViewCaption(settings);
    result.outerSize = QSize(settings.windowWidth, settings.windowHeight);
    result.ready = true;
    return result;
}
