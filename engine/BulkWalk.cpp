// The GetBulk side of the walks: which request a walk step sends, the answers
// of one GetBulk taken binding by binding with the same bounds as a Get-Next
// step, and the retreat when an answer is too big or refused.
#include "engine/ShootEngine.h"

#include "snmp/TvxSNMPMgr.h"

#include <algorithm>
#include <utility>
#include <vector>

// GetBulk exists from SNMPv2c on; a file that asks for it on SNMPv1 walks
// with Get-Next as before.
bool TShootEngine::BulkConfigured() const
{
    return settings.maxRepetitions > 0 && requestTemplate.snmpVersion >= 2;
}

// Every shoot starts with the file's repetitions, or the fewer its agent was
// found to answer; a fall-back to Get-Next lasts one shoot.
void TShootEngine::BeginShoot()
{
    bulk.Begin(BulkConfigured() ? settings.maxRepetitions : 0, AgentKey());
    meter.Begin(arrivalClock());
    bulkRefusal.clear();
    resolvedHost = QString();  // the host is looked up again once per shoot
}

int TShootEngine::WalkRequestKind() const
{
    return bulk.Repetitions() > 0 ? kRequestGetBulk : kRequestGetNext;
}

// The rows of an instance table go in Gets of whole rows, as many as fit in
// what the agent was seen to answer in one GetBulk answer (at least 15 OIDs),
// so a row is never split between two answers.
int TShootEngine::RowsPerRequest() const
{
    const int columns = static_cast<int>(settings.targetOids.size()) - 1;
    if (!BulkConfigured() || columns <= 0)
        return 1;
    return std::max(1, OidsPerRequest() / columns);
}

int TShootEngine::OidsPerRequest() const
{
    const bool rowGets = BulkConfigured() && IsInstanceTable() && requestTemplate.purpose == kPurposeValues;
    return rowGets ? bulk.GetSize(kMaxOidsPerRequest) : kMaxOidsPerRequest;
}

bool TShootEngine::ShrinkRowRequest(const TRequest& request)
{
    const int oids = CountSeparators(request.oidList);
    const int columns = static_cast<int>(settings.targetOids.size()) - 1;
    if (!BulkConfigured() || !IsInstanceTable() || request.purpose != kPurposeValues || oids <= columns)
        return false;
    bulk.TooBig(oids);
    ShootInstanceRows();  // the same rows, fewer to a request
    return true;
}

void TShootEngine::BulkAnswer(vxsnmp::TvxSNMPMgr& sender, const vxsnmp::TResponseEvent& event)
{
    const int purpose = requestTemplate.purpose;
    if (event.ErrorStatus == kStatusTooBig) {
        HalveRepetitions(StatusMessage(event));
        return;
    }
    if (event.ErrorStatus != 0) {
        FallBackToGetNext(StatusMessage(event));
        return;
    }
    const int count = sender.ObjCount();
    QString asked = AskedOid();
    const TShootEndHold hold(*this);  // an end found below comes after the answers before it
    std::vector<TWalkAnswer> answers;
    bool goesOn = true;
    for (int i = 1; i <= count && goesOn; ++i) {
        const int type = sender.ObjType(i);
        // endOfMibView names the OID it could not go beyond, as a Get-Next
        // answer does; agents differ in which one that is for a repetition.
        QString oid = type == kTypeEndOfMibView ? asked : sender.ObjId(i);
        TCellValue value = ReceivedValue(sender.ObjValue(i), type);
        if (purpose == kPurposeDiscovery) {
            if (!TakeInstance(oid, value, asked)) {
                EndDiscovery();
                return;
            }
        } else if (AcceptWalkAnswer(oid, asked)) {
            answers.push_back({oid, std::move(value)});
        } else {
            goesOn = false;  // the walk has ended; the answers before stay
        }
        asked = std::move(oid);
    }
    // Fewer bindings than asked while the walk goes on: the agent answers no
    // more, and asking more only costs it (and us) the work of cutting.
    if (goesOn && count > 0 && count < bulk.Repetitions())
        bulk.Learn(count);
    bulk.Answered(count);
    // An answer without bindings counts as leaving the subtree.
    if (count == 0)
        EndWalk(purpose);
    else if (purpose == kPurposeDiscovery)
        ShootWalkStepFrom(asked, purpose);
    else
        StepThenPlace(asked, goesOn, answers);
}

void TShootEngine::EndWalk(int purpose)
{
    if (purpose == kPurposeDiscovery)
        EndDiscovery();
    else
        SetShootRunning(false);
}

// The step is asked again with half as many repetitions; with one left, the
// agent cannot answer even that, and Get-Next takes over.
void TShootEngine::HalveRepetitions(const QString& reason)
{
    if (!bulk.Halve()) {
        FallBackToGetNext(reason);
        return;
    }
    Shoot();
}

int TShootEngine::LearnedRepetitions() const { return bulk.Learned(AgentKey()); }

QString TShootEngine::AgentKey() const
{
    return requestTemplate.remoteHost + QLatin1Char(':') + QString::number(requestTemplate.remotePort)
         + QStringLiteral("/v") + QString::number(requestTemplate.snmpVersion) + QLatin1Char('/')
         + (requestTemplate.snmpVersion == 3 ? settings.v3.user : QString());
}

void TShootEngine::FallBackToGetNext(const QString& reason)
{
    bulkRefusal = kTextBulkRefused.arg(reason);
    ShowMessage(bulkRefusal);
    bulk.Stop();
    requestTemplate.requestKind = kRequestGetNext;
    Shoot();
}
