#pragma once
// The places a zone-list entry is found by when the user types: every IANA zone's
// exemplar city as ICU names it, in Russian and English; the country, when all of its
// zones keep one entry's rules; and a few financial centres that are no zone's exemplar
// city (Frankfurt, Mumbai). Each place stands under the Windows zone key of its zone.

#include <QHash>
#include <QString>
#include <QStringList>

// The form in which names and typed text are compared: letters and digits only, case
// folded, accents and the breve of "й" dropped (so "ё" is "е"), anything else a single
// blank between words.
QString SearchForm(const QString& text);

// True when typed begins name or one of its words (both in search form); an empty
// typed text matches nothing.
bool SearchMatches(const QString& nameForm, const QString& typedForm);

class TZoneCityNames {
public:
    // Read from ICU and the zone key table on first use (a few milliseconds), so that
    // start-up does not pay for it.
    static const TZoneCityNames& Instance();
    static TZoneCityNames Build();

    // The places (in search form) that keep the rules of the Windows zone key; the
    // key's letter case does not matter.
    QStringList NamesOf(const QString& key) const;
    // True when typedForm (in search form) begins the name of a place under key.
    bool KeyMatches(const QString& key, const QString& typedForm) const;
    int Count() const;  // places in all

private:
    void Add(const QString& key, const QString& name);

    QHash<QString, QStringList> names_;  // lower-case key -> places in search form
};
