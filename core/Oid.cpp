#include "core/Oid.h"

#include <QHashFunctions>

#include <algorithm>
#include <limits>

namespace {

// Reads the arc of text at `at` and the dot after it, if any; nullopt for
// an empty arc, a character that is no digit or an arc out of range.
std::optional<TOid::TArc> NextArc(QStringView text, qsizetype& at)
{
    std::uint64_t value = 0;
    const qsizetype start = at;
    while (at < text.size() && text[at] >= u'0' && text[at] <= u'9') {
        value = value * 10 + static_cast<std::uint64_t>(text[at].unicode() - u'0');
        if (value > std::numeric_limits<TOid::TArc>::max())
            return std::nullopt;
        ++at;
    }
    if (at == start || (at < text.size() && text[at] != u'.'))
        return std::nullopt;
    if (at < text.size())
        ++at;  // the dot
    return at == text.size() && text.endsWith(u'.') ? std::nullopt : std::optional<TOid::TArc>(value);
}

QStringView WithoutLeadingDot(QStringView text) { return text.startsWith(u'.') ? text.mid(1) : text; }

}  // namespace

std::optional<TOid> TOid::Parse(QStringView text)
{
    text = WithoutLeadingDot(text);
    TOid oid;
    // Enough for every OID a table holds; longer ones grow as needed.
    constexpr std::size_t kTypicalArcs = 16;
    oid.arcs.reserve(kTypicalArcs);
    for (qsizetype at = 0; at < text.size();) {
        const std::optional<TArc> arc = NextArc(text, at);
        if (!arc)
            return std::nullopt;
        oid.arcs.push_back(*arc);
    }
    return oid;
}

bool TOid::IsAboveText(QStringView text) const
{
    text = WithoutLeadingDot(text);
    qsizetype at = 0;
    for (const TArc mine : arcs) {
        const std::optional<TArc> arc = at < text.size() ? NextArc(text, at) : std::nullopt;
        if (arc != mine)
            return false;
    }
    if (at == text.size())
        return false;  // the same OID, not one below it
    while (at < text.size()) {
        if (!NextArc(text, at))
            return false;
    }
    return true;
}

QString TOid::ToString() const
{
    QString text;
    // Up to ten digits and a dot per arc.
    constexpr qsizetype kCharsPerArc = 11;
    text.reserve(static_cast<qsizetype>(arcs.size()) * kCharsPerArc);
    for (std::size_t i = 0; i < arcs.size(); ++i) {
        if (i > 0)
            text += QLatin1Char('.');
        text += QString::number(arcs[i]);
    }
    return text;
}

QString TOid::ToSuffixString() const
{
    QString text;
    for (const TArc arc : arcs) {
        text += QLatin1Char('.');
        text += QString::number(arc);
    }
    return text;
}

bool TOid::IsPrefixOf(const TOid& other) const
{
    return arcs.size() <= other.arcs.size() && std::equal(arcs.begin(), arcs.end(), other.arcs.begin());
}

TOid TOid::SuffixAfter(const TOid& prefix) const
{
    if (!prefix.IsPrefixOf(*this))
        return TOid();
    return TOid(
        std::vector<TArc>(arcs.begin() + static_cast<std::ptrdiff_t>(prefix.arcs.size()), arcs.end()));
}

TOid TOid::operator+(const TOid& suffix) const
{
    TOid joined = *this;
    joined.arcs.insert(joined.arcs.end(), suffix.arcs.begin(), suffix.arcs.end());
    return joined;
}

std::size_t qHash(const TOid& oid, std::size_t seed) noexcept
{
    const std::span<const TOid::TArc> arcs = oid.Arcs();
    return qHashBits(arcs.data(), arcs.size_bytes(), seed);
}
