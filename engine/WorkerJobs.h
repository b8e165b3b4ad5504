// TWorkerJobs: the jobs of the worker's schedule, run by the shoot engine.
// CheckTimeouts is the time-out pass; the worker hands it, the retry pass and
// the countdown tick to the GUI thread and runs the purge pass itself.
#pragma once

#include "engine/ShootEngine.h"
#include "engine/TMyTimer.h"

class TWorkerJobs : public IWorkerJobs {
public:
    explicit TWorkerJobs(TShootEngine& shootEngine) : engine(shootEngine) {}

    void RetryPass() override { engine.RetryPass(); }
    void PurgePass() override { engine.PurgePass(); }
    void CheckTimeouts() override { engine.TimeoutPass(); }
    void CountdownTick() override { engine.Scheduler().CountdownTick(); }

private:
    TShootEngine& engine;
};
