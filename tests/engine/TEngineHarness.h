// TEngineHarness: one shoot engine over a real SNMP manager component and a
// recording view, with a clock the test moves by hand, so that silence can be
// simulated without waiting. Answers of real agents arrive through the
// component's events while the test pumps the event loop.
#pragma once

#include "EventPump.h"

#include "engine/ShootEngine.h"
#include "TRecordingView.h"
#include "snmp/TvxSNMPMgr.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <functional>

class TEngineHarness {
public:
    vxsnmp::TvxSNMPMgr component;
    TRecordingView view;
    TShootEngine engine{component, view, view.store};
    std::int64_t fakeNow = 1'700'000'000'000;  // ms since the epoch

    TEngineHarness()
    {
        view.engine = &engine;
        engine.WireComponentEvents();
        engine.SetClock([this] { return fakeNow; });
        component.SetActive(false);
        component.Config(QStringLiteral("ForceLocalPort=false"));
        component.SetActive(true);
        engine.ResetSessionState();
    }

    void Agent(int port, int snmpVersion = 1, const QString& community = QStringLiteral("tamvel"),
               const QString& host = QStringLiteral("127.0.0.1"))
    {
        EditSettings([&](TSessionSettings& s) {
            TRequest& t = s.requestTemplate;
            t.remoteHost = host;
            t.remotePort = port;
            t.snmpVersion = snmpVersion;
            t.community = community;
            t.pollSeconds = 1;
        });
    }

    // Changes the engine's settings the way set-up hands them over.
    void EditSettings(const std::function<void(TSessionSettings&)>& edit)
    {
        TSessionSettings settings = engine.Settings();
        edit(settings);
        engine.SetSettings(settings);
    }

    // List mode: every OID names its instance.
    void ListTargets(const QStringList& oids)
    {
        EditSettings([&](TSessionSettings& s) {
            s.tableMode = false;
            s.targetOids = oids;
            s.requestTemplate.oidList.clear();
            for (const QString& oid : oids)
                s.requestTemplate.oidList += oid + kItemSeparator;
        });
    }

    // Table mode: the first target is walked.
    void TableTargets(const QStringList& oids, const QString& mask = QString())
    {
        EditSettings([&](TSessionSettings& s) {
            s.tableMode = true;
            s.targetOids = oids;
            s.instanceMask = mask;
            s.requestTemplate.oidList = oids.value(0) + kItemSeparator;
        });
    }

    // Seconds of the worker's schedule on the fake clock: each moves it on a
    // little over a second and runs the retry, time-out and purge passes.
    void RunWorkerSeconds(int seconds)
    {
        for (int second = 0; second < seconds; ++second) {
            fakeNow += 1001;
            engine.RetryPass();
            engine.TimeoutPass();
            engine.PurgePass();
        }
    }

    static bool PumpUntil(const std::function<bool()>& done, int guardMs = 20000)
    {
        return vxtest::PumpUntil(done, guardMs);
    }
    static void PumpFor(int ms) { vxtest::PumpFor(ms); }

    // Requests still waiting for an answer.
    int OpenRequests()
    {
        int n = 0;
        for (const TRequest& r : engine.PendingRequests())
            n += r.retriesLeft >= 0 ? 1 : 0;
        return n;
    }

    std::vector<TRequest> Pending() { return engine.PendingRequests(); }

    // A walk-based shoot is over when "Shoot again" is enabled again and
    // nothing is waiting for an answer.
    bool ShootOver() { return view.shootAgainEnabled && OpenRequests() == 0; }
};
