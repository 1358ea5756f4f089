#pragma once

#include "base/UiServices.h"

#include <QString>

namespace pelvaro::tools {

// The part of the user's edit that a length-limited field refuses: a range of the edited
// text, empty when the edit fits.
struct EditCut
{
    qsizetype from = 0;
    qsizetype length = 0;

    bool operator==(const EditCut&) const = default;
};

// The meta-tag page's commands beyond generating and importing: what they say, which
// dialog they open, and how far typing may go.
class MetaTagPageRules
{
public:
    // The import needs a file row; its box tells where to find one.
    static QString noFileForImportText();
    static QString noFileForHeadText();
    static QString nothingToCopyText();
    static QString headDialogTitle();
    static QString editFileDialogTitle();

    // The open dialog of "Datei bearbeiten". A selected row presets its folder and name;
    // `qtFilter` is the HTML filter in Qt's notation.
    static base::FileDialogRequest editFileRequest(const QString& selectedFolder,
                                                   const QString& selectedFileName,
                                                   const QString& qtFilter);

    // "In Zwischenablage": copies the generated tags, or explains how to get some.
    // Returns whether anything was copied.
    static bool copyTags(const QString& tags, base::UiServices& ui);

    // Typing stops at the limit, but a longer value that an import put into the field stays
    // and may still be shortened: only what the edit added beyond the larger of the limit
    // and the former length is taken back, from the end of the added text. Memos count a
    // line break as two characters, as the generated tags carry it.
    static EditCut refusedPart(const QString& before, const QString& after, qsizetype limit,
                               bool memo);
};

} // namespace pelvaro::tools
