// TShootEngine: the shoot engine of the main window. It sends the requests of
// a shoot through the SNMP manager component, keeps them in its request
// tracker (RequestTracker.h) with their own retries and time-outs, folds the
// answers into the result table
// (through TShootView), walks the agent's tables to find their instances, and
// runs the shoot modes behind the "Shoot again" menu.
//
// Threads: everything here runs on the GUI thread, which owns the component,
// except PurgePass, which the worker may run on its own thread. The worker
// hands RetryPass, TimeoutPass and CountdownTick to the GUI thread, so the
// component is never used from two threads. The tracker guards its requests
// itself and hands out copies, so no view call can be made under its lock.
//
// Errors: the entry points called from menus, timers and component events
// (StartShooting, the passes, the two event handlers, the mode handlers,
// ShootAgain, CountdownTick) never let an exception out; a failure becomes one
// line in the message panel.
#pragma once

#include "engine/AgentSilence.h"
#include "core/Oid.h"
#include "engine/RequestTracker.h"
#include "engine/ResultStore.h"
#include "engine/ShootCost.h"
#include "engine/RowCursor.h"
#include "core/Settings.h"
#include "engine/ShootScheduler.h"
#include "engine/ShootView.h"
#include "engine/WalkRules.h"
#include "core/TRequest.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <span>
#include <vector>

namespace vxsnmp {
class TvxSNMPMgr;
struct TResponseEvent;
struct TErrorEvent;
struct TBadPacketEvent;
}  // namespace vxsnmp

// Texts the engine shows.
inline const QString kTextDiscoveryTimeout = QStringLiteral("Timeout while collecting instances!");
inline const QString kTextUnsupportedOids =
    QStringLiteral("The remote SNMP agent does not support one or more OIDs in the Shooter request!");
inline const QString kTextLoopDetected = QStringLiteral(
    "Loop detected! The remote SNMP agent does not respond correctly to a \"Get next\" request!");
inline const QString kTextOidDoesNotExist = QStringLiteral("The requested OID does not exist!");
inline const QString kTextNull = QStringLiteral("Null");
// A single-target walk whose request got no answer after all resends.
inline QString WalkTimeoutText(const QString& oid)
{
    return QStringLiteral("Timeout while walking ") + oid + QStringLiteral("!");
}
// The agent's uptime, read once per shoot while counter rates are shown.
inline const QString kSysUpTimeOid = QStringLiteral("1.3.6.1.2.1.1.3.0");
inline constexpr int kPurposeUpTime = 20;
// The value type of a walk that ran past the agent's last object.
inline constexpr int kTypeEndOfMibView = 0x82;
// The error status of an answer too big for the agent to send.
inline constexpr int kStatusTooBig = 1;
// The error status of an SNMPv1 Get-Next past the agent's last object.
inline constexpr int kStatusNoSuchName = 2;
// Shown when an agent answers GetBulk with an error; %1 is the answer's status.
inline const QString kTextBulkRefused =
    QStringLiteral("The remote SNMP agent refused GetBulk (%1); this shoot walks with Get-Next.");

// Hands an SNMPv3 user (name, level, protocols, passwords, context) to the
// component.
void PassV3Settings(vxsnmp::TvxSNMPMgr& component, const TV3Settings& v3);

class TShootEngine {
public:
    // Wall clock in milliseconds since the epoch; only distances are used.
    using TClock = std::function<std::int64_t()>;

    // Requests of at most this many OIDs go out; more are split.
    static constexpr int kMaxOidsPerRequest = 15;
    // Sends of one request: the first plus four resends.
    static constexpr int kSendsPerRequest = 5;
    // Request ids run 1 .. kMaxRequestId, then 0, 1, ...
    static constexpr int kMaxRequestId = TRequestTracker::kMaxRequestId;

    // The engine uses `component`, `view` and `store` for its whole life;
    // all must outlive it. Every answer goes into the store; the view shows
    // the shoot's progress. It does not assign the component's events: call
    // WireComponentEvents for that.
    TShootEngine(vxsnmp::TvxSNMPMgr& component, TShootView& view, TResultStore& store);
    TShootEngine(const TShootEngine&) = delete;
    TShootEngine& operator=(const TShootEngine&) = delete;

    // Assigns the component's OnResponse, OnError and OnBadPacket to
    // vxSNMPMgr1Response, vxSNMPMgr1Error and vxSNMPMgr1BadPacket of this
    // engine, and has the component take datagrams from the agent's address
    // and port only (AcceptRemoteOnly).
    void WireComponentEvents();
    // Replaces the clock (tests simulate silence with it).
    void SetClock(TClock clock);
    // Replaces the monotonic clock that stamps every answer's arrival.
    void SetArrivalClock(TClock clock);
    // While on, every shoot first reads sysUpTime.0 (for counter rates).
    void SetReadUpTime(bool on) { readUpTime = on; }
    // The sysUpTime.0 of the current shoot; -1 when unknown or not read.
    std::int64_t ShootUpTime() const { return shootUpTime; }

    // Resets the state that set-up resets: countdown 9, no refill, no last
    // walk OID, request ids from 1 again, no current row.
    void ResetSessionState();

    // --- Settings and shoot state ---
    // The settings of the run; set-up hands them over before the first shoot.
    const TSessionSettings& Settings() const { return settings; }
    void SetSettings(const TSessionSettings& newSettings);
    // Discovered instances, ".1", ".7.2", in walk order.
    const QStringList& InstanceSuffixes() const { return instances.Suffixes(); }
    // Forgets the discovered instances; the next walk finds them again.
    void ClearInstances();
    // Where the next answer of an instance table goes.
    const TRowCursor& RowCursor() const { return rowCursor; }
    // Forgets the previous step of a single-target walk.
    void ForgetLastWalkOid() { bounds.Forget(); }
    // Bindings per GetBulk of the running shoot; 0 while it walks with Get-Next.
    int BulkRepetitions() const { return bulk.Repetitions(); }
    // What the agent of the settings was found to answer: the repetitions a
    // shoot starts with (at most the file's); 0 while nothing was learned.
    int LearnedRepetitions() const;
    // What the last shoot that ended cost, and how long the running one
    // has taken so far (0 when none runs).
    const TShootCost& LastShootCost() const { return meter.Last(); }
    std::int64_t RunningShootMs() const { return meter.ElapsedMs(arrivalClock()); }
    // The id handed out last (0 before the first request).
    int LastRequestId() const { return tracker.LastRequestId(); }
    // Copies of the requests sent and not yet disposed, in sending order.
    std::vector<TRequest> PendingRequests() const;
    // Forgets every pending request at once (the window closes).
    void DropPendingRequests();

    // StartShooting chooses the mode from the settings and sends the first
    // shoot. The window builds the table's columns before it.
    void StartShooting();
    // Shoot sends the template's oidList in requests of at most 15 OIDs, back
    // to back. A new shoot finishes whatever is still pending of an earlier one
    // and disposes every finished request.
    void Shoot();
    // SendRequest sends one request. A new request (retry false) draws a new
    // id and is recorded in pendingRequests once it went out; a failure shows
    // its message and records nothing.
    void SendRequest(TRequest& request, bool retry);
    int NextRequestId();

    // The three passes over pendingRequests, once a second (from the worker).
    void RetryPass();    // resend requests silent for more than a second
    void TimeoutPass();  // give up on requests without resends left
    void PurgePass();    // dispose finished requests; any thread
    void RequestTimedOut(TRequest& request);
    // Marks every pending request finished.
    void FinishPendingRequests();

    // FoldAnswers moves the answer buffer into the table once all answers of
    // the shoot are in: list, walk step or row step by the mode.
    void FoldAnswers();

    // Component events.
    void vxSNMPMgr1Response(vxsnmp::TvxSNMPMgr& sender, const vxsnmp::TResponseEvent& event);
    void vxSNMPMgr1Error(vxsnmp::TvxSNMPMgr& sender, const vxsnmp::TErrorEvent& event);
    void vxSNMPMgr1BadPacket(vxsnmp::TvxSNMPMgr& sender, vxsnmp::TBadPacketEvent& event);

    // --- Dropped datagrams ---
    // A datagram that cannot be parsed cannot be told apart from an answer
    // to any request, so it costs no data: it is only counted, and the
    // request it may have answered is resent and times out as usual. So are
    // datagrams the component refuses for their origin.
    struct TDroppedCounts {
        int malformed = 0;
        int foreign = 0;
    };
    const TDroppedCounts& DroppedCounts() const { return dropped; }
    // Starts the counts of a new shoot at zero.
    void ResetDroppedCounts();
    // Whether an OnError code tells of a datagram that could not be parsed.
    static bool IsParseErrorCode(int code);

    // --- Instance discovery ---
    void HandleWalkAnswer(const QString& oid, const TCellValue& value);
    void NextInstance();
    // Shoots the rows again from the first instance found.
    void ShootFirstInstance();
    // Shoots the rows of the current instance and those sharing its request.
    void ShootInstanceRows();

    // --- Shoot modes ---
    // The scheduler keeps the mode and the countdown (the view's check marks
    // only reflect the mode) and asks for ShootAgain when a re-shoot is due.
    TShootScheduler& Scheduler() { return scheduler; }
    const TShootScheduler& Scheduler() const { return scheduler; }
    bool ShootModeIs(TShootMode mode) const { return scheduler.ShootModeIs(mode); }
    // Shoots again as the mode asks: once, refilling the known rows, or
    // walking the instances anew.
    void ShootAgain();
    void SetShootRunning(bool running);
    // Empties the message panel and forgets the previous walk step.
    void ClearStatusMessage();

    // The display text of a received value of the given type code: octet
    // strings that are no printable UTF-8 as hex bytes "00 1A 2B".
    static QString ValueText(const QByteArray& value, int type);
    // True when text holds no control characters other than tab, CR and LF.
    static bool IsPrintableText(const QString& text);

private:
    friend class TShootScheduler;  // its entry points are guarded as the engine's
    bool IsInstanceTable() const;
    bool IsSingleTargetWalk() const;
    QString WalkedOid() const;  // the first target
    QString AskedOid() const;   // the first OID of the template's oidList
    void WalkStep(const QString& oid, const TCellValue& value);
    void RowStep(const QString& oid, const TCellValue& value);
    TCellValue ReceivedValue(const QByteArray& raw, int type) const;
    TCellValue NoAnswer() const;
    // Runs shoot now, or once sysUpTime.0 is read when rates need it.
    void AfterUpTime(std::function<void()> shoot);
    void UpTimeRead(std::int64_t ticks);
    void ShootAgainNow();
    // One walk answer checked against the OID before it; false ends the walk.
    bool AcceptWalkAnswer(const QString& oid, const QString& asked);
    // Sends the walk's next step (when goesOn), then places the answers taken
    // before it; see the definition.
    struct TWalkAnswer {
        QString oid;
        TCellValue value;
    };
    void StepThenPlace(const QString& from, bool goesOn, std::span<const TWalkAnswer> answers);
    // While one lives, an end of the shoot waits, and comes when the
    // outermost is gone: the answers a walk step places after sending its
    // next request still belong to the shoot.
    class TShootEndHold {
    public:
        explicit TShootEndHold(TShootEngine& owner) : engine(owner), outer(!owner.holdingShootEnd)
        {
            owner.holdingShootEnd = true;
        }
        ~TShootEndHold();
        TShootEndHold(const TShootEndHold&) = delete;
        TShootEndHold& operator=(const TShootEndHold&) = delete;

    private:
        TShootEngine& engine;
        const bool outer;
    };
    bool TakeInstance(const QString& oid, const TCellValue& value, const QString& asked);
    // GetBulk: the walk kind of this shoot, and the answers of one GetBulk.
    bool BulkConfigured() const;
    void BeginShoot();
    int WalkRequestKind() const;
    int RowsPerRequest() const;
    int OidsPerRequest() const;
    // A Get of several rows the agent found too big goes again with fewer
    // rows; false for any other request, whose error stands.
    bool ShrinkRowRequest(const TRequest& request);
    void BulkAnswer(vxsnmp::TvxSNMPMgr& sender, const vxsnmp::TResponseEvent& event);
    void EndWalk(int purpose);
    void HalveRepetitions(const QString& reason);
    // The agent as the learned repetitions know it: address, port, version, user.
    QString AgentKey() const;
    void FallBackToGetNext(const QString& reason);
    void SetRemoteHostOnce(const QString& host);
    static QString StatusMessage(const vxsnmp::TResponseEvent& event);
    static QString ErrorMessage(const vxsnmp::TErrorEvent& event);
    void ShootWalkStepFrom(const QString& oid, int purpose);
    // --- Columns walked side by side (more than one request outstanding) ---
    bool WalksColumnsSideBySide() const;
    void WalkColumns();
    // Sends the steps the limit allows; places the rows every column has
    // walked past, and ends the shoot once every column ended.
    void SendColumnSteps();
    void SendColumnStep(const TColumnWalks::TGroup& group);
    void ColumnAnswer(vxsnmp::TvxSNMPMgr& sender, const vxsnmp::TResponseEvent& event,
                      const TRequest& request);
    bool ColumnRefused(const vxsnmp::TResponseEvent& event, const TRequest& request);
    void ColumnUnanswered(const TRequest& request);
    void ColumnTimedOut(const TRequest& request);
    void PlaceReadyColumnRows();
    void PlaceColumnRow(const QString& suffix, const TCellValue& firstFallback);
    void EndColumnWalks();
    TCellValue MissingCell(int column) const;
    void EndDiscovery();
    void AppendNullAnswers(const TRequest& request);
    void AppendAnswer(const QString& oid, TCellValue value);
    void ListShoot();
    void RestartWalk();
    void Refill();
    void ShowMessage(const QString& text);
    // A shoot is over: its cost is taken and shown, and readers are told.
    void EndOfShoot();
    void ExplainV3Silence();
    // A request went unanswered: the view says so and marks what the shoot
    // has not confirmed.
    void ReportSilence(const QString& host, int port);
    // Ends a walk the agent stopped answering; the rows it did not reach stay.
    void EndUnansweredWalk();
    // Runs one entry point's work; an exception becomes a status message.
    template <typename TStep>
    void Guarded(TStep&& step) noexcept
    {
        try {
            step();
        } catch (...) {
            ShowFailure(std::current_exception());
        }
    }
    void ShowFailure(const std::exception_ptr& failure) noexcept;

    void PlaceValue(const QString& oid, const TCellValue& value);

    vxsnmp::TvxSNMPMgr& component;
    TShootView& view;
    TResultStore& store;
    TClock clock;
    TClock arrivalClock;
    bool readUpTime = false;
    std::int64_t shootUpTime = -1;
    std::function<void()> afterUpTime;  // the shoot waiting for sysUpTime.0
    // The answer buffer: each answered OID with its typed value, in the order
    // of the requests' OIDs, until FoldAnswers takes them.
    struct TAnswer {
        QString oid;
        TCellValue value;
    };
    std::deque<TAnswer> answerBuffer;

    TSessionSettings settings;
    bool v3SilenceShown = false;    // the authPriv silence was explained once
    bool fileWarningShown = false;  // settings.v3.fileWarning was shown once
    TRequest& requestTemplate = settings.requestTemplate;

    TInstanceRows instances;       // discovered instances and the row being shot
    TColumnWalks columnWalks;      // the walks of a shoot with parallel requests
    int columnRowsPlaced = 0;      // of the rows' order, as placed so far
    bool columnRowsBegun = false;  // the walk's instances replaced the known
    // The repetitions of this shoot, and what each agent (see AgentKey) was
    // found to answer: a GetBulk it left unanswered, or answered with fewer
    // bindings while the walk went on, lowers them, and the next shoot
    // starts there.
    TBulkSize bulk{
        [this](const QString& agent) { return view.RememberedRepetitions(agent); },
        [this](const QString& agent, int repetitions) { view.RememberRepetitions(agent, repetitions); }};
    QString bulkRefusal;      // the message of a GetBulk refused in this shoot
    QString resolvedHost;     // host text resolved in this shoot; null: none
    QString resolvedAddress;  // the component's address for it
    TRowCursor rowCursor;
    TWalkBounds bounds;            // where the walk ends, and its previous step
    bool holdingShootEnd = false;  // see TShootEndHold
    bool shootEndHeld = false;
    TShootScheduler scheduler{*this, view};

    TRequestTracker tracker;  // pendingRequests under requestLock, and the request ids
    TDroppedCounts dropped;   // since the shoot began
    TShootMeter meter;        // the running shoot's duration, requests and answer times
    TAgentSilence silence;
    bool keepRowsAtEnd = false;  // see EndUnansweredWalk
};
