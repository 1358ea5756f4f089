#include "reports/ReportEditor.h"

#include "base/AtomicFile.h"
#include "base/FileTexts.h"
#include "base/UiServices.h"
#include "reports/ReportEditorRules.h"
#include "reports/rtf/RtfCodec.h"

#include <QFile>
#include <QFileInfo>
#include <QTextDocument>

namespace pelvaro::reports {

using base::MessageAnswer;
using base::MessageButtons;

ReportEditor::ReportEditor(base::UiServices& ui, QTextDocument& document, QObject* parent)
    : QObject(parent), m_ui(ui), m_document(document), m_fileName(ReportEditorRules::untitled()),
      m_openFilter(ReportEditorRules::defaultFilter()),
      m_saveFilter(ReportEditorRules::defaultFilter())
{
}

bool ReportEditor::isUntitled() const
{
    return m_fileName == ReportEditorRules::untitled();
}

QString ReportEditor::caption() const
{
    return ReportEditorRules::caption(m_fileName);
}

void ReportEditor::setFileName(const QString& fileName)
{
    m_fileName = fileName;
    emit fileNameChanged(caption());
}

void ReportEditor::setFilters(const QString& openFilter, const QString& saveFilter)
{
    m_openFilter = openFilter;
    m_saveFilter = saveFilter;
}

bool ReportEditor::loadFile(const QString& path)
{
    base::WaitNoticeGuard notice(m_ui, ReportEditorRules::loadingNotice());
    QFile file(path);
    QByteArray bytes;
    bool read = file.open(QIODevice::ReadOnly);
    if (read) {
        bytes = file.readAll();
        read = file.error() == QFileDevice::NoError;
    }
    if (!read) {
        notice.close();
        m_ui.error(ReportEditorRules::readFailed(path, file.errorString()));
        return false;
    }
    // Loading is not an edit the user could take back; it also starts a fresh history.
    m_document.setUndoRedoEnabled(false);
    if (m_plainText)
        rtf::readPlainText(bytes, m_document);
    else
        rtf::readRtf(bytes, m_document);
    m_document.setUndoRedoEnabled(true);
    m_document.setModified(false);
    setFileName(path);
    emit fileLoaded();
    emit documentStateChanged();
    return true;
}

bool ReportEditor::open()
{
    if (!mayDiscardChanges())
        return false;
    base::FileDialogRequest request;
    request.title = ReportEditorRules::openDialogTitle();
    request.filter = ReportEditorRules::qtFilter(m_openFilter);
    request.directory = m_directory;
    const std::optional<QString> path = m_ui.getOpenFileName(request);
    if (!path)
        return false;
    return loadFile(*path);
}

bool ReportEditor::save()
{
    if (isUntitled())
        return saveAs();
    if (!writeTo(m_fileName))
        return false;
    m_document.setModified(false);
    emit documentStateChanged();
    return true;
}

bool ReportEditor::saveAs()
{
    base::FileDialogRequest request;
    request.title = ReportEditorRules::saveDialogTitle();
    request.filter = ReportEditorRules::qtFilter(m_saveFilter);
    request.directory = m_directory;
    // The overwrite question is ours, with Cancel, and asked of the name with the extension
    // it gets.
    request.defaultSuffix.clear();
    request.confirmOverwrite = false;
    const std::optional<base::SaveFileChoice> choice = m_ui.getSaveFileChoice(request);
    if (!choice || choice->path.isEmpty())
        return false;
    const std::optional<QString> path =
        ReportEditorRules::withFilterExtension(choice->path, choice->filter, request.filter);
    if (QFileInfo::exists(*path) &&
        m_ui.question(ReportEditorRules::overwriteQuestion(*path), MessageButtons::YesNoCancel) !=
            MessageAnswer::Yes)
        return false;
    if (!writeTo(*path))
        return false;
    setFileName(*path);
    m_document.setModified(false);
    emit documentStateChanged();
    return true;
}

bool ReportEditor::dropFile(const QString& path)
{
    if (!mayDiscardChanges())
        return false;
    return loadFile(path);
}

bool ReportEditor::mayDiscardChanges()
{
    if (!m_document.isModified())
        return true;
    switch (m_ui.question(ReportEditorRules::saveChangesQuestion(m_fileName),
                          MessageButtons::YesNoCancel)) {
    case MessageAnswer::Yes:
        return save();
    case MessageAnswer::No:
        return true;
    default:
        return false;
    }
}

bool ReportEditor::writeTo(const QString& path)
{
    const QByteArray bytes =
        m_plainText ? rtf::writePlainText(m_document) : rtf::writeRtf(m_document);
    const QString failure = base::AtomicFile::write(path, bytes);
    if (failure.isEmpty()) {
        emit written();
        return true;
    }
    m_ui.error(base::FileTexts::saveFailed(path, failure));
    return false;
}

} // namespace pelvaro::reports
