// TAgentSilence: what the shoot engine knows of the agent's silence: when it
// last answered, when the first request after that answer went out, whether a
// request has gone unanswered since, and when the running shoot began (the
// answers that arrived before are no confirmation of it).
#pragma once

#include <QString>

#include <cstdint>
#include <utility>

class TAgentSilence {
public:
    // A new request went out at nowMs (wall clock).
    void RequestSent(std::int64_t nowMs)
    {
        if (firstUnansweredMs < 0)
            firstUnansweredMs = nowMs;
    }
    // The agent answered at nowMs (wall clock); true when that ends a silence.
    bool Answered(std::int64_t nowMs)
    {
        lastAnswerMs = nowMs;
        firstUnansweredMs = -1;
        return std::exchange(silent, false);
    }
    // A request went unanswered: the agent counts as silent until it answers.
    void Unanswered() { silent = true; }
    bool Silent() const { return silent; }
    // Since when nothing was heard of the agent: its last answer, or when it
    // never answered, the first request sent to it; -1 before any.
    std::int64_t SinceMs() const { return lastAnswerMs >= 0 ? lastAnswerMs : firstUnansweredMs; }

    // A shoot began at arrivedMs (the arrival clock of the answers).
    void ShootStarted(std::int64_t arrivedMs) { shootStartMs = arrivedMs; }
    std::int64_t ShootStartMs() const { return shootStartMs; }

private:
    std::int64_t lastAnswerMs = -1;
    std::int64_t firstUnansweredMs = -1;
    std::int64_t shootStartMs = 0;
    bool silent = false;
};

// The message panel's text for a silent agent, "No answer from 127.0.0.1:161
// since 14:03:12": the host as it is addressed (an IPv6 address in brackets,
// "[::1]:161"), and sinceMs (ms since the epoch) as local time.
QString NoAnswerText(const QString& host, int port, std::int64_t sinceMs);

// An agent's address as people write it: "127.0.0.1:161", "[::1]:161".
QString AgentAddressText(const QString& host, int port);

// What a silence most likely means, for beside the message panel's text:
// "No answer from 127.0.0.2:161 for ifEntry after 5 tries: is the agent up,
// and is the community right?". object names what was asked for; with
// SNMPv3 the question is whether the user and its passwords are right.
QString SilenceExplanation(const QString& host, int port, const QString& object, int tries, int snmpVersion);

// The same for a port that refused the request: nothing listens there.
QString RefusedExplanation(const QString& host, int port);
