#include "core/Oid.h"

#include <QHashFunctions>

#include <algorithm>
#include <limits>

std::optional<TOid> TOid::Parse(QStringView text)
{
    if (text.startsWith(u'.'))
        text = text.mid(1);
    TOid oid;
    if (text.isEmpty())
        return oid;
    // Enough for every OID a table holds; longer ones grow as needed.
    constexpr std::size_t kTypicalArcs = 16;
    oid.arcs.reserve(kTypicalArcs);
    qsizetype at = 0;
    for (;;) {
        std::uint64_t value = 0;
        const qsizetype start = at;
        while (at < text.size() && text[at] >= u'0' && text[at] <= u'9') {
            value = value * 10 + static_cast<std::uint64_t>(text[at].unicode() - u'0');
            if (value > std::numeric_limits<TArc>::max())
                return std::nullopt;
            ++at;
        }
        if (at == start)
            return std::nullopt;  // an empty arc, or a character that is no digit
        oid.arcs.push_back(static_cast<TArc>(value));
        if (at == text.size())
            return oid;
        if (text[at] != u'.')
            return std::nullopt;
        ++at;
    }
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
