// Takes the texts of modal messages while it lives, instead of showing boxes.
#pragma once

#include "ui/MessageBox.h"

#include <QStringList>

class TMessageCapture {
public:
    TMessageCapture()
        : previous(SetModalMessageHook([this](QWidget*, const QString& text) { texts.append(text); }))
    {
    }
    ~TMessageCapture() { SetModalMessageHook(previous); }
    TMessageCapture(const TMessageCapture&) = delete;
    TMessageCapture& operator=(const TMessageCapture&) = delete;

    QStringList texts;

private:
    TModalMessageHook previous;
};
