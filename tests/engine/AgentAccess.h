// The agents the engine tests shoot at: one snmpd and one snmpsim (serving
// tests/data/snmprec) per test program, started on first use on a free
// 127.0.0.1 port and stopped when the program ends.
#pragma once

#include "SnmpAgents.h"

// snmpd with community "tamvel" (system group, interfaces table).
TSnmpdAgent& SharedSnmpd();
// snmpsim serving tests/data/snmprec/tamvel.snmprec under community "tamvel".
TSnmpsimAgent& SharedSnmpsim();
