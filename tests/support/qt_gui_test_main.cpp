// gtest main with a QApplication (built with VEXGRID_TEST_WIDGETS) or, for the
// suites of the models, a QGuiApplication, on the offscreen platform unless
// the caller chose another one (for example xcb under Xvfb). The program's remembered
// state (QSettings) goes to a temporary folder, emptied before every test, so
// that no test reads what another wrote and the user's own settings stay
// untouched. The MIB loader finds its reader through HB_VEXGRID_MIBREAD.
#ifdef VEXGRID_TEST_WIDGETS
#include <QApplication>
using TTestApplication = QApplication;
#else
#include <QGuiApplication>
using TTestApplication = QGuiApplication;
#endif
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class TFreshSettings : public ::testing::EmptyTestEventListener {
public:
    explicit TFreshSettings(QString configFolder) : folder(std::move(configFolder)) {}
    void OnTestStart(const ::testing::TestInfo&) override
    {
        QDir(folder + QStringLiteral("/Hollbrae")).removeRecursively();
    }

private:
    QString folder;
};

}  // namespace

int main(int argc, char** argv)
{
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QTemporaryDir config;
    setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
    // The windows record their shoots: into a folder of the run, not the user's.
    QTemporaryDir data;
    setenv("XDG_DATA_HOME", data.path().toLocal8Bit().constData(), 1);
    // And cache the MIB names there too.
    QTemporaryDir cache;
    setenv("XDG_CACHE_HOME", cache.path().toLocal8Bit().constData(), 1);
    setenv("HB_VEXGRID_MIBREAD", VEXGRID_MIBREAD, 0);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new TFreshSettings(config.path()));
    TTestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
