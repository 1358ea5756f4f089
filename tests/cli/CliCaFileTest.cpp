// pelvaro-cli submit --ca-file and the setting IDZusatzZertifikate: a file that cannot be
// used stops the call before anything is sent; the option wins over the setting.
#include "base/SettingsStore.h"
#include "cli/CliCommands.h"
#include "cli/DemoServer.h"

#include "CatalogueFixture.h"
#include "CliRun.h"
#include "TestDirs.h"

#include <QTextStream>

#include <gtest/gtest.h>

#include <cstring>

using pelvaro::base::SettingsStore;
using pelvaro::cli::CliCommands;
using pelvaro::test::cli;
using pelvaro::test::completeSite;
using pelvaro::test::Output;
using pelvaro::test::TestDirs;

namespace {

void storeCaSetting(const QString& path)
{
    SettingsStore store(SettingsStore::defaultFilePath());
    ASSERT_TRUE(store.LoadSettings());
    store.settings().caFile = path;
    ASSERT_TRUE(store.SaveSettings());
}

} // namespace

TEST(CliCaFile, UnusableFileStopsTheRunAndTheOptionWinsOverTheSetting)
{
    const Output imported = cli({QStringLiteral("catalogue"), QStringLiteral("import"),
                                 pelvaro::test::sampleCatalogueSource()});
    ASSERT_EQ(imported.code, 0) << imported.err.toStdString();
    const QString sit = TestDirs::root() + QStringLiteral("/site.sit");
    ASSERT_EQ(cli({QStringLiteral("site"), QStringLiteral("new"), sit}, completeSite).code, 0);
    cli({QStringLiteral("catalogue"), QStringLiteral("select"), QStringLiteral("--nr"),
         QStringLiteral("1")});
    pelvaro::cli::DemoServer farm;
    QString error;
    ASSERT_TRUE(farm.listen(0, 0, &error)) << error.toStdString();
    const QString proxy = QStringLiteral("127.0.0.1:%1").arg(farm.port());
    const QString missing = TestDirs::root() + QStringLiteral("/fehlt.pem");
    const QString refusal =
        QStringLiteral("Fehler: Die Zertifikatsdatei %1 kann nicht verwendet werden: ")
            .arg(missing) +
        QString::fromLocal8Bit(std::strerror(ENOENT)) + QStringLiteral(" (Error #2)\n");

    const Output byOption = cli({QStringLiteral("submit"), sit, QStringLiteral("--proxy"), proxy,
                                 QStringLiteral("--ca-file"), missing});
    EXPECT_EQ(byOption.code, 1);
    EXPECT_EQ(byOption.err, refusal);
    EXPECT_TRUE(byOption.out.isEmpty()) << byOption.out.toStdString();

    storeCaSetting(missing);
    const Output bySetting = cli({QStringLiteral("submit"), sit, QStringLiteral("--proxy"), proxy});
    EXPECT_EQ(bySetting.code, 1);
    EXPECT_EQ(bySetting.err, refusal);

    // An empty option names no file for this call: the run goes ahead.
    const Output overridden = cli({QStringLiteral("submit"), sit, QStringLiteral("--proxy"), proxy,
                                   QStringLiteral("--ca-file"), QString()});
    EXPECT_EQ(overridden.code, 0) << overridden.err.toStdString();
    EXPECT_TRUE(overridden.out.contains(QStringLiteral("+\t"))) << overridden.out.toStdString();
    storeCaSetting(QString());
}
