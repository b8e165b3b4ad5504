// One question to an agent, to check the settings of a view before it starts.
#pragma once

#include "Settings.h"
#include "TRequest.h"

#include <QString>

// How long the probe waits for the answer, in seconds: long enough for a
// slow device, short enough for a user waiting in a dialog.
inline constexpr int kProbeTimeoutSeconds = 3;

// ProbeAgent sends one Get of sysDescr.0 to the agent of `agent` (host, port,
// version, community; the user of `v3` for version 3) through its own SNMP
// manager component and returns "sysDescr.0 = <answer>", or the error the
// agent or the component gave.
QString ProbeAgent(const TRequest& agent, const TV3Settings& v3 = {});
