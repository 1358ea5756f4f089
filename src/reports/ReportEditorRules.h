#pragma once

#include <QFont>
#include <QString>

#include <optional>

class QTextBlockFormat;
class QTextDocument;

namespace pelvaro::reports {

// The report editor's fixed numbers and texts: where the ruler draws its markers for a
// paragraph's indents and which indents a dragged marker stands for, what the status bar
// reads, the caption, the file filters, the questions and the font size the user typed.
class ReportEditorRules
{
public:
    static constexpr int HelpContext = 14;
    static constexpr int RulerHeight = 26;
    static constexpr int CaretPanelWidth = 120;
    static constexpr int ModifiedPanelWidth = 60;
    static constexpr int LastPanelWidth = 50;
    static constexpr int MinFontSize = 1;
    // The largest size the editor's documents were ever written with; beyond it the size is
    // more likely a typing slip than a wish.
    static constexpr int MaxFontSize = 1638;

    // A paragraph's indents in whole points as the ruler sees them: the first line's indent
    // from the margin, the other lines' indent relative to the first line, and the right
    // indent from the right margin.
    struct Indents
    {
        int first = 0;
        int left = 0;
        int right = 0;
        bool operator==(const Indents&) const = default;
    };

    // Marker positions (left edges in pixels) from indents in points, and back from a
    // released marker's left edge and the drag offset. The arithmetic is exact integer
    // arithmetic: 4/3 is points to pixels at 96 dpi, and every division truncates toward
    // zero as Trunc does.
    static int firstIndentMarkerLeft(int firstIndent);
    static int leftIndentMarkerLeft(int firstIndent, int leftIndent);
    static int rightIndentMarkerLeft(int rightIndent, int rulerWidth);
    static int firstIndentFromMarker(int markerLeft, int dragOffset);
    static int leftIndentFromMarker(int markerLeft, int dragOffset, int firstIndent);
    static int rightIndentFromMarker(int markerLeft, int dragOffset, int rulerWidth);

    // QTextDocument keeps a paragraph's margins in pixels (1 pt = 4/3 px) as a margin for all
    // lines plus an extra indent of the first line; these translate to and from the ruler's
    // view. Indents that would put text outside the page (a marker dragged past the margin)
    // are taken as zero.
    static Indents indentsOf(const QTextBlockFormat& format);
    static void applyIndents(QTextBlockFormat& format, const Indents& indents);

    // The caret's line and column, both from 0. The line counts the lines as laid out, so a
    // wrapped paragraph counts once per line, as the status bar shows them.
    struct CaretPosition
    {
        int line = 0;
        int column = 0;
    };
    static CaretPosition caretPosition(const QTextDocument& document, int position);
    static QString caretText(const CaretPosition& caret);
    static QString modifiedText(bool modified);

    static QString untitled();
    static QString caption(const QString& fileName);

    // Filters are kept in the notation "Description|patterns|Description|patterns"; the
    // file dialogs get Qt's notation. "*.*" matches every file here, with or without a dot.
    static QString defaultFilter();
    static QString htmlFilter();
    static QString qtFilter(const QString& filter);
    // The path a save dialog's answer stands for: a name typed without extension gets the
    // one of the filter line it was saved under ("bericht" under "RTF-Dateien (*.RTF)"
    // becomes "bericht.rtf"); the first line's when the dialog cannot tell; none under
    // "Alle Dateien". A name with an extension is used as typed.
    static QString withFilterExtension(const QString& path, const QString& qtFilterLine,
                                       const QString& qtFilter);
    static QString openDialogTitle();
    static QString saveDialogTitle();

    static QString saveChangesQuestion(const QString& fileName);
    static QString overwriteQuestion(const QString& path);
    static QString readFailed(const QString& path, const QString& reason);
    static QString printFailed();
    // The PDF file a print to a file proposes: the document's folder and name with ".pdf",
    // or the given folder for a document not saved yet.
    static QString pdfProposal(const QString& fileName, const QString& directory);
    static QString loadingNotice();

    // A font size typed into the size field: a whole number of points within the limits,
    // or nothing when the text is none.
    static std::optional<int> parseFontSize(const QString& text);
    static QString invalidFontSize(const QString& text);

    // Arial 8 pt; the font with Arial's metrics stands in where Arial is not installed.
    static QFont defaultFont();
    // "Courier" for editing a file as plain text, or another fixed-pitch font of the same
    // size where no Courier is installed, so columns of HTML still line up.
    static QFont fileEditingFont();
};

} // namespace pelvaro::reports
