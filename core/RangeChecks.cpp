#include "core/RangeChecks.h"

#include <limits>

std::optional<int> ParseDecimalInteger(const QString& text)
{
    qsizetype at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) {
        negative = text[at] == u'-';
        ++at;
    }
    if (at == text.size())
        return std::nullopt;  // empty, or a sign alone

    // Accumulate as a negative number so that INT_MIN fits as well.
    long long value = 0;
    for (; at < text.size(); ++at) {
        const char16_t c = text[at].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 - (c - u'0');
        if (value < std::numeric_limits<int>::min())
            return std::nullopt;  // does not fit
    }
    if (!negative) {
        if (-value > std::numeric_limits<int>::max())
            return std::nullopt;
        value = -value;
    }
    return static_cast<int>(value);
}

namespace {

int InRangeOr(const QString& text, int low, int high, int fallback)
{
    const std::optional<int> value = ParseDecimalInteger(text);
    if (value && *value >= low && *value <= high)
        return *value;
    return fallback;
}

}  // namespace

int ValidWidth(const QString& text) { return InRangeOr(text, 300, 2000, 680); }
int ValidHeight(const QString& text) { return InRangeOr(text, 200, 1600, 450); }
int ValidPort(const QString& text) { return InRangeOr(text, 1, 65535, 161); }
int ValidVersion(const QString& text) { return InRangeOr(text, 1, 2, 1); }
