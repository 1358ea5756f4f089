#pragma once

#include "app/TipsFile.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QLabel;
class QPushButton;

namespace pelvaro::base {
class UiServices;
}

namespace pelvaro::app::ui {

// "Tip des Tages": one tip of the tips file per opening. It closes only through "&OK",
// which rotates and writes the file; there is no other way out, not even Escape.
class TTipOfTheDayForm : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TTipOfTheDayForm)

public:
    TTipOfTheDayForm(base::UiServices& ui, TipsFile tips, bool showOnStartup,
                     QWidget* parent = nullptr);

    // The show-tips flag as the user left it; valid once the window was closed with OK.
    bool showOnStartup() const;
    const TipsFile& tips() const { return m_tips; }

    // The window with a tip, shown without a modal loop (pictures of it).
    static std::unique_ptr<TTipOfTheDayForm> showForPicture(base::UiServices& ui,
                                                            const QStringList& tips);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

public slots:
    void reject() override;

private:
    void showCurrent();
    void nextTip();
    void okClicked();

    base::UiServices& m_ui;
    TipsFile m_tips;
    bool m_closing = false;
    QLabel* m_tip;
    QCheckBox* m_showOnStartup;
};

// Holds the tips file's path for one showing of the tip window.
class TTipDesTages
{
public:
    explicit TTipDesTages(QString tipsFile) : m_tipsFile(std::move(tipsFile)) {}

    // Shows the window modally. `showTips` is the settings' show-tips flag: it is shown in
    // the check box and taken over on OK. A file that cannot be read is reported through
    // the general error display and no window stays open; the flag is then unchanged.
    void Execute(base::UiServices& ui, bool& showTips, QWidget* parent) const;

private:
    QString m_tipsFile;
};

} // namespace pelvaro::app::ui
