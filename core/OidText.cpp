#include "core/OidText.h"

namespace {

// Under the first arcs 0 and 1 the second arc is below 40: the first byte on
// the wire holds 40 * first + second.
constexpr unsigned long long kMaxSecondArcUnderZeroOrOne = 39;

}  // namespace

bool IsOidText(QStringView text)
{
    if (text.startsWith(u'.'))
        text = text.mid(1);
    int arcs = 0;
    unsigned long long first = 0;
    qsizetype at = 0;
    while (true) {
        unsigned long long value = 0;
        const qsizetype start = at;
        while (at < text.size() && text[at] >= u'0' && text[at] <= u'9') {
            value = value * 10 + static_cast<unsigned long long>(text[at].unicode() - u'0');
            if (value > kMaxOidArc)
                return false;
            ++at;
        }
        if (at == start || ++arcs > kMaxOidArcs)
            return false;
        if (arcs == 1 && value > 2)
            return false;
        if (arcs == 1)
            first = value;
        if (arcs == 2 && first < 2 && value > kMaxSecondArcUnderZeroOrOne)
            return false;
        if (at == text.size())
            return arcs >= kMinOidArcs;
        if (text[at] != u'.')
            return false;
        ++at;
    }
}
