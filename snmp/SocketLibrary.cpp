#include "snmp/SocketLibrary.h"

#include <atomic>
#include <gnu/libc-version.h>
#include <sys/resource.h>
#include <sys/utsname.h>

namespace vxsnmp {

namespace {

std::atomic<bool> loaded{false};
std::atomic<bool> everStarted{false};
std::atomic<void*> module{nullptr};

}  // namespace

void StartSocketLibrary(void* moduleInstance)
{
    if (moduleInstance != nullptr)
        module = moduleInstance;
    loaded = true;
    everStarted = true;
}

void EnsureSocketLibrary()
{
    if (!everStarted)
        StartSocketLibrary(nullptr);
}

void StopSocketLibrary() { loaded = false; }

bool SocketLibraryLoaded() { return loaded; }

std::string SocketLibraryStatus() { return loaded ? "Running." : "Network subsystem not ready."; }

std::string SocketLibraryInfo()
{
    utsname u{};
    if (uname(&u) != 0)
        return "BSD sockets";
    return std::string(u.sysname) + " " + u.release + " BSD sockets";
}

std::string SocketLibraryPath() { return std::string("glibc ") + gnu_get_libc_version(); }

int SocketLibraryMaxDatagramSize()
{
    return 65507;  // 65535 minus the IPv4 and UDP headers
}

int SocketLibraryMaxSockets()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 65535;
    return limit.rlim_cur > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(limit.rlim_cur);
}

}  // namespace vxsnmp
