// A library folder's categories.json: read, saved unchanged, and read again to the same tags.
#include "FuzzSupport.h"
#include "library/CategoryStore.h"

#include <QDir>
#include <QFile>

using namespace quintara;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString folder = fuzz::environment().home() + QStringLiteral("/library");
    // An unreadable file is kept aside under the next free name: left to pile up, the search
    // for that name would make every input slower than the last.
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    QFile file(folder + QLatin1Char('/') + QLatin1String(CategoryStore::fileName));
    FUZZ_CHECK(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();

    CategoryStore store;
    store.load(QUrl::fromLocalFile(folder));
    for (const QStringList &tags : store.assignments())
        for (const QString &tag : tags)
            FUZZ_CHECK(store.tags().contains(tag));
    // Deleting a tag nobody has changes nothing but writes the file.
    QString absent = QStringLiteral("\u2400");
    while (store.tags().contains(absent))
        absent += absent;
    const QStringList tags = store.tags();
    const CategoryStore::Assignments assignments = store.assignments();
    store.deleteTag(absent);
    FUZZ_CHECK(store.tags() == tags && store.assignments() == assignments);

    CategoryStore reread;
    reread.load(QUrl::fromLocalFile(folder));
    FUZZ_CHECK(reread.tags() == tags && reread.assignments() == assignments);
    return 0;
}
