// Table shoots shared by the walk tests: one shoot and its keep-instances
// re-shoot against an agent (Shoot), and a scripted agent's objects answered
// as Get, Get-Next and GetBulk (TObjects).
#pragma once

#include "TEngineHarness.h"
#include "TScriptedAgent.h"

#include <QString>
#include <QStringList>

#include <map>
#include <string>
#include <vector>

namespace vxtest {

inline QString Column(const QString& table, int n)
{
    return table + QStringLiteral(".") + QString::number(n);
}

// What a shoot leaves in sight.
struct TOutcome {
    std::vector<QStringList> rows;
    QStringList comboItems, modalMessages;
    QString statusMessage;
    std::vector<QStringList> keptRows;  // after a "keep instances" re-shoot
    int requests = 0;
};

// A table shoot, then a "keep instances" re-shoot; `parallel` requests at once.
inline TOutcome Shoot(int port, const QString& community, const QStringList& targets, const QString& mask,
                      int maxRepetitions, int parallel = 1)
{
    TEngineHarness h;
    h.Agent(port, 2, community);
    h.TableTargets(targets, mask);
    h.EditSettings([&](TSessionSettings& s) {
        s.maxRepetitions = maxRepetitions;
        s.parallelRequests = parallel;
    });
    h.engine.SetShootRunning(true);
    h.engine.StartShooting();
    TOutcome out;
    EXPECT_TRUE(TEngineHarness::PumpUntil([&] { return h.ShootOver(); })) << "walk did not end";
    out.rows = h.view.rows;
    out.comboItems = h.view.comboItems;
    out.modalMessages = h.view.modalMessages;
    out.statusMessage = h.view.statusMessage;
    out.requests = h.engine.LastRequestId();
    h.engine.Scheduler().Every10secondskeepinstances1Click();
    h.engine.ShootAgain();
    EXPECT_TRUE(TEngineHarness::PumpUntil([&] { return h.ShootOver(); })) << "re-shoot did not end";
    out.keptRows = h.view.rows;
    return out;
}

// Answers of a scripted agent over a sorted set of objects and one object
// after them: Get-Next and GetBulk as an agent gives them, endOfMibView past
// the last.
class TObjects {
public:
    explicit TObjects(int count, const std::string& base)
    {
        for (int i = 1; i <= count; ++i)
            objects[base + "." + std::to_string(i)] = "v" + std::to_string(i);
        objects["1.3.6.1.4.1.55555.8"] = "after";
    }
    explicit TObjects(const std::map<std::string, std::string>& oidValues)
    {
        objects.insert(oidValues.begin(), oidValues.end());
    }
    // A Get, Get-Next or GetBulk answered from the objects.
    TAgentAnswer Answer(const TAgentRequest& request) const
    {
        if (request.getBulk)
            return Next(request.oids.at(0), request.maxRepetitions);
        if (request.getNext)
            return Next(request.oids.at(0), 1);
        TAgentAnswer answer;
        for (const std::string& oid : request.oids) {
            const auto it = objects.find(oid);
            if (it == objects.end())
                answer.push_back({oid, 0x80, {}});  // noSuchObject
            else
                answer.push_back(TScriptedAgent::Text(oid, it->second));
        }
        return answer;
    }
    TAgentAnswer Next(const std::string& asked, int repetitions) const
    {
        TAgentAnswer answer;
        std::string from = asked;
        for (int r = 0; r < repetitions; ++r) {
            const auto it = objects.upper_bound(from);
            if (it == objects.end()) {
                answer.push_back({from, 0x82, {}});  // endOfMibView
                continue;
            }
            answer.push_back(TScriptedAgent::Text(it->first, it->second));
            from = it->first;
        }
        return answer;
    }

private:
    struct TOidOrder {
        bool operator()(const std::string& a, const std::string& b) const
        {
            return TOid::FromText(QString::fromStdString(a)) < TOid::FromText(QString::fromStdString(b));
        }
    };
    std::map<std::string, std::string, TOidOrder> objects;
};

}  // namespace vxtest
