#include "base/ui/ProgramIcons.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using pelvaro::base::ui::ProgramIcons;
using Command = ProgramIcons::Command;

namespace {

// The theme settings are process-wide; every test leaves them as it found them.
class ThemeGuard
{
public:
    ThemeGuard() : m_name(QIcon::themeName()), m_paths(QIcon::themeSearchPaths()) {}
    ~ThemeGuard()
    {
        QIcon::setThemeSearchPaths(m_paths);
        QIcon::setThemeName(m_name);
    }

private:
    QString m_name;
    QStringList m_paths;
};

QImage imageAt(const QIcon& icon, int size)
{
    return icon.pixmap(QSize(size, size))
        .toImage()
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage ownFile(Command command, int size)
{
    return QImage(QStringLiteral(":/programicons/%1x%1/%2.png")
                      .arg(size)
                      .arg(ProgramIcons::themeName(command)))
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

int visiblePixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
    return count;
}

} // namespace

TEST(ProgramIcons, WithoutAThemeEveryCommandShowsItsOwnPictureAtEachSize)
{
    ThemeGuard guard;
    QTemporaryDir nothing;
    ASSERT_TRUE(nothing.isValid());
    QIcon::setThemeSearchPaths({nothing.path()});
    QIcon::setThemeName(QStringLiteral("pelvaro-no-such-theme"));

    QSet<QString> names;
    for (const Command command : ProgramIcons::commands()) {
        const QString name = ProgramIcons::themeName(command);
        EXPECT_FALSE(names.contains(name)) << "two commands asking for " << name.toStdString();
        names.insert(name);
        const QIcon icon = ProgramIcons::icon(command);
        ASSERT_FALSE(icon.isNull()) << name.toStdString();
        for (const int size : ProgramIcons::ownPictureSizes) {
            const QImage own = ownFile(command, size);
            ASSERT_EQ(own.size(), QSize(size, size)) << name.toStdString() << " at " << size;
            EXPECT_GT(visiblePixels(own), size * size / 8)
                << name.toStdString() << " at " << size << " is next to empty";
            EXPECT_EQ(imageAt(icon, size), own) << name.toStdString() << " at " << size;
        }
    }
    EXPECT_EQ(names.size(), ProgramIcons::commandCount);
}

TEST(ProgramIcons, AThemesPictureWinsAndTheOwnOnesFillItsGaps)
{
    ThemeGuard guard;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString theme = dir.filePath(QStringLiteral("probe"));
    ASSERT_TRUE(QDir().mkpath(theme + QStringLiteral("/16x16/actions")));
    QFile index(theme + QStringLiteral("/index.theme"));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=probe\nDirectories=16x16/actions\n\n"
                "[16x16/actions]\nSize=16\nContext=Actions\nType=Fixed\n");
    index.close();
    QImage red(16, 16, QImage::Format_ARGB32_Premultiplied);
    red.fill(QColor(Qt::red));
    ASSERT_TRUE(red.save(theme + QStringLiteral("/16x16/actions/document-open.png")));

    QIcon::setThemeSearchPaths({dir.path()});
    QIcon::setThemeName(QStringLiteral("probe"));

    EXPECT_EQ(imageAt(ProgramIcons::icon(Command::Open), 16), red);
    EXPECT_EQ(imageAt(ProgramIcons::ownPicture(Command::Open), 16), ownFile(Command::Open, 16));
    for (const Command other : {Command::Save, Command::Exit, Command::GoNext})
        EXPECT_EQ(imageAt(ProgramIcons::icon(other), 16), ownFile(other, 16))
            << ProgramIcons::themeName(other).toStdString();
}

TEST(ProgramIcons, TheApplicationIconIsBuiltInAndAnInstalledOneWins)
{
    ThemeGuard guard;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QIcon::setThemeSearchPaths({dir.path()});
    QIcon::setThemeName(QStringLiteral("hicolor"));

    const QIcon builtIn = ProgramIcons::application();
    ASSERT_FALSE(builtIn.isNull());
    for (const int size : {16, 32, 48, 256}) {
        const QImage packaged(
            QStringLiteral(PELVARO_SOURCE_DIR "/packaging/icons/pelvaro-%1.png").arg(size));
        ASSERT_EQ(packaged.size(), QSize(size, size));
        EXPECT_EQ(imageAt(builtIn, size),
                  packaged.convertToFormat(QImage::Format_ARGB32_Premultiplied))
            << size;
    }

    // An installation puts its icon into hicolor under the application id.
    const QString apps = dir.filePath(QStringLiteral("hicolor/32x32/apps"));
    ASSERT_TRUE(QDir().mkpath(apps));
    QFile index(dir.filePath(QStringLiteral("hicolor/index.theme")));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=Hicolor\nDirectories=32x32/apps\n\n"
                "[32x32/apps]\nSize=32\nContext=Applications\nType=Threshold\n");
    index.close();
    QImage green(32, 32, QImage::Format_ARGB32_Premultiplied);
    green.fill(QColor(Qt::green));
    ASSERT_TRUE(green.save(apps + QLatin1Char('/') + ProgramIcons::applicationIconName() +
                           QStringLiteral(".png")));
    QIcon::setThemeName(QStringLiteral("hicolor"));
    EXPECT_EQ(imageAt(ProgramIcons::application(), 32), green);
}
