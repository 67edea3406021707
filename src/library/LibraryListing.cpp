#include "library/LibraryListing.h"

#include "library/VideoFiles.h"

#include <algorithm>
#include <vector>

namespace quintara {

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Compares the digit runs a[i..) and b[j..) by value and advances past them.
int compareNumbers(QStringView a, qsizetype &i, QStringView b, qsizetype &j)
{
    while (i < a.size() && a[i] == QLatin1Char('0') && i + 1 < a.size() && isDigit(a[i + 1]))
        ++i;
    while (j < b.size() && b[j] == QLatin1Char('0') && j + 1 < b.size() && isDigit(b[j + 1]))
        ++j;
    qsizetype endA = i, endB = j;
    while (endA < a.size() && isDigit(a[endA]))
        ++endA;
    while (endB < b.size() && isDigit(b[endB]))
        ++endB;
    // More significant digits is the larger number; same length compares digit by digit.
    int result = int(endA - i) - int(endB - j);
    for (qsizetype k = 0; result == 0 && k < endA - i; ++k)
        result = a[i + k].unicode() - b[j + k].unicode();
    i = endA;
    j = endB;
    return result;
}

// One character (a surrogate pair counts as one), case-folded, advancing the index.
char32_t foldedAt(QStringView s, qsizetype &i)
{
    char32_t c = s[i].unicode();
    if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
        c = QChar::surrogateToUcs4(s[i], s[i + 1]);
        ++i;
    }
    ++i;
    return QChar::toCaseFolded(c);
}

} // namespace

int compareNames(QStringView a, QStringView b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            if (const int result = compareNumbers(a, i, b, j))
                return result;
            continue;
        }
        const char32_t ca = foldedAt(a, i);
        const char32_t cb = foldedAt(b, j);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return (i < a.size()) - (j < b.size());
}

QList<QUrl> listLibrary(const QUrl &folder)
{
    const auto videos = supportedVideos(folder);
    if (!videos || videos->isEmpty())
        return {};
    // Sort names once, not per comparison: QUrl::fileName is not cheap.
    struct Entry {
        QString name;
        qsizetype index;
    };
    std::vector<Entry> entries;
    entries.reserve(videos->size());
    for (qsizetype index = 0; index < videos->size(); ++index)
        entries.push_back({videos->at(index).fileName(), index});
    std::stable_sort(entries.begin(), entries.end(), [](const Entry &x, const Entry &y) {
        return compareNames(x.name, y.name) < 0;
    });
    QList<QUrl> sorted;
    sorted.reserve(videos->size());
    for (const Entry &entry : entries)
        sorted.append(videos->at(entry.index));
    return sorted;
}

QStringList sortedNames(QStringList names)
{
    std::sort(names.begin(), names.end(), [](const QString &x, const QString &y) {
        const int result = compareNames(x, y);
        return result != 0 ? result < 0 : x < y;
    });
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

} // namespace quintara
