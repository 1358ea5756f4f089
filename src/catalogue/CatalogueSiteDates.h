#pragma once

#include "site/SiteDateStore.h"

namespace pelvaro::base {
class UiServices;
}

namespace pelvaro::catalogue {

class TDataModule1;

// Moves a site's submission dates between its site-info record and the catalogue's
// ZuletztRegistriert column.
class CatalogueSiteDates : public site::SiteDateStore
{
public:
    CatalogueSiteDates(TDataModule1& module, base::UiServices& ui) : m_module(module), m_ui(ui) {}

    void collectDates(site::SiteRecord& record) override;
    bool applyDates(const site::SiteRecord& record) override;
    void clearDates() override;

private:
    TDataModule1& m_module;
    base::UiServices& m_ui;
};

} // namespace pelvaro::catalogue
