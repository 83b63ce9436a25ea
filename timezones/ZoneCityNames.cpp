#include "timezones/ZoneCityNames.h"

#include "timezones/WindowsZoneTable.h"

#include <QSet>

#include <unicode/locid.h>
#include <unicode/strenum.h>
#include <unicode/timezone.h>
#include <unicode/tznames.h>

#include <memory>

namespace {

// Financial centres that are no zone's exemplar city, with the zone whose rules they
// keep. ICU names only one city per zone (Berlin, Kolkata), and these are the places a
// trader types first.
struct TPlace {
    const char* ru;
    const char* en;
    const char* iana;
};
constexpr TPlace kFinancialCentres[] = {
    {"Франкфурт", "Frankfurt", "Europe/Berlin"},
    {"Мюнхен", "Munich", "Europe/Berlin"},
    {"Гамбург", "Hamburg", "Europe/Berlin"},
    {"Женева", "Geneva", "Europe/Zurich"},
    {"Милан", "Milan", "Europe/Rome"},
    {"Эдинбург", "Edinburgh", "Europe/London"},
    {"Санкт-Петербург", "Saint Petersburg", "Europe/Moscow"},
    {"Мумбаи", "Mumbai", "Asia/Calcutta"},
    {"Бомбей", "Bombay", "Asia/Calcutta"},
    {"Нью-Дели", "New Delhi", "Asia/Calcutta"},
    {"Пекин", "Beijing", "Asia/Shanghai"},
    {"Шэньчжэнь", "Shenzhen", "Asia/Shanghai"},
    {"Осака", "Osaka", "Asia/Tokyo"},
    {"Абу-Даби", "Abu Dhabi", "Asia/Dubai"},
    {"Доха", "Doha", "Asia/Qatar"},
    {"Тель-Авив", "Tel Aviv", "Asia/Jerusalem"},
    {"Астана", "Astana", "Asia/Almaty"},
    {"Вашингтон", "Washington", "America/New_York"},
    {"Бостон", "Boston", "America/New_York"},
    {"Сан-Франциско", "San Francisco", "America/Los_Angeles"},
    {"Монреаль", "Montreal", "America/Toronto"},
    {"Рио-де-Жанейро", "Rio de Janeiro", "America/Sao_Paulo"},
    {"Канберра", "Canberra", "Australia/Sydney"},
    {"Веллингтон", "Wellington", "Pacific/Auckland"},
};

QString FromIcu(const icu::UnicodeString& text) {
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

// IANA name (as ICU and CLDR spell it) -> Windows zone key.
QHash<QByteArray, QString> KeysByZone() {
    QHash<QByteArray, QString> keys;
    for (const TerritoryZone& row : TerritoryZones())
        keys.insert(QByteArray(row.iana), QString::fromLatin1(row.key));
    return keys;
}

}  // namespace

QString SearchForm(const QString& text) {
    const QString decomposed = text.normalized(QString::NormalizationForm_KD).toCaseFolded();
    QString form;
    form.reserve(decomposed.size());
    bool blank = false;
    for (const QChar c : decomposed) {
        if (c.isMark()) continue;
        if (c.isLetterOrNumber()) {
            if (blank && !form.isEmpty()) form += u' ';
            form += c;
            blank = false;
        } else {
            blank = true;
        }
    }
    return form;
}

bool SearchMatches(const QString& nameForm, const QString& typedForm) {
    if (typedForm.isEmpty()) return false;
    for (qsizetype at = nameForm.indexOf(typedForm); at >= 0; at = nameForm.indexOf(typedForm, at + 1))
        if (at == 0 || nameForm[at - 1] == u' ') return true;
    return false;
}

const TZoneCityNames& TZoneCityNames::Instance() {
    static const TZoneCityNames names = Build();
    return names;
}

TZoneCityNames TZoneCityNames::Build() {
    TZoneCityNames result;
    const QHash<QByteArray, QString> keys = KeysByZone();
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale russian("ru"), english("en");
    std::unique_ptr<icu::TimeZoneNames> ru(icu::TimeZoneNames::createInstance(russian, status));
    std::unique_ptr<icu::TimeZoneNames> en(icu::TimeZoneNames::createInstance(english, status));
    std::unique_ptr<icu::StringEnumeration> zones(icu::TimeZone::createTimeZoneIDEnumeration(
        UCAL_ZONE_TYPE_CANONICAL_LOCATION, nullptr, nullptr, status));

    QHash<QString, QSet<QString>> keysOfCountry;  // region code -> keys of its zones
    if (U_SUCCESS(status)) {
        while (const icu::UnicodeString* zone = zones->snext(status)) {
            if (U_FAILURE(status)) break;
            const QString iana = FromIcu(*zone);
            char region[8] = {};
            UErrorCode regionStatus = U_ZERO_ERROR;
            icu::TimeZone::getRegion(*zone, region, sizeof region, regionStatus);
            const QString key = keys.value(iana.toUtf8());
            if (U_SUCCESS(regionStatus))  // a zone of no key leaves its country out
                keysOfCountry[QString::fromLatin1(region)].insert(key);
            if (key.isEmpty()) continue;
            for (icu::TimeZoneNames* names : {ru.get(), en.get()}) {
                icu::UnicodeString city;
                names->getExemplarLocationName(*zone, city);
                result.Add(key, FromIcu(city));
            }
        }
    }
    // A country is a place of its own when all its zones keep one entry's rules.
    for (auto it = keysOfCountry.cbegin(); it != keysOfCountry.cend(); ++it) {
        if (it.key().size() != 2 || it.value().size() != 1 || it.value().begin()->isEmpty()) continue;
        const icu::Locale country("", it.key().toLatin1().constData());
        for (const icu::Locale* language : {&russian, &english}) {
            icu::UnicodeString name;
            country.getDisplayCountry(*language, name);
            result.Add(*it.value().begin(), FromIcu(name));
        }
    }
    for (const TPlace& place : kFinancialCentres) {
        const QString key = keys.value(QByteArray(place.iana));
        result.Add(key, QString::fromUtf8(place.ru));
        result.Add(key, QString::fromUtf8(place.en));
    }
    return result;
}

void TZoneCityNames::Add(const QString& key, const QString& name) {
    const QString form = SearchForm(name);
    if (key.isEmpty() || form.isEmpty()) return;
    QStringList& names = names_[key.toLower()];
    if (!names.contains(form)) names << form;
}

QStringList TZoneCityNames::NamesOf(const QString& key) const {
    return names_.value(key.toLower());
}

bool TZoneCityNames::KeyMatches(const QString& key, const QString& typedForm) const {
    const auto names = names_.constFind(key.toLower());
    if (names == names_.cend()) return false;
    for (const QString& name : *names)
        if (SearchMatches(name, typedForm)) return true;
    return false;
}

int TZoneCityNames::Count() const {
    int count = 0;
    for (const QStringList& names : names_) count += int(names.size());
    return count;
}
