/* SNMPMgr.h: the flat interface of the SNMP manager engine.
 *
 * The engine is linked into the program as a static library; any program can
 * drive it through these functions alone. Properties and methods are named by
 * small integer ids. Handles and argument values are pointer-sized (intptr_t):
 * a value is either an integer or a pointer to zero-terminated text (or, for
 * byte properties and byte arguments, a pointer to bytes with a separate
 * length). C++ exceptions never leave these functions.
 *
 * Threads: an engine instance belongs to the thread that created it; that
 * thread needs a Qt event dispatcher (a QCoreApplication on the main thread, or
 * a running QThread) for answers to arrive in asynchronous mode. Only
 * SNMPMgr_Create and SNMPMgr_Destroy may be called from any thread.
 */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Property ids for SNMPMgr_Get / SNMPMgr_Set. */
enum SNMPMgr_PropId {
    SNMPMGR_PID_ACTIVE = 2,             /* integer 0/1: the UDP endpoint is open */
    SNMPMGR_PID_COMMUNITY = 4,          /* text */
    SNMPMGR_PID_LOCALENGINEID = 8,      /* bytes (SNMPv3, stored only) */
    SNMPMGR_PID_LOCALHOST = 9,          /* text: local address to bind (IPv4 or IPv6) */
    SNMPMGR_PID_LOCALPORT = 10,         /* integer: local UDP port, 0 = any */
    SNMPMGR_PID_OBJCOUNT = 11,          /* integer 0..256 */
    SNMPMGR_PID_OBJID = 12,             /* text, indexed 1..ObjCount */
    SNMPMGR_PID_OBJTYPE = 13,           /* integer (BER tag number), indexed */
    SNMPMGR_PID_OBJVALUE = 14,          /* bytes, indexed */
    SNMPMGR_PID_PASSWORD = 15,          /* text: SNMPv3 authentication password when
                                           AuthPassword is empty */
    SNMPMGR_PID_REMOTEENGINEBOOTS = 16, /* integer: SNMPv3 agent's boots, set by discovery */
    SNMPMGR_PID_REMOTEENGINEID = 17,    /* bytes: SNMPv3 agent's engine ID, set by discovery */
    SNMPMGR_PID_REMOTEENGINETIME = 18,  /* integer: SNMPv3 agent's time, set by discovery */
    SNMPMGR_PID_REMOTEHOST = 19,        /* text: agent address (IPv4, IPv6 bare, in brackets
                                           or with %interface) or host name */
    SNMPMGR_PID_REMOTEPORT = 20,        /* integer */
    SNMPMGR_PID_REQUESTID = 21,         /* integer: id of the next request */
    SNMPMGR_PID_SNMPVERSION = 22,       /* integer 1 = v1, 2 = v2c, 3 = v3 */
    SNMPMGR_PID_TIMEOUT = 23,           /* integer seconds, 0 = asynchronous */
    SNMPMGR_PID_USER = 24,              /* text: SNMPv3 user name */
    SNMPMGR_PID_SECURITYLEVEL = 25,     /* integer: 0 noAuthNoPriv, 1 authNoPriv, 2 authPriv */
    SNMPMGR_PID_AUTHPROTOCOL = 26,      /* integer: 1 MD5, 2 SHA-1, 3 SHA-224, 4 SHA-256,
                                           5 SHA-384, 6 SHA-512 */
    SNMPMGR_PID_AUTHPASSWORD = 27,      /* text */
    SNMPMGR_PID_PRIVPROTOCOL = 28,      /* integer: 1 DES, 2 AES-128, 3 AES-192, 4 AES-256 */
    SNMPMGR_PID_PRIVPASSWORD = 29,      /* text */
    SNMPMGR_PID_CONTEXTNAME = 30        /* text */
};

/* Method ids for SNMPMgr_Do. Ids 3, 9, 10 and 11 are reserved for
 * requests this manager does not build; they fail with 304. */
enum SNMPMgr_MethodId {
    SNMPMGR_MID_CONFIG = 1,             /* argv[0]: setting text; result text stored in argv[1] */
    SNMPMGR_MID_DISCOVER = 2,           /* SNMPv3 engine discovery of RemoteHost: fills the
                                           RemoteEngine* properties (waits when Timeout > 0) */
    SNMPMGR_MID_RESET_ALIAS = 4,        /* the same as SNMPMGR_MID_RESET */
    SNMPMGR_MID_RESET = 5,              /* empties the binding table; sends nothing */
    SNMPMGR_MID_SENDGETBULKREQUEST = 6, /* argv[0]: non-repeaters, argv[1]: max-repetitions
                                           (integers 0..2147483647); SNMPv2c and later */
    SNMPMGR_MID_SENDGETNEXTREQUEST = 7,
    SNMPMGR_MID_SENDGETREQUEST = 8
};

/* Event ids passed to the event callback, with their arguments in order.
 * "bytes" arguments are a pointer in argv and the byte count in argLens; text
 * arguments are pointers to zero-terminated text; the rest are integers.
 * Entries marked "var" are read back from argv after the callback returns. */
enum SNMPMgr_EventId {
    SNMPMGR_EID_BADPACKET = 1,         /* Packet bytes, SourceAddress, SourcePort, ErrorCode,
                                          ErrorDescription, var Report (0/1) */
    SNMPMGR_EID_DISCOVERYREQUEST = 2,  /* EngineId bytes, EngineBoots, EngineTime, User,
                                          SecurityLevel, SourceAddress, SourcePort, var Respond */
    SNMPMGR_EID_DISCOVERYRESPONSE = 3, /* EngineId bytes, EngineBoots, EngineTime, User,
                                          SecurityLevel, SourceAddress, SourcePort */
    SNMPMGR_EID_ERROR = 4,             /* ErrorCode, Description */
    SNMPMGR_EID_INFORMREQUEST = 5,     /* RequestId, SNMPVersion, Community, User, SecurityLevel,
                                          SourceAddress, SourcePort, var ErrorIndex,
                                          var ErrorStatus, ErrorDescription */
    SNMPMGR_EID_PACKETTRACE = 6,       /* Packet bytes, Direction (1 received, 2 sent),
                                          PacketAddress, PacketPort */
    SNMPMGR_EID_REPORT = 7,            /* as SNMPMGR_EID_RESPONSE */
    SNMPMGR_EID_RESPONSE = 8,          /* RequestId, SNMPVersion (wire field), Community, User,
                                          SecurityLevel, SourceAddress, SourcePort, ErrorIndex,
                                          ErrorStatus, ErrorDescription */
    SNMPMGR_EID_TRAP = 9,              /* RequestId, SNMPVersion, Community, User, SecurityLevel,
                                          TrapOID, TimeStamp, SourceAddress, SourcePort */
    SNMPMGR_EID_NOOP = 99999           /* ignored by the receiver */
};

/* Argument counts of the events, for receivers that check them. */
enum {
    SNMPMGR_BADPACKET_ARGC = 6,
    SNMPMGR_DISCOVERYREQUEST_ARGC = 8,
    SNMPMGR_DISCOVERYRESPONSE_ARGC = 7,
    SNMPMGR_ERROR_ARGC = 2,
    SNMPMGR_INFORMREQUEST_ARGC = 10,
    SNMPMGR_PACKETTRACE_ARGC = 4,
    SNMPMGR_RESPONSE_ARGC = 10,
    SNMPMGR_TRAP_ARGC = 9
};

/* The event callback: called on the engine's thread with the context given to
 * SNMPMgr_Create. argv and argLens hold argc entries and stay valid for the
 * duration of the call only. Returns 0. It must not let C++ exceptions escape. */
typedef int (*SNMPMgr_EventCallback)(void* context, int eventId, int argc, intptr_t* argv, int* argLens);

/* SNMPMgr_StaticInit: module-wide set-up (records the module instance and
 * prepares the socket layer). Runs by itself when the library is loaded; a
 * further call is harmless. Returns 0. */
int SNMPMgr_StaticInit(void* moduleInstance);

/* SNMPMgr_StaticDestroy: module-wide tear-down. Returns 0. */
int SNMPMgr_StaticDestroy(void);

/* SNMPMgr_Create: a new engine instance on the calling thread, or 0 on failure. */
intptr_t SNMPMgr_Create(SNMPMgr_EventCallback callback, void* context);

/* SNMPMgr_Destroy: closes the endpoint and frees the instance. Called from an
 * event callback, the instance is freed once the engine's own call returns.
 * Returns 0 (also for an unknown handle). */
int SNMPMgr_Destroy(intptr_t handle);

/* SNMPMgr_Get: the value of a property: an integer, or a pointer to text or
 * bytes owned by the engine and valid until the next call on this instance.
 * For byte properties (ids 8, 14, 17) the byte count is stored in *outLen (when
 * outLen is not null); for text it is the text length. An unknown handle,
 * property id or an index outside 1..ObjCount gives 0 or empty text. */
intptr_t SNMPMgr_Get(intptr_t handle, int propId, int index, int* outLen);

/* SNMPMgr_Set: writes a property. value is an integer (Booleans 0/1) or a
 * pointer to text; len counts the bytes of byte properties (0: the value is
 * zero-terminated text). Returns 0 or an error code, also stored as the last
 * error with its text. */
int SNMPMgr_Set(intptr_t handle, int propId, int index, intptr_t value, int len);

/* SNMPMgr_Do: calls a method. For SNMPMGR_MID_CONFIG argv must have room for
 * two entries even though argc is 1: the engine stores a pointer to the result
 * text (valid until the next call) in argv[1]. Returns 0 or an error code,
 * also stored as the last error with its text. */
int SNMPMgr_Do(intptr_t handle, int methodId, int argc, intptr_t* argv, int* argLens);

/* SNMPMgr_CheckIndex: 280 when propId is 12, 13 or 14 and index lies outside
 * 1..ObjCount, else 0. */
int SNMPMgr_CheckIndex(intptr_t handle, int propId, int index);

/* SNMPMgr_GetLastError: text of the last error (empty after a success). */
const char* SNMPMgr_GetLastError(intptr_t handle);

/* SNMPMgr_GetLastErrorCode: code of the last error (0 after a success). */
int SNMPMgr_GetLastErrorCode(intptr_t handle);

#ifdef __cplusplus
}
#endif
