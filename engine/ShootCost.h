// TShootCost: what the last shoot cost, as the status bar and the column
// headers show it: how long it took, the requests it sent and how long the
// agent took to answer them. TShootMeter takes the figures while a shoot runs.
#pragma once

#include <QString>
#include <QVector>

#include <cstdint>
#include <vector>

// The answers of one kind of request in a shoot.
struct TAnswerTimes {
    int requests = 0;      // answered
    double medianMs = -1;  // of the time from the (last) send to the answer; -1 none
};

struct TShootCost {
    std::int64_t durationMs = -1;  // -1: no shoot has ended
    int requests = 0;              // sent, resends not counted
    TAnswerTimes walk;             // the walk of the first target
    TAnswerTimes values;           // the Gets of rows or of a list
};

// "Shoot 2.4 s, 312 requests".
QString ShootCostText(const TShootCost& cost);
// "Median answer: walk 2.1 ms (400 requests), values 3.4 ms (2500 requests)".
QString AnswerTimesText(const TShootCost& cost);
// The header tooltip's line for one kind: "Median answer 3.4 ms (2500 requests)".
QString AnswerTimeLine(const TAnswerTimes& times);
// "Interval 2 s is shorter than a shoot (3.1 s)".
QString IntervalTooShortText(int intervalSeconds, std::int64_t shootMs);

class TShootMeter {
public:
    void Begin(std::int64_t nowMs);
    bool Running() const { return running; }
    // How long the running shoot has taken so far; 0 when none runs.
    std::int64_t ElapsedMs(std::int64_t nowMs) const { return running ? nowMs - beganMs : 0; }
    void Sent() { ++sent; }
    // The monotonic clock in microseconds, for answer times.
    static std::int64_t NowUs();
    void Answered(bool walk, double answerMs);
    // Ends the running shoot; its figures become Last().
    void Finish(std::int64_t nowMs);
    const TShootCost& Last() const { return last; }

private:
    static TAnswerTimes Summary(std::vector<double>& times);

    bool running = false;
    std::int64_t beganMs = 0;
    int sent = 0;
    std::vector<double> walkMs;
    std::vector<double> valueMs;
    TShootCost last;
};
