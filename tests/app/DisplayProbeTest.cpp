#include "app/DisplayProbe.h"

#include "TestDirs.h"

#include <QLocalServer>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using pelvaro::app::DisplayProbe;
using pelvaro::test::TestDirs;

namespace {

// A display nobody serves on any machine the tests run on.
const QString deadDisplay = QStringLiteral(":64999");

QProcessEnvironment environment(const std::vector<std::pair<const char*, QString>>& values)
{
    QProcessEnvironment env;
    for (const auto& [name, value] : values)
        env.insert(QLatin1String(name), value);
    return env;
}

struct ProbeCase
{
    const char* what;
    std::vector<std::pair<const char*, QString>> values;
    QString platformArgument;
    bool reachable;
};

} // namespace

TEST(DisplayProbe, AnswersFromTheEnvironmentAndTheServersThatListen)
{
    // A real socket where a Wayland compositor would listen.
    QLocalServer compositor;
    const QString runtime = TestDirs::runtimeDir();
    ASSERT_TRUE(compositor.listen(runtime + QStringLiteral("/wayland-test")));

    const ProbeCase cases[] = {
        {"nothing set", {}, {}, false},
        {"a display nobody serves", {{"DISPLAY", deadDisplay}}, {}, false},
        {"X chosen without a display", {{"QT_QPA_PLATFORM", QStringLiteral("xcb")}}, {}, false},
        {"off-screen", {{"QT_QPA_PLATFORM", QStringLiteral("offscreen")}}, {}, true},
        {"off-screen with options",
         {{"QT_QPA_PLATFORM", QStringLiteral("offscreen:fontengine=freetype")}},
         {},
         true},
        {"off-screen as the fallback after X",
         {{"QT_QPA_PLATFORM", QStringLiteral("xcb;offscreen")}, {"DISPLAY", deadDisplay}},
         {},
         true},
        {"the command line overrides the environment",
         {{"QT_QPA_PLATFORM", QStringLiteral("xcb")}},
         QStringLiteral("offscreen"),
         true},
        {"a listening compositor",
         {{"WAYLAND_DISPLAY", QStringLiteral("wayland-test")}, {"XDG_RUNTIME_DIR", runtime}},
         {},
         true},
        {"a compositor named by its path",
         {{"QT_QPA_PLATFORM", QStringLiteral("wayland")},
          {"WAYLAND_DISPLAY", runtime + QStringLiteral("/wayland-test")}},
         {},
         true},
        {"a compositor that is gone",
         {{"QT_QPA_PLATFORM", QStringLiteral("wayland")},
          {"WAYLAND_DISPLAY", QStringLiteral("wayland-gone")},
          {"XDG_RUNTIME_DIR", runtime}},
         {},
         false},
        {"Wayland without a runtime folder",
         {{"WAYLAND_DISPLAY", QStringLiteral("wayland-test")}},
         {},
         false},
    };
    for (const ProbeCase& c : cases) {
        SCOPED_TRACE(c.what);
        const auto problem = DisplayProbe::problem(environment(c.values), c.platformArgument);
        if (c.reachable)
            EXPECT_FALSE(problem.has_value());
        else
            EXPECT_EQ(problem.value_or(QString()), DisplayProbe::noDisplayMessage());
    }
}
