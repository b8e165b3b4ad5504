#include "table/Shared.h"

#include "names/MibNames.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <string>
#include <utility>

namespace {

std::atomic<std::uint64_t> lastGeneration{0};

// name followed by rest, in one allocation.
QString Joined(const QString& name, QStringView rest)
{
    QString text;
    text.reserve(name.size() + rest.size());
    text.append(name);
    text.append(rest);
    return text;
}

}  // namespace

void TOidNameTable::Changed() { generation = ++lastGeneration; }

void TOidNameTable::Add(const QString& oid, const QString& name)
{
    Changed();
    auto found = indexByOid.constFind(oid);
    if (found != indexByOid.constEnd()) {
        entries[*found].name = name;
        return;
    }
    indexByOid.insert(oid, static_cast<int>(entries.size()));
    entries.append(TOidName{oid, name});
}

void TOidNameTable::Clear()
{
    Changed();
    entries.clear();
    indexByOid.clear();
}

QString TOidNameTable::LookupOidName(const QString& oid) const
{
    auto found = indexByOid.constFind(oid);
    return found == indexByOid.constEnd() ? QString() : entries[*found].name;
}

TOidNameTable::TPrefixNames TOidNameTable::PrefixNames(const QString& oid) const
{
    TPrefixNames names;
    // Strip trailing components until a known prefix is left; the stripped
    // part, with its leading dot, follows the name.
    // The prefix shrinks in place: one copy of oid, not two texts a step.
    QString prefix = oid;
    names.entryName = LookupOidName(prefix);
    for (qsizetype dot = prefix.lastIndexOf(QLatin1Char('.')); names.entryName.isEmpty() && dot >= 0;
         dot = prefix.lastIndexOf(QLatin1Char('.'))) {
        prefix.truncate(dot);
        names.entryName = LookupOidName(prefix);
    }
    names.entryLength = prefix.size();
    if (mibNames) {
        const TMibMatch match = mibNames->Find(oid);
        names.object = match.object;
        names.objectLength = oid.size() - match.suffix.size();
    }
    return names;
}

QString TOidNameTable::DescribeOid(const QString& oid) const
{
    TPrefixNames names;
    const qsizetype lastDot = oid.lastIndexOf(QLatin1Char('.'));
    if (lastDot <= 0) {
        names = PrefixNames(oid);
    } else {
        // The prefixes of oid are oid itself and those of its parent. The
        // parent's are kept for the next call on this thread: a walk's answers
        // come one after another under the same parent (ifDescr.1, ifDescr.2,
        // ...), so each needs only its own OID looked up.
        thread_local struct {
            std::uint64_t generation = 0;  // the contents the names were found in
            QString parent;
            TPrefixNames names;
        } memo;
        const QStringView parent = QStringView(oid).left(lastDot);
        if (memo.generation != generation || memo.parent != parent) {
            memo.parent = parent.toString();
            memo.generation = generation;
            memo.names = PrefixNames(memo.parent);
        }
        names = memo.names;
        if (QString own = LookupOidName(oid); !own.isEmpty()) {
            names.entryName = std::move(own);
            names.entryLength = oid.size();
        }
        if (const TMibObject* object = mibNames ? mibNames->Lookup(oid) : nullptr) {
            names.object = object;
            names.objectLength = oid.size();
        }
    }
    const qsizetype restLength = oid.size() - names.entryLength;
    if (names.object) {
        // Both rests are tails of oid: the shorter one has the longer prefix.
        const qsizetype suffixLength = oid.size() - names.objectLength;
        const bool longer = names.entryName.isEmpty() || suffixLength < restLength;
        const bool loadedSame =
            !names.entryName.isEmpty() && suffixLength == restLength && !names.object->file.isEmpty();
        if (longer || loadedSame)
            return Joined(names.object->name, QStringView(oid).mid(names.objectLength));
    }
    return Joined(names.entryName, QStringView(oid).mid(names.entryLength));
}

void TOidNameTable::SetMibNames(std::shared_ptr<const TMibNames> names)
{
    Changed();
    mibNames = std::move(names);
}

namespace {

bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// The parts of a numeric text, as found by the grammar of IsNumericText.
struct TNumberParts {
    bool negative = false;
    std::string mantissa;  // digits with an optional ".", as written
    bool hasMantissaDigit = false;
    std::string exponent;  // optional sign and digits, without the "E"
};

bool SplitNumericText(QStringView text, TNumberParts* parts)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == u' ')
        ++i;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        parts->negative = text[i] == u'-';
        ++i;
    }
    const qsizetype restStart = i;
    while (i < n && IsDigit(text[i])) {
        parts->mantissa += char(text[i].unicode());
        parts->hasMantissaDigit = true;
        ++i;
    }
    if (i < n && text[i] == u'.') {
        parts->mantissa += '.';
        ++i;
        while (i < n && IsDigit(text[i])) {
            parts->mantissa += char(text[i].unicode());
            parts->hasMantissaDigit = true;
            ++i;
        }
    }
    if (i < n && (text[i] == u'E' || text[i] == u'e')) {
        ++i;
        if (i < n && (text[i] == u'+' || text[i] == u'-')) {
            parts->exponent += char(text[i].unicode());
            ++i;
        }
        bool exponentDigit = false;
        while (i < n && IsDigit(text[i])) {
            parts->exponent += char(text[i].unicode());
            exponentDigit = true;
            ++i;
        }
        if (!exponentDigit)
            return false;
    }
    return i == n && i > restStart;
}

// Whether a number beyond the range of long double is too large (rather
// than too close to zero), judged by its decimal order of magnitude.
bool IsOverflow(const TNumberParts& parts)
{
    long long magnitude = 0;
    const std::string& m = parts.mantissa;
    const std::size_t point = std::min(m.find('.'), m.size());
    const std::size_t firstNonZero = m.find_first_not_of("0.");
    if (firstNonZero == std::string::npos)
        return false;
    magnitude = firstNonZero < point ? static_cast<long long>(point - firstNonZero)
                                     : -static_cast<long long>(firstNonZero - point - 1);
    // A long exponent is only inspected for its sign and its first digits:
    // anything past 18 digits is far outside every floating-point range.
    long long exponent = 0;
    bool exponentNegative = false;
    for (char c : parts.exponent) {
        if (c == '-')
            exponentNegative = true;
        else if (c >= '0' && c <= '9' && exponent < 100000000000000000LL)
            exponent = exponent * 10 + (c - '0');
    }
    magnitude += exponentNegative ? -exponent : exponent;
    return magnitude > 0;
}

QStringView TrimBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.sliced(begin, end - begin);
}

}  // namespace

bool IsNumericText(QStringView text)
{
    TNumberParts parts;
    return SplitNumericText(text, &parts);
}

bool NumericTextValue(QStringView text, long double* value)
{
    TNumberParts parts;
    if (!SplitNumericText(text, &parts))
        return false;
    long double result = 0;
    if (parts.hasMantissaDigit) {
        // from_chars reads the C grammar whatever the process locale is.
        std::string number = parts.mantissa;
        if (!parts.exponent.empty())
            number += 'e' + parts.exponent;
        const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), result);
        if (error == std::errc::result_out_of_range)
            result = IsOverflow(parts) ? HUGE_VALL : 0.0L;
        else if (error != std::errc() || end != number.data() + number.size())
            return false;
    }
    *value = parts.negative ? -result : result;
    return true;
}

int CompareNumericTexts(QStringView text1, QStringView text2, bool ascending)
{
    long double value1 = 0;
    long double value2 = 0;
    if (!NumericTextValue(TrimBlanks(text1), &value1) || !NumericTextValue(TrimBlanks(text2), &value2))
        return 0;
    if (value1 == value2)
        return 0;
    const int order = value1 < value2 ? -1 : 1;
    return ascending ? order : -order;
}
