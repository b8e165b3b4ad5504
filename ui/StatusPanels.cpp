#include "ui/StatusPanels.h"

#include <algorithm>

#include <QEvent>
#include <QFrame>
#include <QHelpEvent>
#include <QLabel>
#include <QPainter>
#include <QStatusBar>
#include <QStringList>
#include <QStyle>
#include <QToolTip>

namespace {

constexpr int kEntriesPanelWidth = 70;
constexpr int kCountdownPanelWidth = 14;  // one digit

// A panel that draws a text too long for it elided at its end; the whole
// text is then its tooltip, unless the panel was given a tooltip of its own.
class TElidedPanel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* /*event*/) override
    {
        QPainter painter(this);
        drawFrame(&painter);
        const QRect area = contentsRect().adjusted(margin() + std::max(indent(), 0), 0, -margin(), 0);
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
        const auto align = static_cast<int>(QStyle::visualAlignment(layoutDirection(), alignment()).toInt());
        style()->drawItemText(&painter, area, align, palette(), isEnabled(), shown, foregroundRole());
    }
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::ToolTip && toolTip().isEmpty() && Elided()) {
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text(), this);
            return true;
        }
        return QLabel::event(event);
    }

private:
    bool Elided() const { return fontMetrics().horizontalAdvance(text()) > contentsRect().width(); }
};

QLabel* NewPanel(QStatusBar* bar, const char* name, bool elided = false)
{
    auto* panel = elided ? new TElidedPanel(bar) : new QLabel(bar);
    panel->setObjectName(QLatin1String(name));
    // Agent values and host names reach these panels: never read them as markup.
    panel->setTextFormat(Qt::PlainText);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    return panel;
}

}  // namespace

TStatusPanels::TStatusPanels(QStatusBar* bar)
    : countdownPanel(NewPanel(bar, "CountdownPanel")), entriesPanel(NewPanel(bar, "EntriesPanel")),
      messagePanel(NewPanel(bar, "MessagePanel", true)), droppedPanel(NewPanel(bar, "DroppedPanel")),
      costPanel(NewPanel(bar, "ShootCostPanel"))
{
    countdownPanel->setFixedWidth(kCountdownPanelWidth);
    countdownPanel->setAlignment(Qt::AlignCenter);
    entriesPanel->setFixedWidth(kEntriesPanelWidth);
    // A long message must not widen the window: the panel takes the space
    // left and clips what does not fit.
    messagePanel->setMinimumWidth(50);
    messagePanel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(countdownPanel);
    bar->addWidget(entriesPanel);
    bar->addWidget(messagePanel, 1);
    // Its own panel at the right end: a count never replaces a message.
    bar->addWidget(droppedPanel);
    droppedPanel->hide();
    // What the last shoot cost, once one has ended.
    bar->addWidget(costPanel);
    costPanel->hide();
    messageTimer.setSingleShot(true);
    QObject::connect(&messageTimer, &QTimer::timeout, messagePanel, [this] { ShowLatestMessage(); });
}

void TStatusPanels::ShowStatusMessage(const QString& text)
{
    message = text;
    if (messageTimer.isActive())
        return;  // shown when the interval ends
    const qint64 since = messageShown.isValid() ? messageShown.elapsed() : kMessageIntervalMs;
    if (since >= kMessageIntervalMs)
        ShowLatestMessage();
    else
        messageTimer.start(static_cast<int>(kMessageIntervalMs - since));
}

void TStatusPanels::ClearStatusMessage() { ShowStatusMessage(QString()); }

void TStatusPanels::ShowLatestMessage()
{
    messageTimer.stop();
    messageShown.start();
    // Setting a text lays the whole status bar out again; an equal text
    // changes nothing.
    const QString& shown = silence.isEmpty() ? message : silence;
    if (messagePanel->text() != shown)
        messagePanel->setText(shown);
    QStringList lines;
    if (!silence.isEmpty())
        lines << message << explanation;
    lines.removeAll(QString());
    const QString tip = lines.join(QLatin1Char('\n'));
    if (messagePanel->toolTip() != tip)
        messagePanel->setToolTip(tip);
}

void TStatusPanels::ShowAgentSilence(const QString& text)
{
    silence = text;
    ShowLatestMessage();
}

void TStatusPanels::ClearAgentSilence()
{
    silence.clear();
    explanation.clear();
    message.clear();
    ShowLatestMessage();
}

void TStatusPanels::ExplainAgentSilence(const QString& text)
{
    explanation = text;
    ShowLatestMessage();
}

QString TStatusPanels::MessageToolTip() const { return messagePanel->toolTip(); }

void TStatusPanels::ShowEntryCount(int n)
{
    if (n < 0)
        entriesPanel->clear();
    else
        entriesPanel->setText(QStringLiteral("#Entries ") + QString::number(n));
    // 70 pixels hold the count of a small table; a larger count widens the
    // panel rather than being cut off.
    entriesPanel->setFixedWidth(std::max(kEntriesPanelWidth, entriesPanel->sizeHint().width()));
}

void TStatusPanels::ShowCountdown(int n)
{
    if (n < 0)
        ShowCountdownText(QString());
    else
        ShowCountdownText(QString::number(n));
}

void TStatusPanels::ShowCountdownText(const QString& text)
{
    if (countdownPanel->text() == text)
        return;
    countdownPanel->setText(text);
    // A longer text ("Next in 25 s") widens the panel to fit.
    countdownPanel->setFixedWidth(std::max(kCountdownPanelWidth, countdownPanel->sizeHint().width()));
}

void TStatusPanels::ShowDroppedCount(int malformed, int foreign)
{
    const int total = malformed + foreign;
    if (total <= 0) {
        droppedPanel->clear();
        droppedPanel->setToolTip(QString());
        droppedPanel->hide();
        return;
    }
    droppedPanel->setText(QStringLiteral("%1 ignored").arg(total));
    droppedPanel->setToolTip(
        QStringLiteral("%1 malformed, %2 from other addresses").arg(malformed).arg(foreign));
    droppedPanel->show();
}

QString TStatusPanels::StatusMessage() const { return message; }
QString TStatusPanels::ShownMessage() const { return messagePanel->text(); }
QString TStatusPanels::EntryCountText() const { return entriesPanel->text(); }
QString TStatusPanels::CountdownText() const { return countdownPanel->text(); }
QString TStatusPanels::DroppedText() const { return droppedPanel->text(); }
QString TStatusPanels::DroppedToolTip() const { return droppedPanel->toolTip(); }

void TStatusPanels::ShowShootCost(const QString& text, const QString& toolTip)
{
    costPanel->setText(text);
    costPanel->setToolTip(toolTip);
    costPanel->setVisible(!text.isEmpty());
}

QString TStatusPanels::ShootCostText() const { return costPanel->text(); }

QString TStatusPanels::ShootCostToolTip() const { return costPanel->toolTip(); }
