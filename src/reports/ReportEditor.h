#pragma once

#include <QObject>
#include <QString>

class QTextDocument;

namespace pelvaro::base {
class UiServices;
}

namespace pelvaro::reports {

// The report editor's document as a file: its name, loading it, saving it, and the
// questions before a file is overwritten or changes are thrown away. It works on the
// editor's own QTextDocument and asks everything through the door, so the window only
// forwards its commands.
class ReportEditor : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReportEditor)

public:
    ReportEditor(base::UiServices& ui, QTextDocument& document, QObject* parent = nullptr);

    QTextDocument& document() { return m_document; }
    const QString& fileName() const { return m_fileName; }
    bool isUntitled() const;
    QString caption() const;
    void setFileName(const QString& fileName);

    // Plain text is read and written as Windows-1252 text; otherwise files are RTF.
    void setPlainText(bool plainText) { m_plainText = plainText; }
    bool plainText() const { return m_plainText; }
    // The folder both file dialogs start in.
    void setDirectory(const QString& directory) { m_directory = directory; }
    const QString& directory() const { return m_directory; }
    // Filters in the notation "Description|patterns|..."; the default filter until set.
    void setFilters(const QString& openFilter, const QString& saveFilter);
    const QString& openFilter() const { return m_openFilter; }
    const QString& saveFilter() const { return m_saveFilter; }

    // Reads the file into the document behind the wait notice, names the document after it
    // and clears the modified state. When the file cannot be read the reason is shown and
    // the document and its name stay as they were; returns false then.
    bool loadFile(const QString& path);
    // The user's commands. Each returns whether it did what it was asked.
    bool open();
    bool save();
    bool saveAs();
    // A file dropped onto the window: the save question, then the file.
    bool dropFile(const QString& path);

    // Asks whether to save changes before they would be lost. True when the document may
    // be discarded: nothing was changed, the user said No, or said Yes and the save
    // happened. A save that was cancelled or failed keeps the changes and answers false.
    bool mayDiscardChanges();

signals:
    void fileNameChanged(const QString& caption);
    // The document was replaced by a file or written to one; its modified and undo states
    // are new.
    void documentStateChanged();
    // The document now holds a file's content.
    void fileLoaded();
    // The document was written to a file.
    void written();

private:
    bool writeTo(const QString& path);

    base::UiServices& m_ui;
    QTextDocument& m_document;
    QString m_fileName;
    QString m_directory;
    QString m_openFilter;
    QString m_saveFilter;
    bool m_plainText = false;
};

} // namespace pelvaro::reports
