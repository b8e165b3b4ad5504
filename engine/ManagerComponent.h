// The SNMP manager component as the main window holds it, made and set up
// here so that the window needs nothing of the component's own header.
#pragma once

#include <QString>

#include <memory>

namespace vxsnmp {
class TvxSNMPMgr;
}  // namespace vxsnmp

struct TManagerComponentDeleter {
    void operator()(vxsnmp::TvxSNMPMgr* component) const;
};
using TManagerComponentPtr = std::unique_ptr<vxsnmp::TvxSNMPMgr, TManagerComponentDeleter>;

// A new component with the community of the design ("tamvel").
TManagerComponentPtr MakeManagerComponent();

// Opens the component's endpoint on a free port when the fixed one cannot be
// had (port 162 needs root). Returns the reason when it could not be opened
// at all (the first send tries again), else an empty text.
QString OpenManagerEndpoint(vxsnmp::TvxSNMPMgr& component);
