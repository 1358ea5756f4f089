#pragma once

#include "site/CategoryTextLookup.h"

namespace pelvaro::catalogue {

class TDataModule1;

// The category texts of the service on which TableTMP stands, read through the linked view
// TableKategorien: the first of its rows (in index order) for the user's category number.
class ServiceCategories : public site::CategoryTextLookup
{
public:
    explicit ServiceCategories(TDataModule1& module) : m_module(module) {}
    QString categoryText(int categoryNumber) const override;

private:
    TDataModule1& m_module;
};

} // namespace pelvaro::catalogue
