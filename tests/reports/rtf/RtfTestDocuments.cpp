#include "RtfTestDocuments.h"

#include "TestDirs.h"

#include <QFile>
#include <QFont>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <gtest/gtest.h>

namespace pelvaro::reports::rtf::test {

namespace {

QTextCharFormat run(const QString& family, qreal points, bool bold = false, bool italic = false,
                    bool underline = false, QColor color = QColor())
{
    QTextCharFormat format;
    format.setFontFamilies({family});
    format.setFontPointSize(points);
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(italic);
    format.setFontUnderline(underline);
    if (color.isValid())
        format.setForeground(color);
    return format;
}

QTextBlockFormat paragraph(Qt::Alignment alignment, qreal tabStop = 0)
{
    QTextBlockFormat format;
    format.setAlignment(alignment);
    if (tabStop > 0)
        format.setTabPositions({QTextOption::Tab(tabStop, QTextOption::LeftTab)});
    return format;
}

} // namespace

void fillEditorDocument(QTextDocument& document)
{
    const QString arial = QStringLiteral("Arial");
    const qreal column = 400; // 300 pt at 96 dpi
    document.setDefaultFont(QFont(arial, 8));
    QTextCursor cursor(&document);

    cursor.setBlockFormat(paragraph(Qt::AlignHCenter));
    cursor.insertText(QStringLiteral("Anmeldungsprotokoll"),
                      run(arial, 16, true, false, false, QColor(0, 0, 128)));

    // An empty line keeps the size of its paragraph mark.
    cursor.insertBlock(paragraph(Qt::AlignHCenter), run(arial, 12, true));

    cursor.insertBlock(paragraph(Qt::AlignLeft, column));
    cursor.insertText(QStringLiteral("Name\tStatusmeldung und -Code"),
                      run(arial, 12, true, false, true, QColor(255, 0, 0)));

    QTextBlockFormat entry = paragraph(Qt::AlignLeft, column);
    cursor.insertBlock(entry);
    QTextListFormat bullets;
    bullets.setStyle(QTextListFormat::ListDisc);
    bullets.setIndent(1);
    QTextList* list = cursor.createList(bullets);
    cursor.insertText(QStringLiteral("Suchdienst Eins\tOK\t200"), run(arial, 10));
    cursor.insertBlock(entry);
    list->add(cursor.block());
    cursor.insertText(QStringLiteral("Zwei {x} \\ C:\\Pfad\tNot Found\t404"), run(arial, 10));

    QTextBlockFormat indented = paragraph(Qt::AlignRight);
    indented.setLeftMargin(30);
    indented.setRightMargin(15);
    indented.setTextIndent(-15);
    indented.setTabPositions({QTextOption::Tab(120, QTextOption::RightTab),
                              QTextOption::Tab(200, QTextOption::CenterTab)});
    cursor.insertBlock(indented);
    cursor.insertText(QStringLiteral("Grüße aus Köln, 5 €"), run(QStringLiteral("Courier New"), 9));
    cursor.insertText(QString(QChar::LineSeparator) + QStringLiteral("Ωμέγα – 😀"),
                      run(QStringLiteral("Courier New"), 9, false, true));

    cursor.insertBlock(paragraph(Qt::AlignJustify));
    cursor.insertText(QStringLiteral("fett "), run(arial, 8, true));
    cursor.insertText(QStringLiteral("kursiv "), run(arial, 8, false, true));
    cursor.insertText(QStringLiteral("unterstrichen "), run(arial, 8, false, false, true));
    cursor.insertText(QStringLiteral("grün"), run(arial, 10.5, false, false, false, Qt::darkGreen));
    // Text with no format of its own: the document's default font.
    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    cursor.insertText(QStringLiteral("Standard"), QTextCharFormat());
}

QStringList describe(const QTextDocument& document)
{
    QStringList lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat format = block.blockFormat();
        QString line = QStringLiteral("align=%1 left=%2 right=%3 first=%4")
                           .arg(int(format.alignment() & Qt::AlignHorizontal_Mask))
                           .arg(format.leftMargin())
                           .arg(format.rightMargin())
                           .arg(format.textIndent());
        for (const QTextOption::Tab& tab : format.tabPositions())
            line += QStringLiteral(" tab=%1/%2").arg(tab.position).arg(int(tab.type));
        if (const QTextList* list = block.textList())
            line +=
                QStringLiteral(" list=%1/%2")
                    .arg(int(list->format().style()))
                    .arg(list->format().indent() * document.indentWidth() + format.leftMargin());
        const auto describeFormat = [&document](const QTextCharFormat& charFormat) {
            const QFont font = charFormat.font().resolve(document.defaultFont());
            const QBrush brush = charFormat.foreground();
            return QStringLiteral("%1 %2pt%3%4%5 %6")
                .arg(font.family())
                .arg(font.pointSizeF())
                .arg(font.bold() ? QStringLiteral(" b") : QString())
                .arg(font.italic() ? QStringLiteral(" i") : QString())
                .arg(font.underline() ? QStringLiteral(" u") : QString())
                .arg(charFormat.hasProperty(QTextFormat::ForegroundBrush) &&
                             brush.style() != Qt::NoBrush
                         ? brush.color().name()
                         : QStringLiteral("auto"));
        };
        if (block.text().isEmpty())
            line += QStringLiteral(" [%1]").arg(describeFormat(block.charFormat()));
        QString previous;
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QString current = describeFormat(it.fragment().charFormat());
            if (current != previous)
                line += QStringLiteral(" [%1]").arg(current);
            line += it.fragment().text();
            previous = current;
        }
        lines << line;
    }
    return lines;
}

QString writeFile(const QString& name, const QByteArray& bytes)
{
    const QString path = pelvaro::test::TestDirs::root() + QLatin1Char('/') + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    EXPECT_EQ(file.write(bytes), bytes.size());
    return path;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

} // namespace pelvaro::reports::rtf::test
