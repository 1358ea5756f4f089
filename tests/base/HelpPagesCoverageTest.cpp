#include "base/HelpPages.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include <gtest/gtest.h>

#include <string>

using pelvaro::base::HelpPages;

namespace {

// Below this many characters of text a page is a stub, not help: it cannot say what the
// controls of a window do and what its messages mean.
constexpr qsizetype MinimumTextLength = 1000;

QString readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

// The help contexts the program's code opens, each with the files that name it. The
// patterns cover every way the code hands a context on: the constants of the windows,
// literal ShowHelp calls, the main window's menu items and page table, and the help
// context property of windows and menu items.
QMap<int, QStringList> contextsInSource()
{
    static const QList<QRegularExpression> patterns{
        QRegularExpression(QStringLiteral(R"(HelpContext\s*=\s*(\d+))")),
        QRegularExpression(QStringLiteral(R"(ShowHelp\(\s*(\d+)\s*\))")),
        QRegularExpression(QStringLiteral(R"(helpContext(?:Property)?"?\s*,\s*(\d+)\s*\))")),
        QRegularExpression(QStringLiteral(R"("Action\w+"\s*,\s*(\d+))")),
        QRegularExpression(QStringLiteral(R"(\{\s*"Tab\w+"\s*,\s*"[^"]*"\s*,\s*(\d+)\s*\})")),
    };
    QMap<int, QStringList> contexts;
    QDirIterator files(QStringLiteral(PELVARO_SOURCE_DIR "/src"),
                       {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        const QString text = readFile(path);
        for (const QRegularExpression& pattern : patterns) {
            QRegularExpressionMatchIterator matches = pattern.globalMatch(text);
            while (matches.hasNext()) {
                const int context = matches.next().captured(1).toInt();
                // A menu item without a help topic carries 0.
                if (context > 0) {
                    contexts[context] << QFileInfo(path).fileName();
                }
            }
        }
    }
    return contexts;
}

// Every page the program carries, by context, from the resource folder itself.
QMap<int, QString> shippedPages()
{
    QMap<int, QString> pages;
    const QDir folder(QStringLiteral(":/help"));
    for (const QString& name : folder.entryList({QStringLiteral("*.html")}, QDir::Files)) {
        bool number = false;
        const int context = QFileInfo(name).completeBaseName().toInt(&number);
        if (number)
            pages.insert(context, readFile(folder.filePath(name)));
    }
    return pages;
}

QList<int> helpLinks(const QString& html)
{
    static const QRegularExpression link(QStringLiteral(R"re(href="help:(\d+)")re"));
    QList<int> targets;
    QRegularExpressionMatchIterator matches = link.globalMatch(html);
    while (matches.hasNext())
        targets << matches.next().captured(1).toInt();
    return targets;
}

qsizetype matchCount(const QRegularExpression& pattern, const QString& text)
{
    qsizetype count = 0;
    QRegularExpressionMatchIterator matches = pattern.globalMatch(text);
    while (matches.hasNext()) {
        matches.next();
        ++count;
    }
    return count;
}

QString plainText(const QString& html)
{
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    return QString(html).remove(tag).simplified();
}

} // namespace

// A context that the code opens without a page would show the "no help page" notice.
TEST(HelpPagesCoverage, EveryContextTheProgramOpensHasAPage)
{
    const QMap<int, QStringList> contexts = contextsInSource();
    // The scan itself must see the contexts of the main window, the dialogs and the
    // tools; finding nothing would make the check below pass on nothing.
    for (int known : {1, 3, 3000, 5, 6, 9, 10, 14, 99, 174, 2000, 9911})
        EXPECT_TRUE(contexts.contains(known)) << "the source scan misses context " << known;
    for (auto it = contexts.cbegin(); it != contexts.cend(); ++it) {
        const auto page = HelpPages::page(it.key());
        EXPECT_TRUE(page.found) << "context " << it.key() << " (named in "
                                << it.value().join(QStringLiteral(", ")).toStdString()
                                << ") has no help page";
        EXPECT_FALSE(page.title.isEmpty()) << it.key();
    }
}

TEST(HelpPagesCoverage, EveryPageIsAGermanPageWithContent)
{
    const QMap<int, QString> pages = shippedPages();
    ASSERT_GE(pages.size(), 22);
    static const QRegularExpression title(QStringLiteral("<title>([^<]+)</title>"));
    static const QRegularExpression heading(QStringLiteral("<h1>([^<]+)</h1>"));
    for (auto it = pages.cbegin(); it != pages.cend(); ++it) {
        const QString& html = it.value();
        const std::string context = std::to_string(it.key());
        EXPECT_TRUE(html.startsWith(QLatin1String("<!DOCTYPE html>"))) << context;
        EXPECT_TRUE(html.contains(QLatin1String("lang=\"de\""))) << context;
        EXPECT_TRUE(html.contains(QLatin1String("<meta charset=\"utf-8\">"))) << context;
        EXPECT_TRUE(title.match(html).hasMatch()) << context;
        EXPECT_EQ(matchCount(heading, html), 1) << context << ": one <h1>, the window's name";
        // Nothing is loaded from elsewhere and nothing runs.
        for (const char* banned : {"<script", "<img", "<link", "<iframe", "src="})
            EXPECT_FALSE(html.contains(QLatin1String(banned), Qt::CaseInsensitive))
                << context << " holds " << banned;
        const QString text = plainText(html);
        EXPECT_GE(text.size(), MinimumTextLength)
            << context << " is a stub of " << text.size() << " characters";
        for (const char* placeholder : {"TODO", "Platzhalter", "Lorem ipsum", "noch keine Hilfe"})
            EXPECT_FALSE(text.contains(QLatin1String(placeholder), Qt::CaseInsensitive))
                << context << " holds " << placeholder;
        if (it.key() != 1) {
            EXPECT_TRUE(helpLinks(html).contains(1)) << context << " has no way back to Inhalt";
        }
    }
}

// The help window follows help: links itself; any other address it would hand straight to
// the desktop, and the program's own addresses are not meant to be opened from here.
TEST(HelpPagesCoverage, LinksLeadOnlyToExistingPages)
{
    const QMap<int, QString> pages = shippedPages();
    static const QRegularExpression anyLink(QStringLiteral(R"re(href="([^"]*)")re"));
    for (auto it = pages.cbegin(); it != pages.cend(); ++it) {
        QRegularExpressionMatchIterator matches = anyLink.globalMatch(it.value());
        while (matches.hasNext()) {
            const QString target = matches.next().captured(1);
            EXPECT_TRUE(target.startsWith(QLatin1String("help:")))
                << it.key() << " links to " << target.toStdString();
        }
        for (int target : helpLinks(it.value()))
            EXPECT_TRUE(pages.contains(target)) << it.key() << " links to missing page " << target;
    }
}

TEST(HelpPagesCoverage, TheContentsLinkToEveryPage)
{
    const QMap<int, QString> pages = shippedPages();
    const QList<int> fromContents = helpLinks(pages.value(1));
    for (int context : pages.keys()) {
        if (context == 1)
            continue;
        EXPECT_TRUE(fromContents.contains(context)) << "Inhalt does not link to " << context;
    }
}

TEST(HelpPagesCoverage, TheTenHintsAreTen)
{
    const QString html = HelpPages::page(99).html;
    const qsizetype start = html.indexOf(QLatin1String("<ol>"));
    const qsizetype end = html.indexOf(QLatin1String("</ol>"));
    ASSERT_GE(start, 0);
    ASSERT_GT(end, start);
    const QString list = html.mid(start, end - start);
    EXPECT_EQ(list.count(QLatin1String("<li>")), 10);
    // Each point says something, not just a heading.
    for (const QString& item : list.split(QLatin1String("<li>"), Qt::SkipEmptyParts).mid(1))
        EXPECT_GE(plainText(item).size(), 80) << plainText(item).toStdString();
}
