// Module-wide state of the socket layer: whether it was set up, and the facts
// the read-only Winsock* settings report about the Linux socket layer.
#pragma once

#include <string>

namespace vxsnmp {

// StartSocketLibrary / StopSocketLibrary: module-wide set-up and tear-down;
// both may run any number of times.
void StartSocketLibrary(void* moduleInstance);
void StopSocketLibrary();
// EnsureSocketLibrary starts the layer when nobody has started it yet (an
// engine created before the module's own set-up ran).
void EnsureSocketLibrary();

bool SocketLibraryLoaded();
std::string SocketLibraryStatus();   // "Running." or why it is not usable
std::string SocketLibraryInfo();     // the system's socket layer, e.g. "Linux 6.1.0 BSD sockets"
std::string SocketLibraryPath();     // the C library providing the socket calls
int SocketLibraryMaxDatagramSize();  // largest UDP payload over IPv4
int SocketLibraryMaxSockets();       // the process's open-file limit

}  // namespace vxsnmp
