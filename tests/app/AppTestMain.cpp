#include <QApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    // The program's own settings (QSettings) and data go to a test location under a home of
    // this process, never the user's, and never shared with tests running beside it.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    // Plot windows fill the summary cache: never the user's own.
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", cache.path().toLocal8Bit());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "ShellTestSupport.h"

// The program starts as main() starts it: the frame is shown with its title, menu and MDI area.
TEST(AppSmoke, Starts) {
    vistrel::test::ShellEnv env;
    ASSERT_TRUE(env.Start());
    ASSERT_NE(env.Frame(), nullptr);
    EXPECT_TRUE(env.Frame()->isVisible());
    EXPECT_TRUE(env.Frame()->windowTitle().contains(QStringLiteral("Vis Trel")));
    EXPECT_NE(env.Frame()->MdiArea(), nullptr);
    EXPECT_EQ(vistrel::g_app->m_mdiClient, env.Frame()->MdiArea());
    EXPECT_TRUE(env.app->LanguageModuleLoaded());
    EXPECT_TRUE(env.boxes.isEmpty());
}
