// The program's modal message box with an OK button. Every modal message goes
// through ShowModalMessage, so that tests (and unattended runs) can take the
// text instead of a box that would wait for a click.
#pragma once

#include <QString>

#include <functional>

class QWidget;

using TModalMessageHook = std::function<void(QWidget* parent, const QString& text)>;

// ShowModalMessage shows `text` in a modal message box with OK over `parent`
// and returns when it is closed; with a hook installed, the hook gets the text
// instead.
void ShowModalMessage(QWidget* parent, const QString& text);

// SetModalMessageHook installs `hook` (an empty function restores the box) and
// returns the hook it replaces.
TModalMessageHook SetModalMessageHook(TModalMessageHook hook);
