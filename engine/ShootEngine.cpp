// The request machinery of a shoot: splitting, sending, and the passes that
// resend, give up on and dispose the pending requests.
#include "engine/ShootEngine.h"

#include "snmp/TvxSNMPMgr.h"

#include <QDateTime>

#include <algorithm>
#include <cstdlib>
#include <exception>

using vxsnmp::EvxSNMPMgr;

namespace {

// A request silent for longer than this is resent.
constexpr std::int64_t kResendAfterMs = 1000;
// Reply time-out after the last resend: long for slow polls and discovery.
constexpr std::int64_t kLongReplyTimeoutMs = 1000;
constexpr std::int64_t kShortReplyTimeoutMs = 500;

// Distance between two clock readings, without sign: a clock set back makes
// a request look old, not young, so it is resent rather than kept forever.
std::int64_t Elapsed(std::int64_t now, std::int64_t then) { return std::llabs(now - then); }

}  // namespace

TShootEngine::TShootEngine(vxsnmp::TvxSNMPMgr& snmp, TShootView& shootView, TResultStore& results)
    : component(snmp), view(shootView), store(results),
      clock([] { return QDateTime::currentMSecsSinceEpoch(); }), arrivalClock(MonotonicMs)
{
}

void TShootEngine::WireComponentEvents()
{
    component.OnResponse = [this](vxsnmp::TvxSNMPMgr& sender, const vxsnmp::TResponseEvent& event) {
        vxSNMPMgr1Response(sender, event);
    };
    component.OnError = [this](vxsnmp::TvxSNMPMgr& sender, const vxsnmp::TErrorEvent& event) {
        vxSNMPMgr1Error(sender, event);
    };
    component.OnBadPacket = [this](vxsnmp::TvxSNMPMgr& sender, vxsnmp::TBadPacketEvent& event) {
        vxSNMPMgr1BadPacket(sender, event);
    };
    // Only the agent answers: a datagram from any other address or port is
    // refused unread (and counted), so nobody else can fill or spoil a shoot.
    component.Config(QStringLiteral("AcceptRemoteOnly=true"));
}

void TShootEngine::SetClock(TClock newClock) { clock = std::move(newClock); }

void TShootEngine::SetArrivalClock(TClock newClock) { arrivalClock = std::move(newClock); }

void TShootEngine::ResetSessionState()
{
    scheduler.RestartCountdown();
    rowCursor.Reset();
    bounds.Forget();
    tracker.ResetRequestIds();
    instances.Rewind();
    if (silence.Silent()) {
        view.ClearAgentSilent();
        store.ReportAnswer();
    }
    silence = TAgentSilence();
}

void TShootEngine::SetSettings(const TSessionSettings& newSettings) { settings = newSettings; }

void TShootEngine::ClearInstances() { instances.Clear(); }

std::vector<TRequest> TShootEngine::PendingRequests() const { return tracker.Snapshot(); }

void TShootEngine::DropPendingRequests() { tracker.Clear(); }

void TShootEngine::PlaceValue(const QString& oid, const TCellValue& value)
{
    rowCursor.Advance(store.Place(oid, value, rowCursor, scheduler.ShootModeIs(TShootMode::KeepInstances)));
}

TCellValue TShootEngine::ReceivedValue(const QByteArray& raw, int type) const
{
    TCellValue value;
    value.text = ValueText(raw, type);
    value.SetBytes(raw);
    value.type = type;
    value.arrivedMs = arrivalClock();
    value.wallMs = QDateTime::currentMSecsSinceEpoch();
    value.upTime = shootUpTime;
    return value;
}

TCellValue TShootEngine::NoAnswer() const
{
    TCellValue value;
    value.text = kTextNull;
    value.arrivedMs = arrivalClock();
    value.wallMs = QDateTime::currentMSecsSinceEpoch();
    return value;
}

void TShootEngine::ShowFailure(const std::exception_ptr& failure) noexcept
{
    try {
        std::rethrow_exception(failure);
    } catch (const EvxSNMPMgr& e) {
        ShowMessage(e.Message());
    } catch (const std::exception& e) {
        ShowMessage(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowMessage(QStringLiteral("Unknown error"));
    }
}

void TShootEngine::ShowMessage(const QString& text)
{
    try {
        view.ShowStatusMessage(text);
    } catch (...) {
        // Nothing is left to tell the user with.
    }
}

void TShootEngine::ClearStatusMessage()
{
    bounds.Forget();
    view.ClearStatusMessage();
}

bool TShootEngine::IsInstanceTable() const { return settings.tableMode && settings.targetOids.size() >= 2; }

bool TShootEngine::IsSingleTargetWalk() const
{
    return settings.tableMode && settings.targetOids.size() == 1;
}

QString TShootEngine::WalkedOid() const { return settings.targetOids.value(0); }

QString TShootEngine::AskedOid() const
{
    const QString& list = requestTemplate.oidList;
    const qsizetype end = list.indexOf(kItemSeparator);
    return end < 0 ? QString() : list.left(end);
}

void TShootEngine::StartShooting()
{
    Guarded([this] {
        silence.ShootStarted(arrivalClock());
        ResetDroppedCounts();
        // The store takes the run's layout, unless the window gave it already.
        const bool list = !settings.tableMode || settings.targetOids.size() < 2;
        if (list != store.IsListLayout() || (!list && settings.targetOids != store.Targets()))
            store.SetLayout(list, settings.targetOids);
        BeginShoot();
    });
    AfterUpTime([this] {
        if (IsSingleTargetWalk()) {
            // oidList holds the target as loaded.
            requestTemplate.purpose = kPurposeValues;
            requestTemplate.requestKind = WalkRequestKind();
        } else if (IsInstanceTable()) {
            ClearInstances();
            if (WalksColumnsSideBySide()) {
                WalkColumns();
                return;
            }
            requestTemplate.oidList = WalkedOid() + kItemSeparator;
            requestTemplate.purpose = kPurposeDiscovery;
            requestTemplate.requestKind = WalkRequestKind();
        } else {
            requestTemplate.purpose = kPurposeValues;
            requestTemplate.requestKind = kRequestGet;
        }
        Shoot();
        if (!settings.v3.fileWarning.isEmpty() && !fileWarningShown) {
            fileWarningShown = true;
            ShowMessage(settings.v3.fileWarning);
        }
    });
}

void TShootEngine::Shoot()
{
    requestTemplate.retriesLeft = kSendsPerRequest;
    answerBuffer.clear();
    // Whatever an earlier shoot still waits for would land in this shoot's
    // answer buffer; it is no longer wanted. Nothing but the purge pass looks
    // at finished requests, so they go now: the list then holds the requests
    // of one shoot, and finding an answer's request does not walk through the
    // thousand a walk finishes every second before the worker's purge.
    FinishPendingRequests();
    PurgePass();

    // At most kMaxOidsPerRequest OIDs a request (or the rows of a table an
    // agent answers at once, see OidsPerRequest); a list that short (a walk
    // step) goes out as it is.
    const QString list = requestTemplate.oidList;
    const int most = OidsPerRequest();
    qsizetype from = 0;
    while (from < list.size()) {
        qsizetype to = from;
        for (int n = 0; n < most && to < list.size(); ++n) {
            const qsizetype end = list.indexOf(kItemSeparator, to);
            to = end < 0 ? list.size() : end + 1;
        }
        TRequest request = requestTemplate;
        request.oidList = list.mid(from, to - from);
        SendRequest(request, false);
        from = to;
    }
}

void TShootEngine::SendRequest(TRequest& request, bool retry)
{
    try {
        if (!component.Active())
            component.SetLocalHost(component.LocalHost());
        component.Reset();
        SetRemoteHostOnce(request.remoteHost);
        component.SetCommunity(request.community);
        if (request.snmpVersion >= 1 && request.snmpVersion <= 3)
            component.SetSNMPVersion(request.snmpVersion);
        if (request.snmpVersion == 3)
            PassV3Settings(component, settings.v3);
        component.SetRemotePort(request.remotePort);
        component.SetTimeout(0);
        if (!retry)
            request.requestId = NextRequestId();
        component.SetRequestId(request.requestId);

        const QStringView oids = request.oidList;
        const int count = CountSeparators(request.oidList);
        component.SetObjCount(count);
        qsizetype from = 0;
        for (int i = 1; i <= count; ++i) {
            const qsizetype end = oids.indexOf(kItemSeparator, from);
            component.SetObjId(i, oids.mid(from, end - from));
            from = end + 1;
        }

        if (request.requestKind == kRequestGet)
            component.SendGetRequest();
        else if (request.requestKind == kRequestGetNext)
            component.SendGetNextRequest();
        else if (request.requestKind == kRequestGetBulk)
            component.SendGetBulkRequest(0, request.repetitions > 0 ? request.repetitions
                                                                    : std::max(1, bulk.Repetitions()));
    } catch (const EvxSNMPMgr& e) {
        ShowMessage(e.Message());
        // A new request that did not go out leaves nothing pending: a table
        // shoot can never complete, so it ends here and can be shot again.
        if (!retry && settings.tableMode)
            SetShootRunning(false);
        return;
    }
    if (retry)
        return;
    request.firstSentUs = TShootMeter::NowUs();
    meter.Sent();
    request.retriesLeft -= 1;
    request.sentAt = clock();
    silence.RequestSent(request.sentAt);
    tracker.Add(request);
}

// Resolving a host name reads the resolver's files (or asks a name server);
// it is done again only for a new shoot, a changed host text, or when the
// component's address was changed behind our back.
void TShootEngine::SetRemoteHostOnce(const QString& host)
{
    if (!resolvedHost.isNull() && host == resolvedHost && component.RemoteHost() == resolvedAddress)
        return;
    resolvedHost = QString();
    component.SetRemoteHost(host);
    resolvedAddress = component.RemoteHost();
    resolvedHost = host.isNull() ? QStringLiteral("") : host;
}

int TShootEngine::NextRequestId() { return tracker.NextRequestId(); }

void TShootEngine::FinishPendingRequests() { tracker.FinishAll(); }

void TShootEngine::RetryPass()
{
    Guarded([this] {
        // One request at a time, in list order: a resend may fail and show a
        // message, but it never changes the list.
        for (;;) {
            const std::int64_t now = clock();
            // A GetBulk step left unanswered is not sent again as it was: the
            // answer may be too big to arrive (a frame lost on the way), so
            // the step is asked anew with half the repetitions, and past one
            // with Get-Next, before it may time out.
            const bool shrink = bulk.Repetitions() > 0;
            std::optional<TRequest> resend = tracker.TakeFirstDue(
                [now](const TRequest& r) {
                    return r.retriesLeft > 0 && Elapsed(now, r.sentAt) > kResendAfterMs;
                },
                [now, shrink](TRequest& r) {
                    r.sentAt = now;
                    r.retriesLeft = shrink && r.requestKind == kRequestGetBulk ? -1 : r.retriesLeft - 1;
                });
            if (!resend)
                return;
            if (resend->retriesLeft < 0 && resend->purpose == kPurposeColumns) {
                ColumnUnanswered(*resend);
                continue;
            }
            if (resend->retriesLeft < 0) {
                HalveRepetitions(QStringLiteral("no answer"));
                return;
            }
            SendRequest(*resend, true);
        }
    });
}

void TShootEngine::TimeoutPass()
{
    Guarded([this] {
        // Each request given up on is marked finished before its answers are
        // folded, and the next one is looked up afresh: folding may start a new
        // shoot that finishes the rest.
        for (;;) {
            const std::int64_t now = clock();
            std::optional<TRequest> expired = tracker.TakeFirstDue(
                [now](const TRequest& r) {
                    const bool walk = r.purpose == kPurposeDiscovery || r.purpose == kPurposeColumns;
                    const std::int64_t limit =
                        r.pollSeconds > 2 || walk ? kLongReplyTimeoutMs : kShortReplyTimeoutMs;
                    return r.retriesLeft == 0 && Elapsed(now, r.sentAt) > limit;
                },
                [](TRequest& r) { r.retriesLeft = -1; });
            if (!expired)
                return;
            Guarded([&] { RequestTimedOut(*expired); });
        }
    });
}

void TShootEngine::PurgePass()
{
    try {
        tracker.Purge();
    } catch (...) {
        // Runs on the worker thread: nothing to show, the next pass retries.
    }
}

void PassV3Settings(vxsnmp::TvxSNMPMgr& component, const TV3Settings& v3)
{
    component.SetUser(v3.user);
    component.SetSecurityLevel(v3.securityLevel);
    component.SetAuthProtocol(v3.authProtocol);
    component.SetAuthPassword(v3.authPassword);
    component.SetPrivProtocol(v3.privProtocol);
    component.SetPrivPassword(v3.privPassword);
    component.SetContextName(v3.contextName);
}

// An SNMPv3 agent that cannot decrypt a request stays silent: when it did
// answer the discovery, a time-out at authPriv most likely means a wrong
// privacy password, which the message panel then says.
void TShootEngine::ExplainV3Silence()
{
    if (requestTemplate.snmpVersion != 3 || settings.v3.securityLevel != 2 || v3SilenceShown)
        return;
    if (component.RemoteEngineId().isEmpty())
        return;
    v3SilenceShown = true;
    ShowMessage(QStringLiteral("No answer from the agent at authPriv although its engine was "
                               "discovered: a wrong privacy password (or protocol) is the likely cause."));
}

void TShootEngine::ReportSilence(const QString& host, int port)
{
    silence.Unanswered();
    const std::int64_t since = silence.SinceMs();
    const std::int64_t sinceMs = since < 0 ? clock() : since;
    store.MarkUnconfirmed(silence.ShootStartMs());
    view.ShowAgentSilent(NoAnswerText(host, port, sinceMs), silence.ShootStartMs());
    store.ReportSilence(sinceMs);
}

void TShootEngine::EndUnansweredWalk()
{
    // The rows the walk did not reach again are not known to be gone; they
    // stay, shown as unanswered, until the agent answers again.
    keepRowsAtEnd = true;
    SetShootRunning(false);
    keepRowsAtEnd = false;
}

void TShootEngine::RequestTimedOut(TRequest& request)
{
    request.retriesLeft = -1;
    view.ExplainAgentSilence(request);
    if (request.purpose == kPurposeColumns) {
        ColumnTimedOut(request);
        return;
    }
    ReportSilence(request.remoteHost, request.remotePort);
    if (request.purpose == kPurposeUpTime) {
        // The shoot goes on without the uptime; its own requests tell
        // whether the agent is silent. The read of an earlier shoot, resent
        // until now, is no longer waited for.
        if (afterUpTime)
            UpTimeRead(-1);
        return;
    }
    ExplainV3Silence();
    if (IsSingleTargetWalk() && request.requestKind != kRequestGet) {
        // No answer is no row: the walk ends here, and says where.
        QString oids = request.oidList;
        if (!v3SilenceShown)
            ShowMessage(WalkTimeoutText(TakeNextItem(oids)));
        EndUnansweredWalk();
        return;
    }
    if (request.purpose == kPurposeDiscovery) {
        if (!v3SilenceShown)
            ShowMessage(kTextDiscoveryTimeout);
        // The walk ends here; the instances found so far are not shot.
        EndUnansweredWalk();
        return;
    }
    AppendNullAnswers(request);
    FoldAnswers();
}

void TShootEngine::AppendNullAnswers(const TRequest& request)
{
    QString oids = request.oidList;
    while (CountSeparators(oids) > 0)
        AppendAnswer(TakeNextItem(oids), NoAnswer());
}

void TShootEngine::AppendAnswer(const QString& oid, TCellValue value)
{
    answerBuffer.push_back({oid, std::move(value)});
}
