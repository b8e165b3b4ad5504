// The choices of the View menu and the re-shoot interval, kept with QSettings
// (organisation "Hollbrae", application "HB_Vexgrid") under the keys
// view/counterRates, view/readableValues, view/markChanges,
// view/keepLastValues and shoot/intervalSeconds.
#pragma once

#include <array>

struct TViewOptions {
    bool counterRates = false;
    bool readableValues = false;
    bool markChanges = true;
    bool keepLastValues = false;
    int intervalSeconds = 10;

    bool operator==(const TViewOptions&) const = default;
};

// The intervals offered under "Shoot again" > "Interval", in seconds.
inline constexpr std::array<int, 6> kShootIntervals = {1, 2, 5, 10, 30, 60};

// Reads the options; a missing or unreadable key keeps its default, an
// interval not offered becomes 10 s.
TViewOptions LoadViewOptions();
void SaveViewOptions(const TViewOptions& options);
