#include "snmp/SocketErrors.h"

#include <cerrno>
#include <netdb.h>

namespace vxsnmp {

namespace {

struct TCodeText {
    int code;
    std::string_view text;
};

// The descriptions callers have always seen for these codes, kept verbatim.
constexpr TCodeText kDescriptions[] = {
    {10004, "Interrupted system call"},
    {10009, "Bad file number"},
    {10013, "Access denied"},
    {10014, "Bad address"},
    {10022, "Invalid argument"},
    {10024, "Too many open files"},
    {10035, "Operation would block"},
    {10036, "Operation now in progress"},
    {10037, "Operation already in progress"},
    {10038, "Socket operation on non-socket"},
    {10039, "Destination address required"},
    {10040, "Message too long"},
    {10041, "Protocol wrong type for socket"},
    {10042, "Bad protocol option"},
    {10043, "Protocol not supported"},
    {10044, "Socket type not supported"},
    {10045, "Operation not supported on socket"},
    {10046, "Protocol family not supported"},
    {10047, "Address family not supported by protocol family"},
    {10048, "Address already in use"},
    {10049, "Can't assign requested address"},
    {10050, "Network is down"},
    {10051, "Network is unreachable"},
    {10052, "Net dropped connection or reset"},
    {10053, "Software caused connection abort"},
    {10054, "Connection reset by peer"},
    {10055, "No buffer space available"},
    {10056, "Socket is already connected"},
    {10057, "Socket is not connected"},
    {10058, "Can't send after socket shutdown"},
    {10059, "Too many references, can't splice"},
    {10060, "Connection timed out"},
    {10061, "Connection refused"},
    {10062, "Too many levels of symbolic links"},
    {10063, "File name too long"},
    {10064, "Host is down"},
    {10065, "No route to host"},
    {10066, "Directory not empt"},
    {10067, "Too many processes"},
    {10068, "Too many users"},
    {10069, "Disc Quota Exceeded"},
    {10070, "Stale NFS file handle"},
    {10071, "Too many levels of remote in path"},
    {10091, "Network subsystem is unavailable"},
    {10092, "WINSOCK DLL Version out of range"},
    {10093, "Winsock not loaded yet (WSANOTINITIALISED)"},
    {11001, "Host not found"},
    {11002, "Non-authoritative 'Host not found' (try again or check DNS setup)"},
    {11003, "Non-recoverable errors: FORMERR, REFUSED, NOTIMP"},
    {11004, "Valid name, no data record (check DNS setup)"},
};

struct TErrnoCode {
    int err;
    int code;
};

constexpr TErrnoCode kErrnoCodes[] = {
    {EINTR, 10004},
    {EBADF, 10038},  // a closed or invalid descriptor: not a socket
    {EACCES, 10013},
    {EPERM, 10013},
    {EFAULT, 10014},
    {EINVAL, 10022},
    {EMFILE, 10024},
    {ENFILE, 10024},
    {EAGAIN, 10035},
    {EINPROGRESS, 10036},
    {EALREADY, 10037},
    {ENOTSOCK, 10038},
    {EDESTADDRREQ, 10039},
    {EMSGSIZE, 10040},
    {EPROTOTYPE, 10041},
    {ENOPROTOOPT, 10042},
    {EPROTONOSUPPORT, 10043},
    {ESOCKTNOSUPPORT, 10044},
    {EOPNOTSUPP, 10045},
    {EPFNOSUPPORT, 10046},
    {EAFNOSUPPORT, 10047},
    {EADDRINUSE, 10048},
    {EADDRNOTAVAIL, 10049},
    {ENETDOWN, 10050},
    {ENETUNREACH, 10051},
    {ENETRESET, 10052},
    {ECONNABORTED, 10053},
    {ECONNRESET, 10054},
    // Linux reports an ICMP port-unreachable for an earlier datagram as
    // ECONNREFUSED on the next socket call; callers know it as 10054.
    {ECONNREFUSED, 10054},
    {ENOBUFS, 10055},
    {ENOMEM, 10055},
    {EISCONN, 10056},
    {ENOTCONN, 10057},
    {ESHUTDOWN, 10058},
    {ETOOMANYREFS, 10059},
    {ETIMEDOUT, 10060},
    {ELOOP, 10062},
    {ENAMETOOLONG, 10063},
    {EHOSTDOWN, 10064},
    {EHOSTUNREACH, 10065},
    {ENOTEMPTY, 10066},
    {EUSERS, 10068},
    {EDQUOT, 10069},
    {ESTALE, 10070},
    {EREMOTE, 10071},
};

}  // namespace

int SocketCodeFromErrno(int err)
{
    for (const TErrnoCode& e : kErrnoCodes)
        if (e.err == err)
            return e.code;
    return kWsaInvalidArgument;
}

int SocketCodeFromLookup(int gaiResult, int err)
{
    switch (gaiResult) {
    case 0: return 0;
    case EAI_NONAME:
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
#endif
        return kWsaHostNotFound;
    case EAI_AGAIN: return kWsaTryAgain;
    case EAI_FAIL: return kWsaNoRecovery;
#ifdef EAI_NODATA
    case EAI_NODATA: return kWsaNoData;
#endif
    case EAI_MEMORY: return kWsaNoBufferSpace;
    case EAI_SYSTEM: return err != 0 ? SocketCodeFromErrno(err) : kWsaNoRecovery;
    default: return kWsaNoRecovery;
    }
}

std::string_view SocketDescription(int code)
{
    for (const TCodeText& d : kDescriptions)
        if (d.code == code)
            return d.text;
    return {};
}

std::string SocketErrorText(int code)
{
    std::string_view description = SocketDescription(code);
    std::string text = "[" + std::to_string(code) + "] ";
    text += description.empty() ? std::string_view("(no description available)") : description;
    return text;
}

}  // namespace vxsnmp
