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

// Both sides already case-folded: code units compare directly, digit runs by value.
int compareFolded(QStringView a, QStringView b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            if (const int result = compareNumbers(a, i, b, j))
                return result;
            continue;
        }
        if (a[i] != b[j])
            return a[i].unicode() < b[j].unicode() ? -1 : 1;
        ++i;
        ++j;
    }
    return (i < a.size()) - (j < b.size());
}

// Sorts indices into `names` by name, stable; names are folded once, not per comparison.
std::vector<qsizetype> sortedOrder(const QStringList &names)
{
    std::vector<QString> folded;
    folded.reserve(names.size());
    for (const QString &name : names)
        folded.push_back(name.toCaseFolded());
    std::vector<qsizetype> order(names.size());
    for (qsizetype i = 0; i < names.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](qsizetype x, qsizetype y) {
        return compareFolded(folded[x], folded[y]) < 0;
    });
    return order;
}

} // namespace

int compareNames(QStringView a, QStringView b)
{
    return compareFolded(a.toString().toCaseFolded(), b.toString().toCaseFolded());
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
