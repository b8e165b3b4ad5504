// The built-in settings of a run, applied by start-up before the command line
// or the vexgrid file is read.
#pragma once

#include "core/Settings.h"

// The interfaces table entry: the target walked when no vexgrid file is given.
inline constexpr char kDefaultTargetOid[] = "1.3.6.1.2.1.2.2.1";

// ApplyDefaultSettings sets title, window size and the agent settings of the
// request template (pollSeconds 5, community "tamvel", host "localhost",
// retriesLeft 5, port 161, SNMPv1). Targets, mask and table mode are left alone.
void ApplyDefaultSettings(TSessionSettings& settings);

// ApplyDefaultTarget makes the interfaces table entry the only target, with
// the matching OID list, in table mode. Used when no vexgrid file is given.
void ApplyDefaultTarget(TSessionSettings& settings);
