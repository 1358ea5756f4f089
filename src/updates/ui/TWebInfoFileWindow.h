#pragma once

#include <QDialog>

#include <memory>

class QPlainTextEdit;
class QPushButton;

namespace pelvaro::updates::ui {

// "Info-Datei": the new version's information file, four fifths of the screen.
class TWebInfoFileWindow : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TWebInfoFileWindow)

public:
    explicit TWebInfoFileWindow(const QString& text, QWidget* parent = nullptr);
    ~TWebInfoFileWindow() override;

    static std::unique_ptr<TWebInfoFileWindow> ForPicture(QWidget* parent = nullptr);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QPlainTextEdit* m_memo;
    QPushButton* m_btnOk;
};

} // namespace pelvaro::updates::ui
