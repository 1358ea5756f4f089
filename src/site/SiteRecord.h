#pragma once

#include "site/SubmissionLedger.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <span>

namespace pelvaro::site {

// One entry of the record's per-service table: the catalogue's Nr and the last date the
// site was submitted to that service (days since 30 December 1899; 0.0 means none).
struct EngineDateEntry
{
    qint32 nr = 0;
    double date = 0.0;
    bool operator==(const EngineDateEntry&) const = default;
};

// The site description: fixed-capacity texts (capacities count Windows-1252 bytes) and
// item indexes (-1 = no choice). Its byte form is the site-info file.
struct SiteRecord
{
    static constexpr qsizetype ByteSize = 10395;
    static constexpr int KeyCount = 15;
    static constexpr int DateEntryCount = 700;
    static constexpr qsizetype DateTableOffset = 1995;

    QString FirstNameEdit;            // 30
    QString LastNameEdit;             // 30
    QString title_personEdit;         // 30
    QString mobileEdit;               // 30
    QString tollfreeEdit;             // 30
    QString FaxEdit;                  // 30
    QString phoneEdit;                // 30
    QString PostcodeEdit;             // 15
    QString CityEdit;                 // 50
    QString AddressEdit;              // 60
    QString emailEdit;                // 60
    QString CompanyEdit;              // 50
    QString productsEdit;             // 50
    QString StateEdit;                // 30
    QString TitleEdit;                // 50
    QString URLEdit;                  // 100
    QString DescriptionShortEdit;     // 60
    QString NameVornameWebMasterEdit; // 100
    QString WebmasterEmailEdit;       // 60
    QString passwordedit;             // 15
    QString ageEdit;                  // 2
    QString KeywordsMemo;             // 255
    QString DescriptionMemo;          // 255
    qint32 LanguageCombo = -1;
    qint32 webtypeCombo = -1;
    qint32 CategoryCombo = -1;
    qint32 countryCombo = -1;
    qint32 GreetingCombo = -1;
    qint32 sexCombo = -1;
    std::array<QString, KeyCount> Key; // Key1 .. Key15, 30 each
    QString FullName;                  // 60, derived
    std::array<EngineDateEntry, DateEntryCount> dates{};
    // The site's IndexNow key. Not part of the record's bytes: the site-info file carries it
    // in a trailer after the record (SiteFile), where older readers never look.
    QString indexNowKey;
    // Further page addresses of the site for IndexNow, given by the user or read from its
    // sitemap; and what was sent to each service for this site. Both live in the trailer too.
    QStringList indexNowUrls;
    SubmissionLedger ledger;

    // Every text empty, every item index -1, the date table zero.
    void Clear();
    // FirstNameEdit, a blank and LastNameEdit, cut to 60 characters.
    static QString fullNameOf(const QString& firstName, const QString& lastName);
    void recomputeFullName() { FullName = fullNameOf(FirstNameEdit, LastNameEdit); }
    // Cuts every text to its capacity (characters Windows-1252 cannot hold count as one).
    void clampToCapacities();
    // A text the user describes the site with, named as its control: the twenty one-line
    // fields and the age first, then the two memos, in record order.
    struct TextField
    {
        const char* name;
        QString SiteRecord::*member;
    };
    static constexpr int EditFieldCount = 21;
    static std::span<const TextField> textFields();
    static std::span<const TextField> editFields() { return textFields().first(EditFieldCount); }

    // The capacity of a text member, in Windows-1252 bytes; also the maximum length of its
    // edit field. The key texts have keyCapacity; an unknown member gives 0.
    static int capacityOf(QString SiteRecord::*member);
    static constexpr int keyCapacity = 30;

    // Exactly ByteSize bytes.
    QByteArray encode() const;
    // Accepts any bytes: missing bytes read as zero, extra bytes are ignored, and a length
    // byte above its field's capacity is clamped to the capacity.
    static SiteRecord decode(const QByteArray& bytes);

    bool operator==(const SiteRecord&) const = default;
};

} // namespace pelvaro::site
