// Pictures of what a test has on screen, for the README and for reviews:
// saved only when VEXGRID_SCREENSHOTS names a folder, and never checked.
#pragma once

#include <QString>
#include <QWidget>

namespace vxtest {

inline void SaveScreenshot(QWidget& widget, const char* name)
{
    const QString folder = qEnvironmentVariable("VEXGRID_SCREENSHOTS");
    if (!folder.isEmpty())
        widget.grab().save(folder + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
}

}  // namespace vxtest
