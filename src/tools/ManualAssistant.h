#pragma once

#include <QDate>
#include <QString>

#include <array>
#include <functional>

namespace pelvaro::base {
class UiServices;
}

namespace pelvaro::catalogue {
struct SelectionCounters;
}

namespace pelvaro::catalogue::store {
class TableCursor;
}

namespace pelvaro::site {
struct SiteRecord;
}

namespace pelvaro::tools {

// The rules of the assistant for services that take a site only by hand: which site values
// it offers for copying and in what order, when it may start, what it shows of the current
// service, and how a registration is recorded. The window only shows these.
class ManualAssistant
{
public:
    static constexpr int HelpContext = 9911;
    static constexpr int ValueCount = 12;

    // --- the values offered for copying, by button number 1 to 12 (entry 0 stays empty) ---
    using Values = std::array<QString, ValueCount + 1>;
    static Values valuesOf(const site::SiteRecord& record);
    // The button's caption with its accelerator; empty outside 1 to 12.
    static QString caption(int number);
    // The button numbers from top to bottom: the personal and address values run backwards.
    static const std::array<int, ValueCount>& stackingOrder();

    // --- starting ---
    enum class Start
    {
        Go,
        ToSitePage, // the user would rather fill in the site description first
        Stop        // nothing to register by hand; the user has been told
    };
    // Asks about missing site values (the field check returns -1 when all are filled) and
    // refuses when no manual-only service is selected.
    static Start checkStart(base::UiServices& ui, const std::function<int()>& requiredFieldCheck,
                            const catalogue::SelectionCounters& counters);
    static QString missingValuesQuestion();
    static QString nothingManualText();

    // --- the current service ---
    struct Link
    {
        QString caption;
        QString address; // empty for a disabled link
        bool enabled = false;
        bool operator==(const Link&) const = default;
    };
    struct ServiceDisplay
    {
        QString name; // cut to ten characters and "..."
        Link startPage;
        Link registrationPage;
        QString remark;
        bool operator==(const ServiceDisplay&) const = default;
    };
    static QString noLinkCaption();
    static ServiceDisplay display(const QString& name, const QString& url,
                                  const QString& manuellUrl, const QString& remark);
    // The current row of the manual-submission view; the no-service display when it is empty.
    static ServiceDisplay display(const catalogue::store::TableCursor& manual);

    // "Anmeldung durchgeführt": dates the current service with `today`, posts it and moves on
    // to the next one (staying on the last). Returns the start page of the service that is
    // now current, to be opened; empty when there is none.
    static QString registrationDone(catalogue::store::TableCursor& manual, const QDate& today);
};

} // namespace pelvaro::tools
