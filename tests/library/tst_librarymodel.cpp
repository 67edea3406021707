#include "TestMain.h"
#include "VirtualScheduler.h"
#include "library/LibraryModel.h"
#include "platform/LogSink.h"
#include "platform/linux/JsonFileStore.h"
#include "settings/AppSettings.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QStandardPaths>
#include <QWindow>
#include <memory>

using namespace quintara;
using namespace std::chrono_literals;
using Kind = LibraryFilter::Kind;
using DetailView = LibraryModel::DetailView;

namespace {

class FakeChooser final : public FolderChooser {
public:
    std::optional<QUrl> chooseFolder() override
    {
        ++asked;
        return answer;
    }
    std::optional<QUrl> answer;
    int asked = 0;
};

// Fails with a given error, or moves the file into a folder of its own.
class FakeTrash final : public Trash {
public:
    bool moveToTrash(const QString &path, QString *error) override
    {
        moved.append(QFileInfo(path).fileName());
        if (!failure.isEmpty()) {
            *error = failure;
            return false;
        }
        return QFile::remove(path);
    }
    QString failure;
    QStringList moved;
};

QString folderPath(const QString &name)
{
    return QDir::homePath() + QLatin1Char('/') + name;
}

QUrl makeLibrary(const QString &name, const QStringList &files)
{
    const QString path = folderPath(name);
    QDir(path).removeRecursively();
    QDir().mkpath(path);
    for (const QString &file : files) {
        QFile f(path + QLatin1Char('/') + file);
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(file));
    }
    return QUrl::fromLocalFile(path);
}

QStringList names(const QList<QUrl> &urls)
{
    QStringList result;
    for (const QUrl &url : urls)
        result.append(url.fileName());
    return result;
}

// One control panel's worth of library state over a fresh settings file.
struct Fixture {
    explicit Fixture(const QUrl &folder)
    {
        QFile::remove(JsonFileStore::defaultPath());
        store = std::make_unique<JsonFileStore>(JsonFileStore::defaultPath());
        settings = std::make_unique<AppSettings>(*store);
        settings->setLibraryFolder(folder);
        model = std::make_unique<LibraryModel>(*settings, clock, trash, &chooser);
        model->onApply = [this] { ++applied; };
        model->appear();
    }
    QUrl url(const QString &name) const
    {
        return QUrl::fromLocalFile(settings->libraryFolder().toLocalFile() + '/' + name);
    }

    test::VirtualScheduler clock;
    FakeChooser chooser;
    FakeTrash trash;
    std::unique_ptr<JsonFileStore> store;
    std::unique_ptr<AppSettings> settings;
    std::unique_ptr<LibraryModel> model;
    int applied = 0;
};

const QStringList sampleFiles{"sunset_beach.mov", "beachy.mp4", "forest.mp4",
                              "city-night.m4v",   "Ocean.mp4",  "readme.txt"};

} // namespace

class LibraryModelTest : public QObject {
    Q_OBJECT

private slots:
    void filterAndSearch_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("header");
        QTest::addColumn<int>("detail");
        const QStringList all{"beachy.mp4", "city-night.m4v", "forest.mp4", "Ocean.mp4",
                              "sunset_beach.mov"};
        const int grid = int(DetailView::grid);
        QTest::newRow("all") << int(Kind::all) << ""
                             << "" << all << "All Wallpapers" << grid;
        QTest::newRow("trimmed query, title and tag")
            << int(Kind::all) << ""
            << "  beach\t" << QStringList{"beachy.mp4", "forest.mp4", "sunset_beach.mov"}
            << "Results" << grid;
        QTest::newRow("ignores case")
            << int(Kind::all) << ""
            << "BEACH" << QStringList{"beachy.mp4", "forest.mp4", "sunset_beach.mov"} << "Results"
            << grid;
        QTest::newRow("by display title")
            << int(Kind::all) << ""
            << "city night" << QStringList{"city-night.m4v"} << "Results" << grid;
        QTest::newRow("blank query filters nothing") << int(Kind::all) << ""
                                                     << "   " << all << "Results" << grid;
        QTest::newRow("newlines are not trimmed")
            << int(Kind::all) << ""
            << "\nbeach" << QStringList{} << "Results" << int(DetailView::noSearchResults);
        QTest::newRow("untagged") << int(Kind::untagged) << ""
                                  << ""
                                  << QStringList{"beachy.mp4", "Ocean.mp4", "sunset_beach.mov"}
                                  << "Untagged" << grid;
        QTest::newRow("untagged with a query")
            << int(Kind::untagged) << ""
            << "oce" << QStringList{"Ocean.mp4"} << "Results" << grid;
        QTest::newRow("one tag") << int(Kind::tag) << "Beach"
                                 << "" << QStringList{"forest.mp4"} << "Beach" << grid;
        QTest::newRow("tags are exact")
            << int(Kind::tag) << "beach"
            << "" << QStringList{} << "beach" << int(DetailView::emptyFilter);
        QTest::newRow("tag and query without results")
            << int(Kind::tag) << "night"
            << "ocean" << QStringList{} << "Results" << int(DetailView::noSearchResults);
        QTest::newRow("gallery") << int(Kind::gallery) << ""
                                 << "" << QStringList{} << "Online Gallery"
                                 << int(DetailView::gallery);
        QTest::newRow("gallery keeps the query")
            << int(Kind::gallery) << ""
            << "beach" << QStringList{} << "Results" << int(DetailView::gallery);
    }
    void filterAndSearch()
    {
        QFETCH(int, kind);
        QFETCH(QString, tag);
        QFETCH(QString, query);
        QFETCH(QStringList, shown);
        QFETCH(QString, header);
        QFETCH(int, detail);
        Fixture f(makeLibrary("search", sampleFiles));
        f.model->categories().toggle("Beach", f.url("forest.mp4"));
        f.model->categories().toggle("night", f.url("city-night.m4v"));
        f.model->setFilter({Kind(kind), tag});
        f.model->setQuery(query);
        QCOMPARE(names(f.model->filteredVideos()), shown);
        QCOMPARE(f.model->headerTitle(), header);
        QCOMPARE(f.model->headerCount(), shown.size());
        QCOMPARE(int(f.model->detailView()), detail);
    }

    void filteredVideosFollowTagEdits()
    {
        Fixture f(makeLibrary("follow", sampleFiles));
        f.model->setFilter(LibraryFilter::tag("sea"));
        QSignalSpy changes(f.model.get(), &LibraryModel::contentChanged);
        QVERIFY(f.model->filteredVideos().isEmpty());
        f.model->categories().toggle("sea", f.url("Ocean.mp4"));
        QVERIFY(changes.count() > 0);
        QCOMPARE(names(f.model->filteredVideos()), QStringList{"Ocean.mp4"});
    }

    void emptyFilterTitles_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("title");
        QTest::newRow("all") << int(Kind::all) << ""
                             << "No videos";
        QTest::newRow("untagged") << int(Kind::untagged) << ""
                                  << "Everything is tagged";
        QTest::newRow("gallery") << int(Kind::gallery) << ""
                                 << "No videos";
        QTest::newRow("tag") << int(Kind::tag) << "Dusk"
                             << "Nothing tagged “Dusk”";
    }
    void emptyFilterTitles()
    {
        QFETCH(int, kind);
        QFETCH(QString, tag);
        QFETCH(QString, title);
        Fixture f(makeLibrary("titles", {"a.mp4"}));
        f.model->setFilter({Kind(kind), tag});
        QCOMPARE(f.model->emptyFilterTitle(), title);
    }

    void everythingTaggedShowsTheEmptyFilter()
    {
        Fixture f(makeLibrary("tagged", {"a.mp4", "b.mp4"}));
        f.model->categories().toggle("x", f.url("a.mp4"));
        f.model->categories().toggle("y", f.url("b.mp4"));
        f.model->setFilter(LibraryFilter::untagged());
        QCOMPARE(f.model->detailView(), DetailView::emptyFilter);
        QCOMPARE(f.model->emptyFilterTitle(), "Everything is tagged");
        QCOMPARE(LibraryModel::emptyFilterDescription(), "Right-click any video to assign tags.");
    }

    void anEmptyLibraryWinsOverEveryFilterButTheGallery_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("detail");
        QTest::newRow("all") << int(Kind::all) << "" << int(DetailView::emptyLibrary);
        QTest::newRow("untagged") << int(Kind::untagged) << "" << int(DetailView::emptyLibrary);
        QTest::newRow("tag") << int(Kind::tag) << "" << int(DetailView::emptyLibrary);
        QTest::newRow("search") << int(Kind::all) << "x" << int(DetailView::emptyLibrary);
        QTest::newRow("gallery") << int(Kind::gallery) << "" << int(DetailView::gallery);
    }
    void anEmptyLibraryWinsOverEveryFilterButTheGallery()
    {
        QFETCH(int, kind);
        QFETCH(QString, query);
        QFETCH(int, detail);
        Fixture f(makeLibrary("empty", {"notes.txt"}));
        f.model->setFilter({Kind(kind), "t"});
        f.model->setQuery(query);
        QCOMPARE(int(f.model->detailView()), detail);
        QCOMPARE(LibraryModel::emptyLibrary().title, "Your library is empty");
        QCOMPARE(LibraryModel::emptyLibrary().folderButton, "Choose Folder…");
    }

    void noFolderMeansAnEmptyLibraryAndNoWatch()
    {
        Fixture f(makeLibrary("some", {"a.mp4"}));
        QVERIFY(f.model->watcher().isWatching());
        QCOMPARE(f.model->folderButtonTitle(), "some");
        f.settings->setLibraryFolder(QUrl());
        QVERIFY(f.model->videos().isEmpty());
        QVERIFY(!f.model->watcher().isWatching());
        QCOMPARE(f.model->folderButtonTitle(), "Choose Folder…");
        QCOMPARE(f.model->detailView(), DetailView::emptyLibrary);
    }

    void sidebarRowsAndCounts()
    {
        Fixture f(makeLibrary("sidebar", sampleFiles));
        f.model->setGalleryCount(12);
        auto rows = f.model->sidebarRows();
        QCOMPARE(rows.size(), 3); // no tags: the section says so instead of rows
        QCOMPARE(LibraryModel::noTagsText(), "No tags yet");

        CategoryStore &tags = f.model->categories();
        tags.toggle("sea", f.url("Ocean.mp4"));
        tags.toggle("sea", f.url("beachy.mp4"));
        tags.toggle("city", f.url("city-night.m4v"));
        tags.toggle("gone", QUrl::fromLocalFile("/elsewhere/missing.mp4"));
        rows = f.model->sidebarRows();
        QStringList described;
        for (const auto &row : rows)
            described.append(QStringLiteral("%1|%2|%3|%4")
                                 .arg(row.section, row.title, row.symbol)
                                 .arg(row.count));
        QCOMPARE(described,
                 (QStringList{"Library|All Wallpapers|square.grid.2x2|5",
                              "Library|Untagged|tag.slash|2", "Discover|Online Gallery|globe|12",
                              "Tags|city|tag|1", "Tags|gone|tag|0", "Tags|sea|tag|2"}));
        QCOMPARE(rows[0].filter, LibraryFilter::all());
        QCOMPARE(rows[1].filter, LibraryFilter::untagged());
        QCOMPARE(rows[2].filter, LibraryFilter::gallery());
        QCOMPARE(rows[5].filter, LibraryFilter::tag("sea"));
    }

    void newTagFlow()
    {
        Fixture f(makeLibrary("newtag", {"clip.v2.mp4", "other.mp4"}));
        auto prompt = f.model->beginNewTag();
        QCOMPARE(prompt.title, "New Tag");
        QCOMPARE(prompt.message,
                 "Tags let you group wallpapers. Right-click a video to assign them.");
        QCOMPARE(prompt.placeholder, "Tag name");
        QCOMPARE(prompt.acceptButton, "Add");
        QCOMPARE(prompt.cancelButton, "Cancel");
        f.model->setNewTagName("  Sea ");
        f.model->confirmNewTag();
        QCOMPARE(f.model->categories().tags(), QStringList{"Sea"});
        QVERIFY(f.model->categories().assignments().isEmpty());
        QVERIFY(f.model->newTagName().isEmpty());

        // With a target: the tag lands on it; an existing tag it already has stays on.
        const QUrl clip = f.url("clip.v2.mp4");
        prompt = f.model->beginNewTag(clip);
        QCOMPARE(prompt.message, "The new tag will be applied to “clip.v2”.");
        f.model->setNewTagName("dusk");
        f.model->confirmNewTag();
        QVERIFY(f.model->categories().has("dusk", clip));
        f.model->beginNewTag(clip);
        f.model->setNewTagName("DUSK");
        f.model->confirmNewTag();
        QVERIFY(f.model->categories().has("dusk", clip));
        QCOMPARE(f.model->categories().tags(), (QStringList{"dusk", "Sea"}));

        // Cancel forgets the target: a later untargeted add tags nothing.
        f.model->beginNewTag(f.url("other.mp4"));
        f.model->setNewTagName("x");
        f.model->cancelNewTag();
        QVERIFY(f.model->newTagName().isEmpty());
        f.model->setNewTagName("night");
        f.model->confirmNewTag();
        QVERIFY(!f.model->categories().has("night", f.url("other.mp4")));
    }

    void renameFlowMovesTheFilterAlong_data()
    {
        QTest::addColumn<QString>("newName");
        QTest::addColumn<QString>("filterTag");
        QTest::newRow("renamed") << " sand\t"
                                 << "sand";
        QTest::newRow("blank keeps the filter") << "  "
                                                << "beach";
        QTest::newRow("merged into another") << "sea"
                                             << "sea";
    }
    void renameFlowMovesTheFilterAlong()
    {
        QFETCH(QString, newName);
        QFETCH(QString, filterTag);
        Fixture f(makeLibrary("rename", {"a.mp4", "b.mp4"}));
        f.model->categories().toggle("beach", f.url("a.mp4"));
        f.model->categories().toggle("sea", f.url("b.mp4"));
        const auto prompt = f.model->renamePrompt("beach");
        QCOMPARE(prompt.title, "Rename Tag");
        QCOMPARE(prompt.text, "beach");
        QCOMPARE(prompt.acceptButton, "Rename");
        f.model->setFilter(LibraryFilter::tag("beach"));
        f.model->confirmRename("beach", newName);
        QCOMPARE(f.model->filter(), LibraryFilter::tag(filterTag));
        QCOMPARE(names(f.model->filteredVideos()).contains("a.mp4"), true);
    }

    void deleteFlow()
    {
        Fixture f(makeLibrary("delete", {"a.mp4", "b.mp4", "c.mp4"}));
        CategoryStore &tags = f.model->categories();
        tags.toggle("x", f.url("a.mp4"));
        tags.toggle("x", f.url("b.mp4"));
        tags.toggle("x", QUrl::fromLocalFile("/not/in/library.mp4"));
        const auto confirmation = f.model->deleteConfirmation("x");
        QCOMPARE(confirmation.title, "Delete “x”?");
        QCOMPARE(confirmation.message,
                 "Removes the tag from 2 video(s). The video files are not touched.");
        QCOMPARE(confirmation.confirmButton, "Delete Tag");
        QCOMPARE(confirmation.cancelButton, "Cancel");

        f.model->setFilter(LibraryFilter::tag("x"));
        f.model->confirmDelete("x");
        QCOMPARE(f.model->filter(), LibraryFilter::all());
        QVERIFY(tags.tags().isEmpty());
        QCOMPARE(f.model->videos().size(), 3);
    }

    void trashPicksTheVideoThatTakesItsPlace_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("trashed");
        QTest::addColumn<QString>("replacement"); // empty: none
        QTest::newRow("first") << QStringList{"a.mp4", "b.mp4", "c.mp4"} << "a.mp4"
                               << "b.mp4";
        QTest::newRow("middle") << QStringList{"a.mp4", "b.mp4", "c.mp4"} << "b.mp4"
                                << "c.mp4";
        QTest::newRow("last") << QStringList{"a.mp4", "b.mp4", "c.mp4"} << "c.mp4"
                              << "b.mp4";
        QTest::newRow("only one") << QStringList{"a.mp4"} << "a.mp4"
                                  << "";
    }
    void trashPicksTheVideoThatTakesItsPlace()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, trashed);
        QFETCH(QString, replacement);
        Fixture f(makeLibrary("trash", files));
        const QUrl video = f.url(trashed);
        f.settings->setCurrentVideo(video);
        f.settings->setSpeed(0.5, video);
        f.model->categories().toggle("t", video);
        const auto confirmation = f.model->beginMoveToTrash(video);
        QCOMPARE(confirmation.message, "It's playing now, so Quintara will switch to another "
                                       "wallpaper. You can restore it from the Trash.");
        f.model->confirmMoveToTrash();
        QCOMPARE(f.trash.moved, QStringList{trashed});
        QCOMPARE(f.settings->currentVideo(), replacement.isEmpty() ? QUrl() : f.url(replacement));
        QCOMPARE(f.settings->speed(video), 1.0);
        QVERIFY(!f.model->categories().assignments().contains(trashed));
        QCOMPARE(f.applied, 1);
        QVERIFY(!names(f.model->videos()).contains(trashed));
        f.model->confirmMoveToTrash(); // the target was forgotten
        QCOMPARE(f.trash.moved.size(), 1);
    }

    void aFailedMoveKeepsTagsAndSpeed()
    {
        MemoryLogSink log;
        ScopedLogSink scoped(&log);
        Fixture f(makeLibrary("stuck", {"a.mp4", "Sunset_beach.mp4"}));
        const QUrl video = f.url("Sunset_beach.mp4");
        f.settings->setCurrentVideo(f.url("a.mp4"));
        f.settings->setVideo(video, QStringLiteral("HDMI-1"));
        f.settings->setSpeed(1.25, video);
        f.model->categories().toggle("gold", video);
        f.trash.failure = "Permission denied";

        const auto confirmation = f.model->beginMoveToTrash(video);
        QCOMPARE(confirmation.title, "Move “Sunset beach” to the Trash?");
        QCOMPARE(confirmation.message, "It's removed from your library along with its tags and "
                                       "speed. You can restore it from the Trash.");
        QCOMPARE(confirmation.confirmButton, "Move to Trash");
        f.model->confirmMoveToTrash();

        QCOMPARE(log.matching("Quintara: "),
                 QStringList{"Quintara: couldn't move Sunset_beach.mp4 to the Trash: "
                             "Permission denied"});
        QCOMPARE(f.settings->speed(video), 1.25);
        QCOMPARE(f.settings->screenVideos().value("HDMI-1"), video);
        QCOMPARE(f.settings->currentVideo(), f.url("a.mp4"));
        QVERIFY(f.model->categories().has("gold", video));
        CategoryStore onDisk;
        onDisk.load(f.settings->libraryFolder());
        QVERIFY(onDisk.has("gold", video));
        QCOMPARE(f.applied, 0);
        QVERIFY(f.model->videos().contains(video));
    }

    void changingTheFolderReloadsTagsAndResetsTheFilter()
    {
        const QUrl second = makeLibrary("second", {"z.mp4"});
        {
            CategoryStore other;
            other.load(second);
            other.toggle("far", QUrl::fromLocalFile("/x/z.mp4"));
        }
        Fixture f(makeLibrary("first", {"a.mp4"}));
        f.model->categories().toggle("near", f.url("a.mp4"));
        f.model->setFilter(LibraryFilter::tag("near"));

        f.chooser.answer.reset();
        f.model->chooseFolder();
        QCOMPARE(f.chooser.asked, 1);
        QCOMPARE(f.model->filter(), LibraryFilter::tag("near"));

        f.chooser.answer = second;
        f.model->chooseFolder();
        QCOMPARE(f.settings->libraryFolder(), second);
        QCOMPARE(JsonFileStore(JsonFileStore::defaultPath()).value("libraryFolder").toString(),
                 second.toString());
        QCOMPARE(f.model->filter(), LibraryFilter::all());
        QCOMPARE(names(f.model->videos()), QStringList{"z.mp4"});
        QCOMPARE(f.model->categories().tags(), QStringList{"far"});
        QCOMPARE(f.model->folderButtonTitle(), "second");
    }

    void theFolderDialogPicksOneDirectory()
    {
        QFileDialog dialog;
        DialogFolderChooser::configure(dialog);
        QCOMPARE(dialog.fileMode(), QFileDialog::Directory);
        QVERIFY(dialog.testOption(QFileDialog::ShowDirsOnly));
        QCOMPARE(dialog.labelText(QFileDialog::Accept), "Use Folder");
    }

    void folderChangesAndOtherWritersReachTheList()
    {
        Fixture f(makeLibrary("live", {"a.mp4"}));
        QSignalSpy listed(f.model.get(), &LibraryModel::videosChanged);
        QFile added(folderPath("live") + "/b.mp4");
        QVERIFY(added.open(QIODevice::WriteOnly));
        added.close();
        QTRY_COMPARE(f.clock.pendingCount(), std::size_t(1));
        QCOMPARE(listed.count(), 0);
        f.clock.advance(FolderWatcher::settleDelay);
        QCOMPARE(names(f.model->videos()), (QStringList{"a.mp4", "b.mp4"}));

        // Tags another store wrote are picked up with the next listing.
        CategoryStore other;
        other.load(f.settings->libraryFolder());
        other.toggle("theirs", f.url("b.mp4"));
        f.model->reloadVideos();
        QVERIFY(f.model->categories().has("theirs", f.url("b.mp4")));
    }

    void aWindowGainingFocusRelists()
    {
        Fixture f(makeLibrary("focus", {"a.mp4"}));
        QFile added(folderPath("focus") + "/b.mp4");
        QVERIFY(added.open(QIODevice::WriteOnly));
        added.close();
        // The watcher's settle time never passes here, so only the focus change can re-list.
        QWindow window;
        window.resize(50, 50);
        window.show();
        window.requestActivate();
        QTRY_COMPARE(QGuiApplication::focusWindow(), &window);
        QTRY_COMPARE(names(f.model->videos()), (QStringList{"a.mp4", "b.mp4"}));
    }
};

// Focus changes without a window manager to take part: always the offscreen platform.
int main(int argc, char **argv)
{
    quintara::test::IsolatedHome home;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    LibraryModelTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_librarymodel.moc"
