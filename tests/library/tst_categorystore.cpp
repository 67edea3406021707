#include "TestMain.h"
#include "library/CategoryStore.h"
#include "platform/LogSink.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <fcntl.h>
#include <sys/stat.h>

using namespace quintara;

namespace {

using Assignments = CategoryStore::Assignments;

QUrl video(const QString &name)
{
    return QUrl::fromLocalFile(QStringLiteral("/library/") + name);
}

class Library {
public:
    Library() : m_path(QDir::homePath() + QStringLiteral("/library"))
    {
        QDir(m_path).removeRecursively();
        QDir().mkpath(m_path);
    }
    QUrl folder() const { return QUrl::fromLocalFile(m_path); }
    QString tagFile() const { return m_path + QStringLiteral("/categories.json"); }
    bool hasTagFile() const { return QFile::exists(tagFile()); }
    void removeTagFile() const { QFile::remove(tagFile()); }

    QByteArray contents(const QString &suffix = {}) const
    {
        QFile file(tagFile() + suffix);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Another writer: an atomic replace, as a second store would do.
    void replace(const QByteArray &bytes) const
    {
        QSaveFile file(tagFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        QVERIFY(file.commit());
    }

private:
    QString m_path;
};

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

} // namespace

class CategoryStoreTest : public QObject {
    Q_OBJECT

private slots:
    void addTag_data()
    {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("returned"); // empty: absent
        QTest::addColumn<QStringList>("tags");
        QTest::addColumn<bool>("saves");
        QTest::newRow("trimmed") << QStringList{} << "  Beach \n"
                                 << "Beach" << QStringList{"Beach"} << true;
        QTest::newRow("existing ignoring case") << QStringList{"Beach"} << "beach"
                                                << "Beach" << QStringList{"Beach"} << false;
        QTest::newRow("existing after trimming") << QStringList{"Night"} << "\tNIGHT "
                                                 << "Night" << QStringList{"Night"} << false;
        QTest::newRow("blank") << QStringList{"a"} << " \t\n "
                               << "" << QStringList{"a"} << false;
        QTest::newRow("sorted by name") << QStringList{"a10", "b"} << "A2"
                                        << "A2" << QStringList{"A2", "a10", "b"} << true;
    }
    void addTag()
    {
        QFETCH(QStringList, existing);
        QFETCH(QString, name);
        QFETCH(QString, returned);
        QFETCH(QStringList, tags);
        QFETCH(bool, saves);
        Library library;
        library.replace(tagFile(existing, {}));
        CategoryStore store;
        store.load(library.folder());
        QCOMPARE(store.tags(), existing);
        library.removeTagFile();

        const std::optional<QString> tag = store.addTag(name);
        QCOMPARE(tag.value_or(QString()), returned);
        QCOMPARE(tag.has_value(), !returned.isEmpty());
        QCOMPARE(store.tags(), tags);
        QCOMPARE(library.hasTagFile(), saves);
    }

    void reading_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("tags");
        QTest::addColumn<Assignments>("assignments");
        QTest::newRow("tag only in an assignment")
            << QByteArray(R"({"version": 1, "tags": [], "videos": {"a.mp4": ["x"]}})")
            << QStringList{"x"} << Assignments{{"a.mp4", {"x"}}};
        QTest::newRow("union sorted, lists as stored")
            << QByteArray(R"({"videos": {"c.mp4": ["c", "a"]}, "tags": ["b", "a"], "version": 1})")
            << QStringList{"a", "b", "c"} << Assignments{{"c.mp4", {"c", "a"}}};
        QTest::newRow("unknown members and other versions")
            << QByteArray(R"({"version": 7, "extra": true, "tags": ["t"], "videos": {}})")
            << QStringList{"t"} << Assignments{};
        QTest::newRow("no version") << QByteArray(R"({"tags": ["t"], "videos": {"a.mp4": ["t"]}})")
                                    << QStringList{} << Assignments{};
        QTest::newRow("fractional version")
            << QByteArray(R"({"version": 1.5, "tags": ["t"], "videos": {}})") << QStringList{}
            << Assignments{};
        QTest::newRow("version as text")
            << QByteArray(R"({"version": "1", "tags": ["t"], "videos": {}})") << QStringList{}
            << Assignments{};
        QTest::newRow("videos values are strings")
            << QByteArray(R"({"version": 1, "tags": ["t"], "videos": {"a.mp4": "t"}})")
            << QStringList{} << Assignments{};
        QTest::newRow("a tag that is not a string")
            << QByteArray(R"({"version": 1, "tags": ["t", 2], "videos": {}})") << QStringList{}
            << Assignments{};
        QTest::newRow("no videos")
            << QByteArray(R"({"version": 1, "tags": ["t"]})") << QStringList{} << Assignments{};
        QTest::newRow("not an object") << QByteArray("[1, 2]") << QStringList{} << Assignments{};
        QTest::newRow("not JSON") << QByteArray("{\"version\": 1,") << QStringList{}
                                  << Assignments{};
    }
    void reading()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, tags);
        QFETCH(Assignments, assignments);
        Library library;
        library.replace(file);
        CategoryStore store;
        store.toggle("stale", video("old.mp4")); // whatever was loaded before goes
        store.load(library.folder());
        QCOMPARE(store.tags(), tags);
        QCOMPARE(store.assignments(), assignments);
        QCOMPARE(library.contents(), file); // an unreadable file is left as it was
    }

    // One stray comma must not cost every tag: the first save keeps the file aside, beside an
    // earlier kept one rather than over it.
    void unreadableFileIsKeptAsideBeforeTheFirstSave()
    {
        Library library;
        library.replace("earlier");
        QVERIFY(QFile::rename(library.tagFile(), library.tagFile() + ".corrupt"));
        const QByteArray stray = R"({"version": 1, "tags": ["beach",], "videos": {}})";
        library.replace(stray);
        MemoryLogSink log;
        ScopedLogSink scoped(&log);
        CategoryStore store;
        store.load(library.folder());
        store.addTag("sea");
        QCOMPARE(library.contents(".corrupt-2") + library.contents(".corrupt"), stray + "earlier");
        QCOMPARE(library.contents(), tagFile({"sea"}, {}));
        QCOMPARE(log.lines().size(), 1);
    }

    void savesTheWholeStatePrettyAndSorted()
    {
        Library library;
        library.replace("not json");
        CategoryStore store;
        store.load(library.folder());
        store.toggle("Night", video("b.mp4"));
        store.toggle("beach", video("a.mp4"));
        const QByteArray bytes = library.contents();
        const QJsonObject root = QJsonDocument::fromJson(bytes).object();
        QCOMPARE(root.value("version").toInt(), 1);
        QCOMPARE(root.value("tags").toArray(), QJsonArray({"beach", "Night"}));
        QCOMPARE(root.value("videos").toObject(),
                 (QJsonObject{{"a.mp4", QJsonArray{"beach"}}, {"b.mp4", QJsonArray{"Night"}}}));
        QVERIFY(bytes.contains("\n    \"tags\": [\n"));
        QVERIFY(bytes.indexOf("\"tags\"") < bytes.indexOf("\"version\""));
        QVERIFY(bytes.indexOf("\"version\"") < bytes.indexOf("\"videos\""));
        QVERIFY(bytes.indexOf("\"a.mp4\"") < bytes.indexOf("\"b.mp4\""));

        CategoryStore again;
        again.load(library.folder());
        QCOMPARE(again.tags(), store.tags());
        QCOMPARE(again.assignments(), store.assignments());
    }

    void toggleKeepsListsSorted()
    {
        CategoryStore store;
        const QUrl clip = video("clip.mov");
        store.toggle("b", clip);
        store.toggle("a", clip);
        QCOMPARE(store.assignments().value("clip.mov"), (QStringList{"a", "b"}));
        QCOMPARE(store.tags(), (QStringList{"a", "b"}));
        QVERIFY(store.has("a", clip));
        QVERIFY(!store.has("A", clip));
        store.toggle("b", clip);
        QCOMPARE(store.assignments().value("clip.mov"), QStringList{"a"});
        store.toggle("a", clip);
        QVERIFY(!store.assignments().contains("clip.mov"));
        QCOMPARE(store.tags(), (QStringList{"a", "b"})); // tags outlive their last video
        // Keyed by file name: the same name in another folder shares the entry.
        store.toggle("a", QUrl::fromLocalFile("/elsewhere/clip.mov"));
        QVERIFY(store.has("a", clip));
    }

    void rename_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QStringList>("tags");
        QTest::addColumn<Assignments>("assignments");
        QTest::addColumn<bool>("saves");
        const Assignments before{{"1.mp4", {"x", "z"}}, {"2.mp4", {"x", "y"}}, {"3.mp4", {"y"}}};
        QTest::newRow("plain") << "z"
                               << " w\n"
                               << QStringList{"w", "x", "y"}
                               << Assignments{{"1.mp4", {"w", "x"}},
                                              {"2.mp4", {"x", "y"}},
                                              {"3.mp4", {"y"}}}
                               << true;
        QTest::newRow("onto an existing tag merges")
            << "x"
            << "y" << QStringList{"y", "z"}
            << Assignments{{"1.mp4", {"y", "z"}}, {"2.mp4", {"y"}}, {"3.mp4", {"y"}}} << true;
        QTest::newRow("case only is a rename")
            << "y"
            << "Y" << QStringList{"x", "Y", "z"}
            << Assignments{{"1.mp4", {"x", "z"}}, {"2.mp4", {"x", "Y"}}, {"3.mp4", {"Y"}}} << true;
        QTest::newRow("blank") << "x"
                               << "  " << QStringList{"x", "y", "z"} << before << false;
        QTest::newRow("same name") << "x"
                                   << " x " << QStringList{"x", "y", "z"} << before << false;
    }
    void rename()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QStringList, tags);
        QFETCH(Assignments, assignments);
        QFETCH(bool, saves);
        Library library;
        library.replace(tagFile({"x", "y", "z"},
                                {{"1.mp4", {"x", "z"}}, {"2.mp4", {"x", "y"}}, {"3.mp4", {"y"}}}));
        CategoryStore store;
        store.load(library.folder());
        library.removeTagFile();
        store.rename(from, to);
        QCOMPARE(store.tags(), tags);
        QCOMPARE(store.assignments(), assignments);
        QCOMPARE(library.hasTagFile(), saves);
    }

    void deleteKeepsTheOrderOfTheRest()
    {
        Library library;
        // Lists as another program left them, unsorted: deleting must not reorder them.
        library.replace(tagFile({"m", "x", "a"},
                                {{"1.mp4", {"x"}}, {"2.mp4", {"m", "x", "a"}}, {"3.mp4", {"a"}}}));
        CategoryStore store;
        store.load(library.folder());
        QCOMPARE(store.tags(), (QStringList{"a", "m", "x"}));
        store.deleteTag("x");
        QCOMPARE(store.tags(), (QStringList{"a", "m"}));
        QCOMPARE(store.assignments(), (Assignments{{"2.mp4", {"m", "a"}}, {"3.mp4", {"a"}}}));
        QCOMPARE(CategoryStore().tags(), QStringList{});
        CategoryStore reread;
        reread.load(library.folder());
        QCOMPARE(reread.assignments(), store.assignments());
    }

    void countsAndUntagged()
    {
        CategoryStore store;
        const QList<QUrl> videos{video("a.mp4"), video("b.mp4"), video("c.mp4"), video("d.mp4")};
        store.toggle("sea", videos[2]);
        store.toggle("sea", videos[0]);
        store.toggle("sky", videos[0]);
        QCOMPARE(store.count("sea", videos), 2);
        QCOMPARE(store.count("sky", videos), 1);
        QCOMPARE(store.count("sea", {videos[1]}), 0);
        QCOMPARE(store.untagged(videos), (QList<QUrl>{videos[1], videos[3]}));

        Library library;
        library.replace(R"({"version": 1, "tags": [], "videos": {"b.mp4": []}})");
        store.load(library.folder());
        QCOMPARE(store.untagged(videos), videos); // an empty list counts as untagged
    }

    void forgetDropsOneEntry()
    {
        Library library;
        CategoryStore store;
        store.load(library.folder());
        store.toggle("t", video("a.mp4"));
        library.removeTagFile();
        QVERIFY(!store.forget(video("b.mp4")));
        QVERIFY(!library.hasTagFile());
        QVERIFY(store.forget(video("a.mp4")));
        QVERIFY(store.assignments().isEmpty());
        QCOMPARE(store.tags(), QStringList{"t"});
        QVERIFY(library.hasTagFile());
    }

    void ownSavesAreNotReadAgainButOtherWritersAre()
    {
        Library library;
        CategoryStore store;
        store.load(library.folder());
        store.toggle("mine", video("a.mp4"));

        // Same file, same date: an in-place change that keeps the stamp is not looked at.
        struct stat before;
        QVERIFY(::stat(QFile::encodeName(library.tagFile()).constData(), &before) == 0);
        {
            QFile file(library.tagFile());
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(tagFile({"sneaky"}, {}));
        }
        const timespec times[2] = {before.st_atim, before.st_mtim};
        QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(library.tagFile()).constData(), times, 0) ==
                0);
        store.reloadIfChanged();
        QCOMPARE(store.tags(), QStringList{"mine"});

        // A second store writes: the first picks its edit up.
        CategoryStore other;
        other.load(library.folder());
        QCOMPARE(other.tags(), QStringList{"sneaky"});
        other.toggle("theirs", video("b.mp4"));
        store.reloadIfChanged();
        QCOMPARE(store.tags(), (QStringList{"sneaky", "theirs"}));
        QCOMPARE(store.assignments(), (Assignments{{"b.mp4", {"theirs"}}}));

        // The file goes away: that is a change too.
        library.removeTagFile();
        store.reloadIfChanged();
        QVERIFY(store.tags().isEmpty());
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
