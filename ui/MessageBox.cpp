#include "ui/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

namespace {

TModalMessageHook& Hook()
{
    static TModalMessageHook hook;
    return hook;
}

}  // namespace

void ShowModalMessage(QWidget* parent, const QString& text)
{
    if (Hook()) {
        Hook()(parent, text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);  // paths and parser texts are not markup
    box.exec();
}

TModalMessageHook SetModalMessageHook(TModalMessageHook hook)
{
    TModalMessageHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}
