#include "library/LibraryListing.h"

#include "settings/VideoFiles.h"

#include <algorithm>
#include <vector>

namespace quintara {

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// A string whose plain code-unit order is the name order: case folded, and each run of digits
// replaced by its length and its digits without leading zeros, so that longer numbers sort
// later. The length marker lies within '0'...'8' (lengths 1 to 9) or is '9' followed by the
// length, so against any other character it orders exactly as a digit would.
QString sortKey(const QString &name)
{
    const QString folded = name.toCaseFolded();
    QString key;
    key.reserve(folded.size() + 8);
    const qsizetype size = folded.size();
    for (qsizetype i = 0; i < size;) {
        if (!isDigit(folded[i])) {
            key.append(folded[i++]);
            continue;
        }
        while (i + 1 < size && folded[i] == QLatin1Char('0') && isDigit(folded[i + 1]))
            ++i;
        qsizetype end = i;
        while (end < size && isDigit(folded[end]))
            ++end;
        const qsizetype length = end - i;
        if (length <= 9) {
            key.append(QChar(u'0' + char16_t(length - 1)));
        } else {
            key.append(QLatin1Char('9'));
            key.append(QChar(char16_t(std::min<qsizetype>(length, 0xFFFF))));
        }
        key.append(QStringView(folded).mid(i, length));
        i = end;
    }
    return key;
}

// Indices into `names` in name order, ties in their given order.
std::vector<qsizetype> sortedOrder(const QStringList &names)
{
    struct Entry {
        QString key;
        qsizetype index;
    };
    std::vector<Entry> entries;
    entries.reserve(names.size());
    for (qsizetype i = 0; i < names.size(); ++i)
        entries.push_back({sortKey(names[i]), i});
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry &x, const Entry &y) { return x.key < y.key; });
    std::vector<qsizetype> order;
    order.reserve(entries.size());
    for (const Entry &entry : entries)
        order.push_back(entry.index);
    return order;
}

} // namespace

int compareNames(QStringView a, QStringView b)
{
    return QStringView(sortKey(a.toString())).compare(QStringView(sortKey(b.toString())));
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
