// What the program remembers between runs stays bounded: the view states of
// the most recently saved files, the files before them forgotten; and the
// recent files, written on a thread of their own, lose nothing the window
// writes meanwhile.
#include "ui/RememberedState.h"
#include "table/ViewOptions.h"

#include <QSettings>

#include <gtest/gtest.h>

namespace {

QString ViewFile(int n) { return QStringLiteral("/srv/views/view-%1.xml").arg(n); }

TViewState StateWithWidth(int width)
{
    TViewState state;
    state.geometry = QByteArray("geometry");
    state.columnWidths = {width};
    return state;
}

bool Remembered(const TRememberedState& remembered, int n)
{
    return remembered.ViewState(ViewFile(n)).columnWidths == QList<int>{n};
}

}  // namespace

TEST(RememberedState, OnlyTheMostRecentlySavedViewsAreKept)
{
    QSettings(QStringLiteral("Hollbrae"), QStringLiteral("HB_Vexgrid")).clear();
    TRememberedState remembered;
    const int saved = kMaxRememberedViews + 5;
    for (int n = 0; n < saved; ++n)
        remembered.SaveViewState(ViewFile(n), StateWithWidth(n));
    // Saving an early view again makes it recent: view 5 is then the oldest
    // kept, and 6 goes in its place when the next new view comes.
    remembered.SaveViewState(ViewFile(5), StateWithWidth(5));
    remembered.SaveViewState(ViewFile(saved), StateWithWidth(saved));

    struct Case {
        int view;
        bool kept;
    };
    const Case cases[] = {{0, false}, {4, false},        {5, true},    {6, false},
                          {7, true},  {saved - 1, true}, {saved, true}};
    for (const Case& c : cases)
        EXPECT_EQ(Remembered(remembered, c.view), c.kept) << "view " << c.view;
    QSettings store(QStringLiteral("Hollbrae"), QStringLiteral("HB_Vexgrid"));
    store.beginGroup(QStringLiteral("views"));
    EXPECT_EQ(store.childGroups().size(), kMaxRememberedViews);
}

TEST(RememberedState, ViewsSavedBeforeTheOrderWasKeptAreForgottenFirst)
{
    QSettings(QStringLiteral("Hollbrae"), QStringLiteral("HB_Vexgrid")).clear();
    TRememberedState remembered;
    for (int n = 0; n < kMaxRememberedViews; ++n)
        remembered.SaveViewState(ViewFile(n), StateWithWidth(n));
    // A settings file of an earlier version: views, but no order of them.
    QSettings(QStringLiteral("Hollbrae"), QStringLiteral("HB_Vexgrid")).remove(QStringLiteral("viewOrder"));
    remembered.SaveViewState(ViewFile(kMaxRememberedViews), StateWithWidth(kMaxRememberedViews));
    EXPECT_TRUE(Remembered(remembered, kMaxRememberedViews));
    int kept = 0;
    for (int n = 0; n < kMaxRememberedViews; ++n)
        kept += Remembered(remembered, n) ? 1 : 0;
    EXPECT_EQ(kept, kMaxRememberedViews - 1) << "one old view makes room for the new one";
}

// Each file opened starts a write of the recent list on another thread while
// the window goes on saving its view state and options; under the tsan preset
// this also checks that every use of the settings is kept apart from it.
TEST(RememberedState, RecentFilesWrittenMeanwhileLeaveTheWindowsSettingsWhole)
{
    QSettings(QStringLiteral("Hollbrae"), QStringLiteral("HB_Vexgrid")).clear();
    TRememberedState remembered;
    constexpr int kFiles = 6;
    QStringList newestFirst;
    for (int n = 0; n < kFiles; ++n) {
        remembered.AddRecentFile(ViewFile(n));
        remembered.SaveViewState(ViewFile(n), StateWithWidth(n));
        TViewOptions options = LoadViewOptions();
        options.counterRates = n % 2 == 1;
        SaveViewOptions(options);
        newestFirst.prepend(ViewFile(n));
    }
    EXPECT_EQ(remembered.RecentFiles(), newestFirst);
    for (int n = 0; n < kFiles; ++n)
        EXPECT_TRUE(Remembered(remembered, n)) << "view " << n;
    EXPECT_TRUE(LoadViewOptions().counterRates);
}
