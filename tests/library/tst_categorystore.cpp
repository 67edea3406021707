#include "Rows.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "library/CategoryStore.h"
#include "platform/LogSink.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <fcntl.h>
#include <sys/stat.h>

using namespace quintara;
using Assignments = CategoryStore::Assignments;
using ReadingRow = std::tuple<QByteArray, QStringList, Assignments>;

namespace {

QUrl video(const QString &name)
{
    return QUrl::fromLocalFile(QStringLiteral("/library/") + name);
}

QByteArray tagFile(const QStringList &tags, const Assignments &videos)
{
    QJsonObject object;
    for (auto it = videos.begin(); it != videos.end(); ++it)
        object.insert(it.key(), QJsonArray::fromStringList(it.value()));
    return QJsonDocument(QJsonObject{{"version", 1},
                                     {"tags", QJsonArray::fromStringList(tags)},
                                     {"videos", object}})
        .toJson();
}

// A library folder of the test's home; `bytes`, when given, its tag file.
struct Library {
    QString path = test::freshFolder("library");
    QString tagFile = path + "/categories.json";
    CategoryStore store;

    explicit Library(const QByteArray &bytes = {})
    {
        if (!bytes.isEmpty())
            test::writeFile(tagFile, bytes);
        store.load(QUrl::fromLocalFile(path));
    }
    // Loads a second store from the same folder.
    std::unique_ptr<CategoryStore> reread() const
    {
        auto other = std::make_unique<CategoryStore>();
        other->load(QUrl::fromLocalFile(path));
        return other;
    }
    // Runs `change` and tells whether it saved the tag file.
    bool saves(const std::function<void()> &change) const
    {
        QFile::remove(tagFile);
        change();
        return QFile::exists(tagFile);
    }
};

const Assignments threeVideos{{"1.mp4", {"x", "z"}}, {"2.mp4", {"x", "y"}}, {"3.mp4", {"y"}}};

} // namespace

class CategoryStoreTest : public QObject {
    Q_OBJECT

private slots:
    void addTag_data()
    {
        // returned: empty: absent
        const auto row = test::rows<std::tuple<QStringList, QString, QString, QStringList>>();
        row("trimmed", {QStringList{}, "  Beach \n", "Beach", QStringList{"Beach"}});
        row("existing ignoring case",
            {QStringList{"Beach"}, "beach", "Beach", QStringList{"Beach"}});
        row("existing after trimming",
            {QStringList{"Night"}, "\tNIGHT ", "Night", QStringList{"Night"}});
        row("blank", {QStringList{"a"}, " \t\n ", QString(), QStringList{"a"}});
        row("sorted by name", {QStringList{"a10", "b"}, "A2", "A2", QStringList{"A2", "a10", "b"}});
    }
    void addTag()
    {
        const auto &[existing, name, returned, tags] =
            test::row<std::tuple<QStringList, QString, QString, QStringList>>();
        Library library(tagFile(existing, {}));
        QCOMPARE(library.store.tags(), existing);
        std::optional<QString> tag;
        // Only a new tag is saved.
        QCOMPARE(library.saves([&] { tag = library.store.addTag(name); }), tags != existing);
        QCOMPARE(tag, returned.isEmpty() ? std::nullopt : std::optional(returned));
        QCOMPARE(library.store.tags(), tags);
    }

    void reading_data()
    {
        const auto row = test::rows<ReadingRow>(); // file, tags, assignments
        const auto unread = [&](const char *name, const char *file) { row(name, {file, {}, {}}); };
        row("tag only in an assignment",
            {R"({"version": 1, "tags": [], "videos": {"a.mp4": ["x"]}})",
             {"x"},
             {{"a.mp4", {"x"}}}});
        row("union sorted, lists as stored",
            {R"({"videos": {"c.mp4": ["c", "a"]}, "tags": ["b", "a"], "version": 1})",
             {"a", "b", "c"},
             {{"c.mp4", {"c", "a"}}}});
        row("unknown members and other versions",
            {R"({"version": 7, "extra": true, "tags": ["t"], "videos": {}})", {"t"}, {}});
        unread("no version", R"({"tags": ["t"], "videos": {"a.mp4": ["t"]}})");
        unread("fractional version", R"({"version": 1.5, "tags": ["t"], "videos": {}})");
        unread("version as text", R"({"version": "1", "tags": ["t"], "videos": {}})");
        unread("videos values are strings",
               R"({"version": 1, "tags": ["t"], "videos": {"a": "t"}})");
        unread("a tag that is not a string", R"({"version": 1, "tags": ["t", 2], "videos": {}})");
        unread("no videos", R"({"version": 1, "tags": ["t"]})");
        unread("not an object", "[1, 2]");
        unread("not JSON", "{\"version\": 1,");
    }
    void reading()
    {
        const auto &[file, tags, assignments] = test::row<ReadingRow>();
        Library library;
        library.store.toggle("stale", video("old.mp4")); // whatever was loaded before goes
        test::writeFile(library.tagFile, file);
        library.store.load(QUrl::fromLocalFile(library.path));
        QCOMPARE(library.store.tags(), tags);
        QCOMPARE(library.store.assignments(), assignments);
        QCOMPARE(test::readFile(library.tagFile), file); // an unreadable file is left as it was
    }

    // One stray comma must not cost every tag: the first save keeps the file aside, beside an
    // earlier kept one rather than over it.
    void unreadableFileIsKeptAsideBeforeTheFirstSave()
    {
        MemoryLogSink log;
        ScopedLogSink scoped(&log);
        const QByteArray stray = R"({"version": 1, "tags": ["beach",], "videos": {}})";
        Library library(stray);
        test::writeFile(library.tagFile + ".corrupt", "earlier");
        library.store.addTag("sea");
        QCOMPARE(test::readFile(library.tagFile + ".corrupt-2") +
                     test::readFile(library.tagFile + ".corrupt"),
                 stray + "earlier");
        QCOMPARE(test::readFile(library.tagFile), tagFile({"sea"}, {}));
        QCOMPARE(log.lines().size(), 1);
    }

    void savesTheWholeStatePrettyAndSorted()
    {
        Library library("not json");
        library.store.toggle("Night", video("b.mp4"));
        library.store.toggle("beach", video("a.mp4"));
        const QByteArray bytes = test::readFile(library.tagFile);
        const QJsonObject root = QJsonDocument::fromJson(bytes).object();
        QCOMPARE(root.value("version").toInt(), 1);
        QCOMPARE(root.value("tags").toArray(), QJsonArray({"beach", "Night"}));
        QCOMPARE(root.value("videos").toObject(),
                 (QJsonObject{{"a.mp4", QJsonArray{"beach"}}, {"b.mp4", QJsonArray{"Night"}}}));
        QVERIFY(bytes.contains("\n    \"tags\": [\n"));
        QVERIFY(bytes.indexOf("\"tags\"") < bytes.indexOf("\"version\""));
        QVERIFY(bytes.indexOf("\"version\"") < bytes.indexOf("\"videos\""));
        QVERIFY(bytes.indexOf("\"a.mp4\"") < bytes.indexOf("\"b.mp4\""));
        const auto again = library.reread();
        QCOMPARE(again->tags(), library.store.tags());
        QCOMPARE(again->assignments(), library.store.assignments());
    }

    void toggleKeepsListsSortedAndCounts()
    {
        const QList<QUrl> videos{video("a.mp4"), video("b.mp4"), video("c.mp4"), video("d.mp4")};
        Library library(R"({"version": 1, "tags": [], "videos": {"b.mp4": []}})");
        CategoryStore &store = library.store;
        QCOMPARE(store.untagged(videos), videos); // an empty list counts as untagged
        store.toggle("sky", videos[0]);
        store.toggle("sea", videos[0]);
        store.toggle("sea", videos[2]);
        QCOMPARE(store.assignments().value("a.mp4"), (QStringList{"sea", "sky"}));
        QVERIFY(store.has("sea", videos[0]) && !store.has("Sea", videos[0]));
        QCOMPARE(store.count("sea", videos), 2);
        QCOMPARE(store.count("sea", {videos[1]}), 0);
        QCOMPARE(store.untagged(videos), (QList<QUrl>{videos[1], videos[3]}));
        // Keyed by file name: the same name in another folder shares the entry.
        store.toggle("sea", QUrl::fromLocalFile("/elsewhere/c.mp4"));
        QVERIFY(!store.has("sea", videos[2]));
        // Tags outlive their last video.
        store.toggle("sky", videos[0]);
        store.toggle("sea", videos[0]);
        QVERIFY(!store.assignments().contains("a.mp4"));
        QCOMPARE(store.tags(), (QStringList{"sea", "sky"}));
        // Forgetting a video saves only when it had an entry.
        store.toggle("sea", videos[3]);
        QVERIFY(!library.saves([&] { QVERIFY(!store.forget(video("e.mp4"))); }));
        QVERIFY(library.saves([&] { QVERIFY(store.forget(videos[3])); }));
        QVERIFY(!store.assignments().contains("d.mp4"));
    }

    void rename_data()
    {
        // assignments: empty: unchanged, not saved
        const auto row = test::rows<std::tuple<QString, QString, QStringList, Assignments>>();
        row("plain", {"z", " w\n", QStringList{"w", "x", "y"},
                      Assignments{{"1.mp4", {"w", "x"}}, {"2.mp4", {"x", "y"}}, {"3.mp4", {"y"}}}});
        row("onto an existing tag merges",
            {"x", "y", QStringList{"y", "z"},
             Assignments{{"1.mp4", {"y", "z"}}, {"2.mp4", {"y"}}, {"3.mp4", {"y"}}}});
        row("case only is a rename",
            {"y", "Y", QStringList{"x", "Y", "z"},
             Assignments{{"1.mp4", {"x", "z"}}, {"2.mp4", {"x", "Y"}}, {"3.mp4", {"Y"}}}});
        row("blank", {"x", "  ", QStringList{"x", "y", "z"}, Assignments{}});
        row("same name", {"x", " x ", QStringList{"x", "y", "z"}, Assignments{}});
    }
    void rename()
    {
        const auto &[from, to, tags, assignments] =
            test::row<std::tuple<QString, QString, QStringList, Assignments>>();
        Library library(tagFile({"x", "y", "z"}, threeVideos));
        QCOMPARE(library.saves([&] { library.store.rename(from, to); }), !assignments.isEmpty());
        QCOMPARE(library.store.tags(), tags);
        QCOMPARE(library.store.assignments(), assignments.isEmpty() ? threeVideos : assignments);
    }

    void deleteKeepsTheOrderOfTheRest()
    {
        // Lists as another program left them, unsorted: deleting must not reorder them.
        Library library(tagFile({"m", "x", "a"},
                                {{"1.mp4", {"x"}}, {"2.mp4", {"m", "x", "a"}}, {"3.mp4", {"a"}}}));
        QCOMPARE(library.store.tags(), (QStringList{"a", "m", "x"}));
        library.store.deleteTag("x");
        QCOMPARE(library.store.tags(), (QStringList{"a", "m"}));
        QCOMPARE(library.store.assignments(),
                 (Assignments{{"2.mp4", {"m", "a"}}, {"3.mp4", {"a"}}}));
        QCOMPARE(library.reread()->assignments(), library.store.assignments());
    }

    void ownSavesAreNotReadAgainButOtherWritersAre()
    {
        Library library;
        library.store.toggle("mine", video("a.mp4"));
        // Same file, same date: an in-place change that keeps the stamp is not looked at.
        const QByteArray name = QFile::encodeName(library.tagFile);
        struct stat before;
        QVERIFY(::stat(name.constData(), &before) == 0);
        {
            QFile file(library.tagFile);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(tagFile({"sneaky"}, {}));
        }
        const timespec times[2] = {before.st_atim, before.st_mtim};
        QVERIFY(::utimensat(AT_FDCWD, name.constData(), times, 0) == 0);
        library.store.reloadIfChanged();
        QCOMPARE(library.store.tags(), QStringList{"mine"});

        // A second store writes: the first picks its edit up.
        auto other = library.reread();
        QCOMPARE(other->tags(), QStringList{"sneaky"});
        other->toggle("theirs", video("b.mp4"));
        library.store.reloadIfChanged();
        QCOMPARE(library.store.tags(), (QStringList{"sneaky", "theirs"}));
        QCOMPARE(library.store.assignments(), (Assignments{{"b.mp4", {"theirs"}}}));

        // The file goes away: that is a change too.
        QFile::remove(library.tagFile);
        library.store.reloadIfChanged();
        QVERIFY(library.store.tags().isEmpty());
    }

    void withoutAFolderEverythingStaysInMemory()
    {
        const QStringList before = QDir::home().entryList(QDir::AllEntries | QDir::Hidden);
        CategoryStore store;
        store.load(QUrl());
        QCOMPARE(store.addTag("beach"), std::optional<QString>("beach"));
        store.toggle("beach", video("a.mp4"));
        store.rename("beach", "sand");
        store.reloadIfChanged();
        QCOMPARE(store.tags(), QStringList{"sand"});
        QCOMPARE(store.assignments(), (Assignments{{"a.mp4", {"sand"}}}));
        QVERIFY(store.filePath().isEmpty());
        // Nor with an address that is no local folder: no tag file in the working directory.
        store.load(QUrl("https://example.com/videos/"));
        store.addTag("sea");
        QVERIFY(store.filePath().isEmpty());
        QCOMPARE(QDir::home().entryList(QDir::AllEntries | QDir::Hidden), before);
        QVERIFY(!QFile::exists("categories.json"));
    }
};

QUINTARA_TEST_MAIN(CategoryStoreTest)
#include "tst_categorystore.moc"
