#pragma once

#include <QObject>
#include <QString>

// A part of the sync window by its object name (ui/sync/sync_names.h). A name
// the window lacks ends the run: every later step would act on nothing.
template <class Widget>
Widget* syncPart(const QObject& window, const char* name)
{
    auto* widget = window.findChild<Widget*>(QString::fromLatin1(name));
    if (!widget)
        qFatal("the sync window has no %s", name);
    return widget;
}
