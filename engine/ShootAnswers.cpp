// The answers of a shoot: the component's events, the answer buffer and the
// folding of complete answers into the table.
#include "engine/ShootEngine.h"

#include "snmp/SocketErrors.h"
#include "snmp/TvxSNMPMgr.h"

#include <optional>

QString TShootEngine::StatusMessage(const vxsnmp::TResponseEvent& event)
{
    return event.ErrorDescription + QStringLiteral(" Index=") + QString::number(event.ErrorIndex)
         + QStringLiteral(" Status=") + QString::number(event.ErrorStatus);
}

QString TShootEngine::ErrorMessage(const vxsnmp::TErrorEvent& event)
{
    return event.Description + QStringLiteral(" ErrorCode=") + QString::number(event.ErrorCode);
}

namespace {

// The component's SNMPv3 outcomes: the security codes and the agent's
// reports and authorizationError.
constexpr int kFirstSecurityCode = 460;
constexpr int kLastSecurityCode = 472;
// An answer cut off at the receive buffer ("Message too long").
constexpr int kMessageTooLong = 10040;

bool IsSecurityRefusal(int code) { return code >= kFirstSecurityCode && code <= kLastSecurityCode; }

// Codes of a request that cannot reach the agent: its port refused it (no
// agent listens there), or no route leads to it.
bool IsUnreachableCode(int code)
{
    return code == vxsnmp::kWsaConnectionReset || code == vxsnmp::kWsaHostUnreachable
        || code == vxsnmp::kWsaNetworkUnreachable || code == vxsnmp::kWsaNetworkDown;
}

}  // namespace
void TShootEngine::vxSNMPMgr1Response(vxsnmp::TvxSNMPMgr& sender, const vxsnmp::TResponseEvent& event)
{
    Guarded([&] {
        // Any answer tells that the agent is there again.
        if (silence.Answered(clock())) {
            view.ClearAgentSilent();
            store.ReportAnswer();
        }
        // Only the first answer of a request counts: the request is marked
        // finished as it is taken, so a late answer to a resend, arriving
        // before the purge pass disposed the request, finds nothing.
        const std::optional<TRequest> request = tracker.TakeAnswered(event.RequestId);
        if (!request)
            return;
        meter.Answered(request->requestKind != kRequestGet,
                       static_cast<double>(TShootMeter::NowUs() - request->firstSentUs) / 1000.0);
        if (request->purpose == kPurposeColumns) {
            ColumnAnswer(sender, event, *request);
            return;
        }
        if (request->requestKind == kRequestGetBulk) {
            BulkAnswer(sender, event);
            return;
        }

        if (request->purpose == kPurposeUpTime) {
            const bool ticks =
                event.ErrorStatus == 0 && sender.ObjCount() >= 1 && sender.ObjType(1) == snmptype::kTimeTicks;
            bool ok = false;
            const qlonglong value = ticks ? sender.ObjValue(1).toLongLong(&ok) : -1;
            if (afterUpTime)  // else a read the shoot no longer waits for
                UpTimeRead(ok ? value : -1);
            return;
        }
        if (request->purpose == kPurposeDiscovery) {
            if (event.ErrorStatus != 0) {
                ShowMessage(StatusMessage(event));
                SetShootRunning(false);  // the walk ends here
                return;
            }
            const int count = sender.ObjCount();
            // An answer without bindings counts as leaving the subtree.
            const QString oid = count >= 1 ? sender.ObjId(count) : QString();
            TCellValue value;
            if (count >= 1)
                value = ReceivedValue(sender.ObjValue(count), sender.ObjType(count));
            HandleWalkAnswer(oid, value);
            return;
        }

        if (event.ErrorStatus == kStatusTooBig && ShrinkRowRequest(*request))
            return;
        if (event.ErrorStatus != 0) {
            ShowMessage(StatusMessage(event));
            AppendNullAnswers(*request);
        } else {
            const int count = sender.ObjCount();
            for (int i = 1; i <= count; ++i)
                AppendAnswer(sender.ObjId(i), ReceivedValue(sender.ObjValue(i), sender.ObjType(i)));
        }
        FoldAnswers();
    });
}

void TShootEngine::vxSNMPMgr1Error(vxsnmp::TvxSNMPMgr&, const vxsnmp::TErrorEvent& event)
{
    Guarded([&] {
        if (IsParseErrorCode(event.ErrorCode)) {
            // Junk, a datagram cut short, a stray packet: it answers no
            // request that could be named, so no row, walk or message is
            // given up for it.
            ++dropped.malformed;
            view.ShowDroppedCount(dropped.malformed, dropped.foreign);
            return;
        }
        if (IsUnreachableCode(event.ErrorCode))
            ReportSilence(requestTemplate.remoteHost, requestTemplate.remotePort);
        if (IsSecurityRefusal(event.ErrorCode)) {
            // An SNMPv3 refusal (report, digest, access rules) ends the shoot
            // with its cause; resends would only meet the same refusal.
            afterUpTime = nullptr;
            ShowMessage(event.Description);
            FinishPendingRequests();
            SetShootRunning(false);
        } else if (afterUpTime) {
            // The uptime read failed: the shoot goes on without it and meets
            // the fault, if it lasts, with its own requests.
            FinishPendingRequests();
            UpTimeRead(-1);
        } else if (columnWalks.Running()) {
            // Columns walked side by side: the request it concerns is asked
            // again by the retry pass, smaller when the answer was too big.
            if (event.ErrorCode == kMessageTooLong && !bulk.Halve())
                bulk.Stop();
            ShowMessage(ErrorMessage(event));
        } else if (requestTemplate.requestKind == kRequestGetBulk && event.ErrorCode == kMessageTooLong) {
            // An answer cut off at the receive buffer was too big to take whole.
            HalveRepetitions(ErrorMessage(event));
        } else if (IsInstanceTable() && requestTemplate.purpose != kPurposeDiscovery) {
            // Abandon the current row. Its requests are finished, so that a
            // late answer to them cannot fill the next row.
            FinishPendingRequests();
            // The rows of the request the abandoned answer leaves empty are
            // passed one by one, as the refill counts them.
            instances.SkipRestOfBatch([this] { rowCursor.BeginRow(); });
            NextInstance();
        } else if (settings.tableMode) {
            // The discovery walk, or a single-target walk.
            ShowMessage(ErrorMessage(event));
        } else {
            ShowMessage(kTextUnsupportedOids);
        }
    });
}

void TShootEngine::vxSNMPMgr1BadPacket(vxsnmp::TvxSNMPMgr&, vxsnmp::TBadPacketEvent& event)
{
    Guarded([&] {
        // Only datagrams refused for their origin count; requests addressed
        // to the manager were never part of a shoot.
        if (event.ErrorCode != vxsnmp::kMismatchCode)
            return;
        ++dropped.foreign;
        view.ShowDroppedCount(dropped.malformed, dropped.foreign);
    });
}

bool TShootEngine::IsParseErrorCode(int code) { return vxsnmp::IsParseErrorCode(code); }

void TShootEngine::ResetDroppedCounts()
{
    dropped = {};
    view.ShowDroppedCount(0, 0);
}

void TShootEngine::FoldAnswers()
{
    if (static_cast<int>(answerBuffer.size()) < CountSeparators(requestTemplate.oidList))
        return;
    // A step that sends the next request empties the buffer, which ends the
    // loop; answers left over then are dropped.
    while (!answerBuffer.empty()) {
        const TAnswer answer = std::move(answerBuffer.front());
        answerBuffer.pop_front();
        const QString& oid = answer.oid;
        const TCellValue& value = answer.value;
        if (IsInstanceTable())
            RowStep(oid, value);
        else if (settings.tableMode)
            WalkStep(oid, value);
        else
            PlaceValue(oid, value);
    }
    // A list shoot has no end step: once its answers are placed, it is over.
    if (!settings.tableMode) {
        store.DropStaleRows();
        EndOfShoot();
    }
}
