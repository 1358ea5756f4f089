#pragma once

#include <QString>
#include <QVariantMap>

#include <vector>

namespace pelvaro::test {

// A service row with sensible defaults: kind "S", automatic, not selected, rating 2, home
// page and registration page on example addresses. extra overrides or adds fields.
QVariantMap engine(int nr, const QString& name, const QVariantMap& extra = {});

// Writes a catalogue database with exactly these rows, in this order, into dataDirectory.
void createCatalogue(const QString& dataDirectory, const std::vector<QVariantMap>& dba,
                     const std::vector<QVariantMap>& dbc = {},
                     const std::vector<QVariantMap>& dbd = {});

// The sample catalogue the build prepares; copied into dataDirectory.
void installSampleCatalogue(const QString& dataDirectory);
QString sampleCatalogueSource(); // resources/catalogue

} // namespace pelvaro::test
