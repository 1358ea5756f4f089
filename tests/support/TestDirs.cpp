#include "TestDirs.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace pelvaro::test {

namespace {

std::unique_ptr<QTemporaryDir> currentDir;

class TestDirListener : public ::testing::EmptyTestEventListener
{
    void OnTestStart(const ::testing::TestInfo&) override
    {
        currentDir = std::make_unique<QTemporaryDir>();
        const QString base = currentDir->path();
        for (const char* sub : {"home", "config", "runtime", "data"})
            QDir(base).mkpath(QString::fromLatin1(sub));
        qputenv("PELVARO_HOME", QFile::encodeName(base + QStringLiteral("/home")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(base + QStringLiteral("/config")));
        qputenv("XDG_DATA_HOME", QFile::encodeName(base + QStringLiteral("/data")));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(base + QStringLiteral("/runtime")));
        QFile::setPermissions(base + QStringLiteral("/runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // QSettings reads XDG_CONFIG_HOME once per process; the path is set again for
        // every test so no test sees another's settings, let alone the user's.
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           base + QStringLiteral("/config"));
    }
    void OnTestEnd(const ::testing::TestInfo&) override { currentDir.reset(); }
};

} // namespace

QString TestDirs::root()
{
    return currentDir ? currentDir->path() : QString();
}

QString TestDirs::programDir()
{
    return root() + QStringLiteral("/home");
}

QString TestDirs::configDir()
{
    return root() + QStringLiteral("/config");
}

QString TestDirs::runtimeDir()
{
    return root() + QStringLiteral("/runtime");
}

QString TestDirs::settingsFile()
{
    return configDir() + QStringLiteral("/Trevanix GmbH/Pelvaro! 1.6.1.ini");
}

void installTestDirs()
{
    ::testing::UnitTest::GetInstance()->listeners().Append(new TestDirListener);
}

QString binaryDir()
{
    return QStringLiteral(PELVARO_BINARY_DIR);
}

} // namespace pelvaro::test
