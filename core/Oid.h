// TOid: an object identifier as a value, a list of sub-identifiers (arcs).
// Texts are read and written only at the edges (files, dialogs, the
// component's flat interface); inside, subtree tests, ordering and lookups
// work on arcs. "1.3.6.1.2.1.2.2.1.1" is no prefix of "1.3.6.1.2.1.2.2.1.10.1"
// here, whatever their texts share.
#pragma once

#include <QString>
#include <QStringView>

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <vector>

class TOid {
public:
    using TArc = std::uint32_t;

    TOid() = default;
    TOid(std::initializer_list<TArc> arcList) : arcs(arcList) {}
    explicit TOid(std::vector<TArc> arcList) : arcs(std::move(arcList)) {}

    // Parse reads a dotted list of decimal sub-identifiers, each at most
    // 4294967295 (32 bits), with an optional leading dot (".1.5", the form
    // of an instance suffix). No arcs ("" or ".") is the empty OID. Signs,
    // blanks, letters and empty arcs ("1..3", "1.3.") give nullopt. It checks
    // no BER rules: IsOidText (OidText.h) tells whether an agent can be asked.
    static std::optional<TOid> Parse(QStringView text);
    // Parse, or the empty OID for a text that is none.
    static TOid FromText(QStringView text) { return Parse(text).value_or(TOid()); }

    // "1.3.6.1": the arcs without a leading dot; "" when empty.
    QString ToString() const;
    // ".1.5": every arc after a dot, the form of an instance suffix.
    QString ToSuffixString() const;

    bool IsEmpty() const { return arcs.empty(); }
    std::size_t Size() const { return arcs.size(); }
    TArc operator[](std::size_t i) const { return arcs[i]; }
    std::span<const TArc> Arcs() const { return arcs; }

    // True when this OID is other or one of its ancestors: other lies in the
    // subtree rooted here. The empty OID is the prefix of every OID.
    bool IsPrefixOf(const TOid& other) const;
    // Whether text is an OID below this one (longer, this one its prefix):
    // IsPrefixOf of the parsed text, read without making an OID of it.
    bool IsAboveText(QStringView text) const;
    // The arcs of this OID after `prefix` (which must be IsPrefixOf this):
    // the instance suffix of a column's cell. Empty for a prefix that is not one.
    TOid SuffixAfter(const TOid& prefix) const;
    // This OID followed by the arcs of `suffix`.
    TOid operator+(const TOid& suffix) const;
    TOid& Append(TArc arc)
    {
        arcs.push_back(arc);
        return *this;
    }

    // Arc by arc as numbers; a proper prefix sorts before the OIDs under it.
    friend std::strong_ordering operator<=>(const TOid& a, const TOid& b) = default;
    friend bool operator==(const TOid& a, const TOid& b) = default;

private:
    std::vector<TArc> arcs;
};

// Hashing by arcs, for QHash and the standard containers alike.
std::size_t qHash(const TOid& oid, std::size_t seed = 0) noexcept;

template <>
struct std::hash<TOid> {
    std::size_t operator()(const TOid& oid) const noexcept { return qHash(oid); }
};
