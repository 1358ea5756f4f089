#include "reports/StatusReport.h"

#include "base/UiServices.h"
#include "site/SiteRecord.h"

#include <QColor>
#include <QFont>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

#include <algorithm>
#include <array>
#include <exception>
#include <vector>

namespace pelvaro::reports {

namespace {

const QString Title = QStringLiteral("Anmeldungsprotokoll");
const QString SuccessHeading = QStringLiteral("Erfolgreiche Übertragung");
const QString FailureHeading = QStringLiteral("Fehler bei der Übertragung");

// One find-and-format step: from the first match (plus an offset) to the end of the document.
struct FormatStep
{
    QString search;
    bool fromDocumentStart;
    int offset;
    Qt::Alignment alignment;
    bool bullets;
    bool tabStop;
    QColor colour;
    bool bold;
    bool underline;
    double pointSize;
};

const std::array<FormatStep, 7>& formatSteps()
{
    const QColor navy(0, 0, 128);
    const QColor red(255, 0, 0);
    const QColor black(0, 0, 0);
    static const std::array<FormatStep, 7> steps{{
        {Title, true, 0, Qt::AlignHCenter, false, false, navy, true, false, 16},
        {QStringLiteral("Erzeugt"), false, 0, Qt::AlignHCenter, false, false, black, true, false,
         12},
        {QStringLiteral("Name"), false, 0, Qt::AlignLeft, false, true, red, true, true, 12},
        {SuccessHeading, false, 0, Qt::AlignLeft, true, true, black, false, true, 10},
        {SuccessHeading, false, int(SuccessHeading.size()), Qt::AlignLeft, true, true, black, false,
         false, 10},
        {FailureHeading, false, 0, Qt::AlignLeft, false, true, black, false, true, 10},
        {FailureHeading, false, int(FailureHeading.size()), Qt::AlignLeft, true, true, black, false,
         false, 10},
    }};
    return steps;
}

// Each report line becomes a paragraph of its own; the document always ends in an empty
// paragraph behind the last line, as a line-based text control leaves it.
class LineWriter
{
public:
    explicit LineWriter(QTextDocument& document) : m_cursor(&document)
    {
        m_cursor.movePosition(QTextCursor::End);
        // A document that already holds text (a file loaded before the report) gets the
        // report from a fresh paragraph on, never glued to its last line.
        if (m_cursor.block().length() > 1)
            m_cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
        else
            m_cursor.setBlockFormat(QTextBlockFormat());
    }

    void add(const QString& line)
    {
        m_cursor.insertText(line, QTextCharFormat());
        m_cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    }

    void addSection(const QString& heading, const QStringList& lines)
    {
        add(heading);
        if (lines.isEmpty()) {
            add(QStringLiteral("<Keine Einträge>"));
            return;
        }
        for (const QString& line : lines)
            if (!line.isEmpty())
                add(StatusReport::entryText(line));
    }

private:
    QTextCursor m_cursor;
};

int firstMatch(const QTextDocument& document, const QString& text)
{
    const QTextCursor found = document.find(text, 0, QTextDocument::FindCaseSensitively);
    return found.isNull() ? -1 : found.selectionStart();
}

QTextCharFormat characterAttributes(const FormatStep& step)
{
    QTextCharFormat format;
    format.setForeground(step.colour);
    format.setFontWeight(step.bold ? QFont::Bold : QFont::Normal);
    format.setFontUnderline(step.underline);
    // A style is the whole set: what the step does not name is switched off.
    format.setFontItalic(false);
    format.setFontStrikeOut(false);
    format.setFontPointSize(step.pointSize);
    return format;
}

QTextBlockFormat paragraphAttributes(const FormatStep& step)
{
    QTextBlockFormat format;
    format.setAlignment(step.alignment);
    if (step.tabStop)
        format.setTabPositions(
            {QTextOption::Tab(StatusReport::tabStopPixels(), QTextOption::LeftTab)});
    return format;
}

void setBullet(const QTextBlock& block, bool on)
{
    QTextList* list = block.textList();
    if (on && list && list->format().style() == QTextListFormat::ListDisc)
        return;
    QTextCursor cursor(block);
    if (list) {
        // Not QTextList::remove: it would turn the bullet's indent into the paragraph's.
        QTextBlockFormat format = block.blockFormat();
        format.setObjectIndex(-1);
        cursor.setBlockFormat(format);
    }
    if (on) {
        // One list per paragraph: bullets are a paragraph's attribute here, and a QTextList
        // touches all its paragraphs whenever one joins, which would make a long report
        // quadratic.
        cursor.createList(QTextListFormat::ListDisc);
    }
}

// Runs the find-and-format steps. Every selection reaches to the end of the document and every
// step sets all the attributes it names, so where selections overlap the later step wins: each
// stretch of text and each run of paragraphs is formatted once, by the latest step that reaches
// it, instead of up to seven times over a long report.
void format(QTextDocument& document)
{
    struct Reach
    {
        const FormatStep* step;
        int start;
        int firstBlock;
    };
    std::vector<Reach> reaches; // in step order
    const int end = document.characterCount() - 1;
    for (const FormatStep& step : formatSteps()) {
        const int match = firstMatch(document, step.search);
        if (match < 0)
            continue;
        const int start = step.fromDocumentStart ? 0 : std::min(match + step.offset, end);
        reaches.push_back({&step, start, document.findBlock(start).blockNumber()});
    }
    if (reaches.empty())
        return;

    const auto latest = [&reaches](int at, int Reach::*from) {
        const Reach* last = nullptr;
        for (const Reach& reach : reaches)
            if (reach.*from <= at)
                last = &reach;
        return last;
    };
    const auto stretches = [&reaches](int Reach::*from) {
        std::vector<int> starts;
        for (const Reach& reach : reaches)
            starts.push_back(reach.*from);
        std::sort(starts.begin(), starts.end());
        starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
        return starts;
    };

    const std::vector<int> textStarts = stretches(&Reach::start);
    for (size_t i = 0; i < textStarts.size(); ++i) {
        QTextCursor stretch(&document);
        stretch.setPosition(textStarts[i]);
        stretch.setPosition(i + 1 < textStarts.size() ? textStarts[i + 1] : end,
                            QTextCursor::KeepAnchor);
        stretch.mergeCharFormat(characterAttributes(*latest(textStarts[i], &Reach::start)->step));
    }

    std::vector<int> unbulleted;
    for (const QString& heading : {SuccessHeading, FailureHeading}) {
        const int match = firstMatch(document, heading);
        if (match >= 0)
            unbulleted.push_back(document.findBlock(match).blockNumber());
    }
    unbulleted.push_back(document.blockCount() - 1);

    const std::vector<int> blockStarts = stretches(&Reach::firstBlock);
    for (size_t i = 0; i < blockStarts.size(); ++i) {
        const FormatStep& step = *latest(blockStarts[i], &Reach::firstBlock)->step;
        const int last =
            i + 1 < blockStarts.size() ? blockStarts[i + 1] - 1 : document.blockCount() - 1;
        const QTextBlock first = document.findBlockByNumber(blockStarts[i]);
        QTextCursor run(first);
        run.setPosition(document.findBlockByNumber(last).position(), QTextCursor::KeepAnchor);
        run.mergeBlockFormat(paragraphAttributes(step));
        // Empty lines take their height from the paragraph's own character format.
        run.mergeBlockCharFormat(characterAttributes(step));
        for (QTextBlock block = first; block.isValid() && block.blockNumber() <= last;
             block = block.next()) {
            const bool off = std::find(unbulleted.begin(), unbulleted.end(), block.blockNumber()) !=
                             unbulleted.end();
            setBullet(block, step.bullets && !off);
        }
    }
}

} // namespace

QTextCursor StatusReport::generate(base::UiServices& ui, QTextDocument& document,
                                   const QStringList& successLines, const QStringList& failureLines,
                                   const site::SiteRecord& site, const Clock& today)
{
    LineWriter out(document);
    bool headerFailed = false;
    {
        QTextCursor edit(&document);
        edit.beginEditBlock();
        try {
            out.add(QString());
            out.add(Title);
            out.add(QString());
            out.add(QString());
            out.add(QStringLiteral("Erzeugt am ") + shortDate(today()) +
                    QStringLiteral(" mit Pelvaro!"));
            out.add(QStringLiteral("Registrierte URL: ") + site.URLEdit);
            out.add(QStringLiteral("Titel der registrierten URL: ") + site.TitleEdit);
            for (int i = 0; i < 4; ++i)
                out.add(QString());
            out.add(QStringLiteral("Erfolgreiche Anmeldungen: %1").arg(successLines.size()));
            out.add(QStringLiteral("Fehlgeschlagene Anmeldungen: %1").arg(failureLines.size()));
            out.add(QStringLiteral(" "));
            out.add(QStringLiteral(" "));
            out.add(QStringLiteral("Name\tStatusmeldung und -Code"));
        } catch (const std::exception&) {
            headerFailed = true;
        }
        edit.endEditBlock();
    }
    // Shown outside the edit block: the editor behind the box may repaint meanwhile.
    if (headerFailed)
        ui.error(QStringLiteral("Fehler-Nr. 88273"));

    QTextCursor edit(&document);
    edit.beginEditBlock();
    out.addSection(SuccessHeading, successLines);
    out.addSection(FailureHeading, failureLines);
    format(document);
    edit.endEditBlock();

    return QTextCursor(&document);
}

QString StatusReport::shortDate(const QDate& date, const QLocale& locale)
{
    if (locale.language() == QLocale::C)
        return date.toString(QStringLiteral("dd.MM.yyyy"));
    // A log is kept for years: a two-digit year would leave the century to guess, as the
    // filter's date picker already avoids.
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy")))
        format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return locale.toString(date, format);
}

QString StatusReport::entryText(const QString& line)
{
    const qsizetype cr = line.indexOf(QLatin1Char('\r'));
    return cr < 0 ? QString() : line.left(cr);
}

} // namespace pelvaro::reports
