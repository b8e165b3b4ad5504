// The agents the engine tests shoot at: one snmpd and one snmpsim per test
// program, started on first use on a free 127.0.0.1 port and stopped when the
// program ends. A test whose agent does not come up fails with its log.
#pragma once

#include "TSnmpdAgent.h"
#include "TSnmpsimAgent.h"

#include <QString>

// snmpd with community "tamvel" (system group, interfaces table).
vxtest::TSnmpdAgent& SharedSnmpd();
// snmpsim serving tests/data/snmprec; the engine's data answers to
// kShootEngineCommunity (shootengine.snmprec).
vxtest::TSnmpsimAgent& SharedSnmpsim();

inline const QString kShootEngineCommunity = QStringLiteral("shootengine");
