#include "core/QueuedHandOver.h"

#include <QMetaObject>

void TQueuedHandOverBase::QueueDelivery()
{
    QMetaObject::invokeMethod(this, "Deliver", Qt::QueuedConnection);
}
