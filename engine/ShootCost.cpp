#include "engine/ShootCost.h"

#include <algorithm>
#include <chrono>

namespace {

QString Seconds(std::int64_t ms) { return QString::number(static_cast<double>(ms) / 1000.0, 'f', 1); }

QString Milliseconds(double ms) { return QString::number(ms, 'f', ms < 10 ? 1 : 0); }

// "1 request", "312 requests".
QString Requests(int count)
{
    return QString::number(count) + (count == 1 ? QStringLiteral(" request") : QStringLiteral(" requests"));
}

}  // namespace

QString ShootCostText(const TShootCost& cost)
{
    return QStringLiteral("Shoot %1 s, %2").arg(Seconds(cost.durationMs), Requests(cost.requests));
}

QString AnswerTimeLine(const TAnswerTimes& times)
{
    if (times.requests == 0)
        return QString();
    return QStringLiteral("Median answer %1 ms (%2)")
        .arg(Milliseconds(times.medianMs), Requests(times.requests));
}

QString AnswerTimesText(const TShootCost& cost)
{
    QStringList parts;
    const auto add = [&parts](const QString& kind, const TAnswerTimes& times) {
        if (times.requests > 0)
            parts << QStringLiteral("%1 %2 ms (%3)")
                         .arg(kind, Milliseconds(times.medianMs), Requests(times.requests));
    };
    add(QStringLiteral("walk"), cost.walk);
    add(QStringLiteral("values"), cost.values);
    return parts.isEmpty() ? QString() : QStringLiteral("Median answer: ") + parts.join(QStringLiteral(", "));
}

QString IntervalTooShortText(int intervalSeconds, std::int64_t shootMs)
{
    return QStringLiteral("Interval %1 s is shorter than a shoot (%2 s)")
        .arg(intervalSeconds)
        .arg(Seconds(shootMs));
}

void TShootMeter::Begin(std::int64_t nowMs)
{
    running = true;
    beganMs = nowMs;
    sent = 0;
    walkMs.clear();
    valueMs.clear();
}

void TShootMeter::Answered(bool walk, double answerMs)
{
    if (running)
        (walk ? walkMs : valueMs).push_back(std::max(answerMs, 0.0));
}

std::int64_t TShootMeter::NowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void TShootMeter::Finish(std::int64_t nowMs)
{
    if (!running)
        return;
    running = false;
    last.durationMs = nowMs - beganMs;
    last.requests = sent;
    last.walk = Summary(walkMs);
    last.values = Summary(valueMs);
}

TAnswerTimes TShootMeter::Summary(std::vector<double>& times)
{
    TAnswerTimes summary;
    summary.requests = static_cast<int>(times.size());
    if (times.empty())
        return summary;
    const auto middle = times.begin() + static_cast<std::ptrdiff_t>(times.size() / 2);
    std::nth_element(times.begin(), middle, times.end());
    summary.medianMs = *middle;
    if (times.size() % 2 == 0)
        summary.medianMs = (summary.medianMs + *std::max_element(times.begin(), middle)) / 2;
    return summary;
}
