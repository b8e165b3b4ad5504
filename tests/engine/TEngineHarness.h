// TEngineHarness: one shoot engine over a real SNMP manager component and a
// recording view, with a clock the test moves by hand, so that silence can be
// simulated without waiting. Answers of real agents arrive through the
// component's events while the test pumps the event loop.
#pragma once

#include "EventPump.h"

#include "ShootEngine.h"
#include "TRecordingView.h"
#include "TvxSNMPMgr.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <functional>

class TEngineHarness {
public:
    vxsnmp::TvxSNMPMgr component;
    TRecordingView view;
    TShootEngine engine{component, view};
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
        TRequest& t = engine.requestTemplate;
        t.remoteHost = host;
        t.remotePort = port;
        t.snmpVersion = snmpVersion;
        t.community = community;
        t.pollSeconds = 1;
    }

    // List mode: every OID names its instance.
    void ListTargets(const QStringList& oids)
    {
        engine.settings.tableMode = false;
        engine.settings.targetOids = oids;
        engine.requestTemplate.oidList.clear();
        for (const QString& oid : oids)
            engine.requestTemplate.oidList += oid + kItemSeparator;
    }

    // Table mode: the first target is walked.
    void TableTargets(const QStringList& oids, const QString& mask = QString())
    {
        engine.settings.tableMode = true;
        engine.settings.targetOids = oids;
        engine.settings.instanceMask = mask;
        engine.requestTemplate.oidList = oids.value(0) + kItemSeparator;
    }

    static bool PumpUntil(const std::function<bool()>& done, int guardMs = 20000)
    {
        return vxtest::PumpUntil(done, guardMs);
    }
    static void PumpFor(int ms) { vxtest::PumpFor(ms); }

    // Requests still waiting for an answer.
    int OpenRequests()
    {
        std::lock_guard lock(engine.requestLock);
        int n = 0;
        for (const TRequest& r : engine.pendingRequests)
            n += r.retriesLeft >= 0 ? 1 : 0;
        return n;
    }

    std::vector<TRequest> Pending()
    {
        std::lock_guard lock(engine.requestLock);
        return {engine.pendingRequests.begin(), engine.pendingRequests.end()};
    }

    // A walk-based shoot is over when "Shoot again" is enabled again and
    // nothing is waiting for an answer.
    bool ShootOver() { return view.shootAgainEnabled && OpenRequests() == 0; }
};
