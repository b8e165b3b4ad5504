#include "snmp/EngineSettings.h"

#include <climits>

namespace vxsnmp {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view Trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

}  // namespace

TSettingText ParseSettingText(std::string_view text)
{
    TSettingText setting;
    std::string_view name = text;
    const std::size_t eq = text.find('=');
    if (eq != std::string_view::npos) {
        name = text.substr(0, eq);
        setting.value = std::string(text.substr(eq + 1));
        setting.write = true;
    }
    name = Trimmed(name);
    const std::size_t open = name.find_first_of("[(");
    if (open != std::string_view::npos) {
        std::string_view rest = name.substr(open + 1);
        const std::size_t close = rest.find_first_of("])");
        setting.index = std::string(Trimmed(rest.substr(0, close)));
        name = Trimmed(name.substr(0, open));
    }
    setting.name = std::string(name);
    return setting;
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

bool ParseBoolean(std::string_view value)
{
    value = Trimmed(value);
    return SameName(value, "true") || SameName(value, "yes") || value == "1";
}

int ParseDecimal(std::string_view value)
{
    value = Trimmed(value);
    bool negative = false;
    if (!value.empty() && (value.front() == '-' || value.front() == '+')) {
        negative = value.front() == '-';
        value.remove_prefix(1);
    }
    long long n = 0;
    for (char c : value) {
        if (c < '0' || c > '9')
            break;
        if (n <= INT_MAX)
            n = n * 10 + (c - '0');
    }
    if (negative)
        n = -n;
    if (n > INT_MAX)
        return INT_MAX;
    if (n < INT_MIN)
        return INT_MIN;
    return static_cast<int>(n);
}

}  // namespace vxsnmp
