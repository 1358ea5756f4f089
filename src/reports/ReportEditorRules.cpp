#include "reports/ReportEditorRules.h"

#include "base/AppInfo.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QRegularExpression>
#include <QStringList>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace pelvaro::reports {

namespace {

// Points to pixels and back at 96 dpi; C++ integer division truncates toward zero.
int pointsToPixels(int points)
{
    return points * 4 / 3;
}

int pixelsToPoints(int pixels)
{
    return pixels * 3 / 4;
}

int wholePoints(qreal pixels)
{
    return int(std::lround(pixels * 3.0 / 4.0));
}

} // namespace

int ReportEditorRules::firstIndentMarkerLeft(int firstIndent)
{
    return pointsToPixels(firstIndent) + 2;
}

int ReportEditorRules::leftIndentMarkerLeft(int firstIndent, int leftIndent)
{
    return pointsToPixels(leftIndent + firstIndent) + 2;
}

int ReportEditorRules::rightIndentMarkerLeft(int rightIndent, int rulerWidth)
{
    return rulerWidth - pointsToPixels(rightIndent + 6) - 6;
}

int ReportEditorRules::firstIndentFromMarker(int markerLeft, int dragOffset)
{
    return pixelsToPoints(markerLeft + dragOffset - 6);
}

int ReportEditorRules::leftIndentFromMarker(int markerLeft, int dragOffset, int firstIndent)
{
    return pixelsToPoints(markerLeft + dragOffset - 6) - firstIndent;
}

int ReportEditorRules::rightIndentFromMarker(int markerLeft, int dragOffset, int rulerWidth)
{
    return pixelsToPoints(rulerWidth + dragOffset - markerLeft - 2) - 12;
}

ReportEditorRules::Indents ReportEditorRules::indentsOf(const QTextBlockFormat& format)
{
    const qreal margin = format.leftMargin();
    const qreal extra = format.textIndent();
    return {wholePoints(margin + extra), wholePoints(-extra), wholePoints(format.rightMargin())};
}

void ReportEditorRules::applyIndents(QTextBlockFormat& format, const Indents& indents)
{
    const int first = std::max(indents.first, 0);
    const int others = std::max(first + indents.left, 0);
    format.setLeftMargin(others * 4.0 / 3.0);
    format.setTextIndent((first - others) * 4.0 / 3.0);
    format.setRightMargin(std::max(indents.right, 0) * 4.0 / 3.0);
}

ReportEditorRules::CaretPosition ReportEditorRules::caretPosition(const QTextDocument& document,
                                                                  int position)
{
    const QTextBlock block = document.findBlock(position);
    if (!block.isValid())
        return {};
    const int inBlock = position - block.position();
    // Lines as laid out: a paragraph wrapped to three lines counts three. A block not laid
    // out yet counts as one line.
    const auto lines = [](const QTextBlock& b) {
        const QTextLayout* layout = b.layout();
        return layout ? std::max(layout->lineCount(), 1) : 1;
    };
    CaretPosition caret{0, inBlock};
    for (QTextBlock before = document.begin(); before.isValid() && before != block;
         before = before.next())
        caret.line += lines(before);
    if (const QTextLayout* layout = block.layout(); layout && layout->lineCount() > 0) {
        const QTextLine line = layout->lineForTextPosition(inBlock);
        if (line.isValid()) {
            caret.line += line.lineNumber();
            caret.column = inBlock - line.textStart();
        }
    }
    return caret;
}

QString ReportEditorRules::caretText(const CaretPosition& caret)
{
    return QStringLiteral("Zeile: %1   Spalte: %2").arg(caret.line + 1, 3).arg(caret.column + 1, 3);
}

QString ReportEditorRules::modifiedText(bool modified)
{
    return modified ? QStringLiteral("Geändert") : QString();
}

QString ReportEditorRules::untitled()
{
    return QStringLiteral("Unbenannt");
}

QString ReportEditorRules::caption(const QString& fileName)
{
    return QStringLiteral("%1 - %2").arg(QFileInfo(fileName).fileName(), base::AppInfo::title());
}

QString ReportEditorRules::defaultFilter()
{
    return QStringLiteral("RTF-Dateien (*.RTF)|*.RTF|Textdateien (*.TXT)|*.TXT|Alle Dateien|*.*");
}

QString ReportEditorRules::htmlFilter()
{
    return QStringLiteral(
        "HTML-Dateien (*.HTM;*.HTML)|*.HTML;*.HTM|Textdateien (*.TXT)|*.TXT|Alle Dateien|*.*");
}

QString ReportEditorRules::qtFilter(const QString& filter)
{
    static const QRegularExpression shownPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts.at(i);
        // Qt reads the patterns from the last brackets, so brackets that only show the
        // patterns to the user make way for the real ones.
        description.remove(shownPatterns);
        QStringList patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            if (pattern == QLatin1String("*.*"))
                pattern = QStringLiteral("*");
        }
        entries << QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
    }
    return entries.join(QStringLiteral(";;"));
}

QString ReportEditorRules::withFilterExtension(const QString& path, const QString& qtFilterLine,
                                               const QString& qtFilter)
{
    const QFileInfo file(path);
    if (path.isEmpty() || !file.suffix().isEmpty() || file.fileName().isEmpty())
        return path;
    const QString line =
        qtFilterLine.isEmpty() ? qtFilter.section(QStringLiteral(";;"), 0, 0) : qtFilterLine;
    // The first pattern inside the line's last brackets: "(*.RTF)" gives "rtf".
    static const QRegularExpression firstPattern(QStringLiteral("\\(\\s*\\*\\.([^\\s;()*?]+)"));
    const QRegularExpressionMatch match = firstPattern.match(line);
    if (!match.hasMatch())
        return path;
    return path + QLatin1Char('.') + match.captured(1).toLower();
}

QString ReportEditorRules::pdfProposal(const QString& fileName, const QString& directory)
{
    const QFileInfo file(fileName);
    const QString folder = file.isAbsolute() ? file.absolutePath()
                                             : (directory.isEmpty() ? QDir::homePath() : directory);
    const QString base = file.suffix().isEmpty() ? file.fileName() : file.completeBaseName();
    return QDir(folder).filePath((base.isEmpty() ? untitled() : base) + QStringLiteral(".pdf"));
}

QString ReportEditorRules::openDialogTitle()
{
    return QStringLiteral("Öffnen");
}

QString ReportEditorRules::saveDialogTitle()
{
    return QStringLiteral("Speichern unter");
}

QString ReportEditorRules::saveChangesQuestion(const QString& fileName)
{
    return QStringLiteral("Änderungen in der Datei %1 speichern?").arg(fileName);
}

QString ReportEditorRules::overwriteQuestion(const QString& path)
{
    return QStringLiteral("Soll die Datei %1 überschrieben werden?").arg(path);
}

QString ReportEditorRules::readFailed(const QString& path, const QString& reason)
{
    return QStringLiteral("Die Datei %1 konnte nicht gelesen werden.\n\n%2").arg(path, reason);
}

QString ReportEditorRules::printFailed()
{
    return QStringLiteral("Der Bericht konnte nicht gedruckt werden.");
}

QString ReportEditorRules::loadingNotice()
{
    return QStringLiteral("Die Datei wird geladen, bitte warten ...");
}

std::optional<int> ReportEditorRules::parseFontSize(const QString& text)
{
    bool ok = false;
    const int size = text.trimmed().toInt(&ok);
    if (!ok || size < MinFontSize || size > MaxFontSize)
        return std::nullopt;
    return size;
}

QString ReportEditorRules::invalidFontSize(const QString& text)
{
    return QStringLiteral("\"%1\" ist keine gültige Schriftgröße.\nBitte geben Sie eine ganze "
                          "Zahl von %2 bis %3 ein.")
        .arg(text.trimmed())
        .arg(MinFontSize)
        .arg(MaxFontSize);
}

QFont ReportEditorRules::defaultFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

QFont ReportEditorRules::fileEditingFont()
{
    // Courier's smallest size on the desktops the program comes from was 10 points, so an
    // 8-point request always showed 10.
    QFont font(QStringLiteral("Courier"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(10);
    if (!QFontInfo(font).fixedPitch()) {
        const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setFamilies({QStringLiteral("Liberation Mono"), fixed.family()});
    }
    return font;
}

} // namespace pelvaro::reports
