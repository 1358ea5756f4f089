// The shared main of every test executable.
#include "TestDirs.h"

#include <QLocale>

#ifdef PELVARO_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Before the application object exists, so listing the tests at build time works
    // without a display too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Short dates read as day.month.year, as on the German desktops the program is for.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    ::testing::InitGoogleTest(&argc, argv);
    pelvaro::test::installTestDirs();
    TestApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
