// LibreOffice as the other word processor: it reads the files the editor saves and writes
// files the editor must read. Skipped where it is not installed.
#include "reports/rtf/RtfCodec.h"

#include "RtfTestDocuments.h"
#include "TestDirs.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

#include <gtest/gtest.h>

using namespace pelvaro::reports::rtf;
using namespace pelvaro::reports::rtf::test;
using pelvaro::test::TestDirs;

namespace {

class RtfLibreOffice : public testing::Test
{
protected:
    void SetUp() override
    {
        m_soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
        if (m_soffice.isEmpty())
            GTEST_SKIP() << "LibreOffice (soffice) is not installed; scripts/install-deps.sh "
                            "installs libreoffice-writer-nogui for this test";
    }

    // Converts with a profile of the test's own, so no user's LibreOffice settings are read
    // or written, and returns the converted file's path.
    QString convert(const QString& input, const QString& format, const QString& filter = {})
    {
        const QString outDir = TestDirs::root() + QStringLiteral("/converted");
        QDir().mkpath(outDir);
        QStringList arguments{QStringLiteral("-env:UserInstallation=file://") + TestDirs::root() +
                                  QStringLiteral("/libreoffice-profile"),
                              QStringLiteral("--headless"), QStringLiteral("--norestore")};
        if (!filter.isEmpty())
            arguments << QStringLiteral("--infilter=") + filter;
        arguments << QStringLiteral("--convert-to") << format << QStringLiteral("--outdir")
                  << outDir << input;
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(m_soffice, arguments);
        EXPECT_TRUE(process.waitForFinished(100000)) << "soffice did not finish";
        const QString output = outDir + QLatin1Char('/') + QFileInfo(input).completeBaseName() +
                               QLatin1Char('.') + format;
        EXPECT_TRUE(QFileInfo::exists(output)) << process.readAll().constData();
        return output;
    }

    QString m_soffice;
};

} // namespace

TEST_F(RtfLibreOffice, ShowsTheEditorsFileWithItsTextBoldBulletsAndAlignment)
{
    QTextDocument document;
    fillEditorDocument(document);
    QString html = QString::fromUtf8(readFile(convert(
        writeFile(QStringLiteral("bericht.rtf"), writeRtf(document)), QStringLiteral("html"))));
    // LibreOffice breaks and indents its lines wherever it likes.
    html.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" "));
    const std::string page = html.toStdString();

    // The centred bold title, text in and outside Windows-1252.
    const QRegularExpression title(
        QStringLiteral("<p[^>]*(align=\"center\"|text-align: ?center)[^>]*>( |<[^>]+>)*<b>"
                       "( |<[^>]+>)*Anmeldungsprotokoll"));
    EXPECT_TRUE(title.match(html).hasMatch()) << page;
    for (const char* text :
         {"Grüße aus Köln, 5 €", "Ωμέγα – 😀", "Zwei {x} \\ C:\\Pfad Not Found 404"})
        EXPECT_TRUE(html.contains(QString::fromUtf8(text))) << text << "\n" << page;
    EXPECT_TRUE(html.contains(QRegularExpression(QStringLiteral("<p[^>]*(align=\"right\"|"
                                                                "text-align: ?right)[^>]*>"))))
        << page;

    // Two bullet items, each its bullet once: the fallback text for old readers is not shown.
    EXPECT_EQ(html.count(QStringLiteral("<ul")), 1) << page;
    EXPECT_EQ(html.count(QStringLiteral("<li")), 2) << page;
    EXPECT_FALSE(html.contains(QChar(0x2022))) << page;
    const QRegularExpression item(QStringLiteral("<li[^>]*>( |<[^>]+>)*Suchdienst Eins OK 200"));
    EXPECT_TRUE(item.match(html).hasMatch()) << page;
}

TEST_F(RtfLibreOffice, ReadsTheRtfThatLibreOfficeWrites)
{
    const QString source = writeFile(
        QStringLiteral("quelle.html"),
        QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body>"
                       "<p align=\"center\"><b>Fett</b> und <i>kursiv</i> und <u>unter</u> "
                       "<font color=\"#ff0000\">rot</font></p>"
                       "<ul><li>Grüße €</li><li>Ωμέγα</li></ul>"
                       "<p align=\"right\">rechts</p></body></html>")
            .toUtf8());
    const QString rtfPath =
        convert(source, QStringLiteral("rtf"), QStringLiteral("HTML (StarWriter)"));
    QTextDocument document;
    readRtf(readFile(rtfPath), document);

    const QStringList lines = paragraphText(document).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << paragraphText(document).toStdString();
    EXPECT_EQ(lines.at(0).trimmed().toStdString(), "Fett und kursiv und unter rot");
    EXPECT_EQ(lines.at(1).toStdString(), "Grüße €");
    EXPECT_EQ(lines.at(2).toStdString(), "Ωμέγα");
    EXPECT_EQ(lines.at(3).toStdString(), "rechts");

    std::vector<QTextBlock> blocks;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        if (!block.text().trimmed().isEmpty())
            blocks.push_back(block);
    ASSERT_EQ(blocks.size(), 4u);
    EXPECT_EQ(blocks[0].blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(blocks[3].blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    EXPECT_EQ(blocks[0].textList(), nullptr);
    ASSERT_NE(blocks[1].textList(), nullptr);
    EXPECT_EQ(blocks[1].textList(), blocks[2].textList());
    EXPECT_EQ(blocks[3].textList(), nullptr);

    const auto formatOf = [&](const QString& word) {
        const QTextBlock& block = blocks[0];
        const int at = block.text().indexOf(word);
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int start = fragment.position() - block.position();
            if (at >= start && at < start + fragment.length())
                return fragment.charFormat();
        }
        ADD_FAILURE() << word.toStdString() << " not found";
        return QTextCharFormat();
    };
    EXPECT_EQ(formatOf(QStringLiteral("Fett")).fontWeight(), QFont::Bold);
    EXPECT_NE(formatOf(QStringLiteral("und")).fontWeight(), QFont::Bold);
    EXPECT_TRUE(formatOf(QStringLiteral("kursiv")).fontItalic());
    EXPECT_TRUE(formatOf(QStringLiteral("unter")).fontUnderline());
    EXPECT_EQ(formatOf(QStringLiteral("rot")).foreground().color(), QColor(255, 0, 0));
}
