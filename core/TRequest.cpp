#include "core/TRequest.h"

int CountSeparators(const QString& list) { return static_cast<int>(list.count(kItemSeparator)); }

QString TakeNextItem(QString& list)
{
    const qsizetype at = list.indexOf(kItemSeparator);
    if (at < 0)
        return QString();
    QString item = list.left(at);
    list.remove(0, at + 1);
    return item;
}
