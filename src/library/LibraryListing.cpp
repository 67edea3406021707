#include "library/LibraryListing.h"

#include "settings/VideoFiles.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <vector>

namespace quintara {

namespace {

// The user's collation, numeric and without regard to case. The C locale collates by code
// point (accented names after "z"), so where the environment names no language the
// language-neutral order stands in: English has no tailoring of its own.
QCollator nameCollator()
{
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English);
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

// Indices into `names` in name order, ties in their given order. Each name's sort key is made
// once, so the sort compares bytes rather than collating pairs again and again.
std::vector<qsizetype> sortedOrder(const QStringList &names)
{
    const QCollator collator = nameCollator();
    struct Entry {
        QCollatorSortKey key;
        qsizetype index;
    };
    std::vector<Entry> entries;
    entries.reserve(names.size());
    for (qsizetype i = 0; i < names.size(); ++i)
        entries.push_back({collator.sortKey(names[i]), i});
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry &x, const Entry &y) { return x.key.compare(y.key) < 0; });
    std::vector<qsizetype> order;
    order.reserve(entries.size());
    for (const Entry &entry : entries)
        order.push_back(entry.index);
    return order;
}

} // namespace

int compareNames(QStringView a, QStringView b)
{
    return nameCollator().compare(a, b);
}

QList<QUrl> listLibrary(const QUrl &folder)
{
    const auto videos = supportedVideos(folder);
    if (!videos || videos->isEmpty())
        return {};
    QStringList names;
    names.reserve(videos->size());
    for (const QUrl &video : *videos)
        names.append(video.fileName());
    QList<QUrl> sorted;
    sorted.reserve(videos->size());
    for (const qsizetype index : sortedOrder(names))
        sorted.append(videos->at(index));
    return sorted;
}

QStringList sortedNames(QStringList names)
{
    // Exact duplicates go first; ties by name then fall back to code points, so the result
    // does not depend on the input order.
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    QStringList sorted;
    sorted.reserve(names.size());
    for (const qsizetype index : sortedOrder(names))
        sorted.append(names.at(index));
    return sorted;
}

} // namespace quintara
