#include "LibraryHarness.h"
#include "Rows.h"
#include "TestMain.h"
#include "library/ThumbnailCache.h"
#include "platform/LogSink.h"

#include <QAbstractItemModelTester>
#include <QWindow>

using namespace quintara;
using test::fileNames;
using test::LibraryHarness;
using test::makeLibrary;
using Kind = LibraryFilter::Kind;
using DetailView = LibraryModel::DetailView;

namespace {

const QStringList sampleFiles{"sunset_beach.mov", "beachy.mp4", "forest.mp4",
                              "city-night.m4v",   "Ocean.mp4",  "readme.txt"};

// The videos of a list model, by file name.
QStringList shown(const QAbstractItemModel &list)
{
    QStringList names;
    for (int row = 0; row < list.rowCount(); ++row)
        names.append(list.index(row, 0).data(LibraryVideos::urlRole).toUrl().fileName());
    return names;
}

// Filter, tag, query; then the videos shown, the header and the detail view.
using SearchRow = std::tuple<Kind, QString, QString, QStringList, QString, DetailView>;
// Filter, query, files; then the detail view and the empty filter's title.
using EmptyRow = std::tuple<Kind, QString, QStringList, DetailView, QString>;

} // namespace

class LibraryModelTest : public QObject {
    Q_OBJECT

private slots:
    void filterAndSearch_data()
    {
        const auto row = test::rows<SearchRow>();
        const QStringList all{"beachy.mp4", "city-night.m4v", "forest.mp4", "Ocean.mp4",
                              "sunset_beach.mov"};
        const QStringList beach{"beachy.mp4", "forest.mp4", "sunset_beach.mov"};
        const auto grid = DetailView::grid, none = DetailView::noSearchResults;
        row("all", {Kind::all, "", "", all, "All Wallpapers", grid});
        row("trimmed query, title and tag", {Kind::all, "", "  beach\t", beach, "Results", grid});
        row("ignores case", {Kind::all, "", "BEACH", beach, "Results", grid});
        row("by display title", {Kind::all, "", "city night", {"city-night.m4v"}, "Results", grid});
        row("blank query filters nothing", {Kind::all, "", "   ", all, "Results", grid});
        row("newlines are not trimmed", {Kind::all, "", "\nbeach", {}, "Results", none});
        const QStringList untagged{"beachy.mp4", "Ocean.mp4", "sunset_beach.mov"};
        row("untagged", {Kind::untagged, "", "", untagged, "Untagged", grid});
        row("untagged with a query", {Kind::untagged, "", "oce", {"Ocean.mp4"}, "Results", grid});
        row("one tag", {Kind::tag, "Beach", "", {"forest.mp4"}, "Beach", grid});
        row("tags are exact", {Kind::tag, "beach", "", {}, "beach", DetailView::emptyFilter});
        row("tag and query without results", {Kind::tag, "night", "ocean", {}, "Results", none});
        row("gallery", {Kind::gallery, "", "", {}, "Online Gallery", DetailView::gallery});
        row("gallery keeps the query",
            {Kind::gallery, "", "beach", {}, "Results", DetailView::gallery});
    }
    void filterAndSearch()
    {
        const auto &[kind, tag, query, shown, header, detail] = test::row<SearchRow>();
        LibraryHarness h(makeLibrary("search", sampleFiles));
        h.tags().toggle("Beach", h.url("forest.mp4"));
        h.tags().toggle("night", h.url("city-night.m4v"));
        h.model->setFilter({kind, tag});
        h.model->setQuery(query);
        QCOMPARE(fileNames(h.model->filteredVideos()), shown);
        QCOMPARE(h.model->headerTitle(), header);
        QCOMPARE(h.model->headerCount(), shown.size());
        QCOMPARE(h.model->detailView(), detail);
    }

    void emptyViews_data()
    {
        const auto row = test::rows<EmptyRow>();
        const QStringList nothing{"notes.txt"}, two{"a.mp4", "b.mp4"};
        row("all", {Kind::all, "", nothing, DetailView::emptyLibrary, "No videos"});
        row("search", {Kind::all, "x", nothing, DetailView::emptyLibrary, "No videos"});
        row("gallery", {Kind::gallery, "", nothing, DetailView::gallery, "No videos"});
        row("everything tagged",
            {Kind::untagged, "", two, DetailView::emptyFilter, "Everything is tagged"});
        row("a tag no video has",
            {Kind::tag, "", two, DetailView::emptyFilter, "Nothing tagged “t”"});
    }
    void emptyViews()
    {
        const auto &[kind, query, files, detail, title] = test::row<EmptyRow>();
        LibraryHarness h(makeLibrary("empty", files));
        for (const QString &file : files)
            h.tags().toggle("x", h.url(file));
        h.model->setFilter({kind, "t"});
        h.model->setQuery(query);
        QCOMPARE(h.model->detailView(), detail);
        QCOMPARE(h.model->emptyFilterTitle(), title);
    }

    void listsChangeRowByRow()
    {
        LibraryHarness h(makeLibrary("rows", {"a.mp4", "b_clip.mp4", "c.mp4"}));
        LibraryVideos &videos = h.model->videos();
        QAbstractItemModelTester checkVideos(&videos);
        QAbstractItemModelTester checkFiltered(&h.model->filtered());
        QAbstractItemModelTester checkSidebar(h.model->sidebar());
        QSignalSpy resets(&videos, &QAbstractItemModel::modelReset);
        QSignalSpy changed(&videos, &QAbstractItemModel::dataChanged);
        QSignalSpy inserted(&videos, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&videos, &QAbstractItemModel::rowsRemoved);
        const QModelIndex b = videos.index(1);
        QCOMPARE(b.data(LibraryVideos::titleRole).toString(), "B clip");
        QCOMPARE(ThumbnailCache::videoOfPosterId(
                     b.data(LibraryVideos::posterRole).toUrl().path().mid(1)),
                 h.url("b_clip.mp4"));

        QFile::remove(h.url("a.mp4").toLocalFile());
        test::writeFile(h.url("d.mp4").toLocalFile());
        QTRY_COMPARE(h.clock.pendingCount(), std::size_t(1)); // the watcher saw it
        QCOMPARE(videos.rowCount(), 3);                       // and waits for it to settle
        h.clock.advance(FolderWatcher::settleDelay);
        QCOMPARE(shown(videos), (QStringList{"b_clip.mp4", "c.mp4", "d.mp4"}));
        QCOMPARE(removed.count(), 1);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.first().at(1).toInt(), 2);

        h.tags().toggle("x", h.url("c.mp4"));
        h.settings->setSpeed(0.5, h.url("c.mp4"));
        QCOMPARE(changed.count(), 2);
        for (const QList<QVariant> &change : std::as_const(changed))
            QCOMPARE(change.at(0).toModelIndex().row(), 1);
        QCOMPARE(videos.index(1).data(LibraryVideos::tagsRole).toStringList(), QStringList{"x"});
        QCOMPARE(videos.index(1).data(LibraryVideos::speedRole).toDouble(), 0.5);
        QCOMPARE(resets.count(), 0);

        // The sidebar gains the tag's row; the grid follows the filter and the tags.
        QCOMPARE(h.model->sidebar()->rowCount(), 4);
        h.model->setFilter(LibraryFilter::tag("x"));
        QCOMPARE(shown(h.model->filtered()), QStringList{"c.mp4"});
        QSignalSpy content(h.model.get(), &LibraryModel::contentChanged);
        h.tags().toggle("x", h.url("d.mp4"));
        QCOMPARE(shown(h.model->filtered()), (QStringList{"c.mp4", "d.mp4"}));
        QVERIFY(content.count() > 0);
    }

    void sidebarRowsAndCounts()
    {
        LibraryHarness h(makeLibrary("sidebar", sampleFiles));
        h.model->setGalleryCount(12);
        QCOMPARE(h.model->sidebar()->rowCount(), 3); // no tags: the section says so instead
        h.tags().toggle("sea", h.url("Ocean.mp4"));
        h.tags().toggle("sea", h.url("beachy.mp4"));
        h.tags().toggle("city", h.url("city-night.m4v"));
        h.tags().toggle("gone", QUrl::fromLocalFile("/elsewhere/missing.mp4"));
        QStringList described;
        for (int row = 0; row < h.model->sidebar()->rowCount(); ++row) {
            const QModelIndex index = h.model->sidebar()->index(row);
            described.append(QStringList{index.data(LibrarySidebar::sectionRole).toString(),
                                         index.data(LibrarySidebar::titleRole).toString(),
                                         index.data(LibrarySidebar::symbolRole).toString(),
                                         index.data(LibrarySidebar::countRole).toString()}
                                 .join('|'));
        }
        QCOMPARE(described,
                 (QStringList{"Library|All Wallpapers|square.grid.2x2|5",
                              "Library|Untagged|tag.slash|2", "Discover|Online Gallery|globe|12",
                              "Tags|city|tag|1", "Tags|gone|tag|0", "Tags|sea|tag|2"}));
        const QList<LibraryFilter> filters{LibraryFilter::all(),       LibraryFilter::untagged(),
                                           LibraryFilter::gallery(),   LibraryFilter::tag("city"),
                                           LibraryFilter::tag("gone"), LibraryFilter::tag("sea")};
        for (int row = 0; row < filters.size(); ++row)
            QCOMPARE(h.model->sidebar()->index(row).data(LibrarySidebar::filterRole),
                     QVariant::fromValue(filters[row]));
    }

    void newTagFlow()
    {
        LibraryHarness h(makeLibrary("newtag", {"clip.v2.mp4", "other.mp4"}));
        const auto begin = [&](const QUrl &target) { return h.model->beginNewTag(target); };
        // The view answers through the meta-object, as QML does.
        const auto confirm = [&](const QString &name) {
            QMetaObject::invokeMethod(h.model.get(), "confirmNewTag", Q_ARG(QString, name));
        };
        begin(QUrl());
        confirm("  Sea ");
        QCOMPARE(h.tags().tags(), QStringList{"Sea"});
        QVERIFY(h.tags().assignments().isEmpty());

        // With a target the tag lands on it, an existing tag too.
        const QUrl clip = h.url("clip.v2.mp4");
        QCOMPARE(begin(clip).message, "The new tag will be applied to “clip.v2”.");
        confirm("dusk");
        QVERIFY(h.tags().has("dusk", clip));
        begin(clip);
        confirm("SEA");
        QCOMPARE(h.tags().tagsOf("clip.v2.mp4"), (QStringList{"dusk", "Sea"}));

        // Cancel forgets the target: a later untargeted add tags nothing.
        begin(h.url("other.mp4"));
        h.model->cancelNewTag();
        confirm("night");
        QVERIFY(!h.tags().has("night", h.url("other.mp4")));
    }

    void renameFlowMovesTheFilterAlong_data()
    {
        const auto row = test::rows<std::tuple<QString, QString>>();
        row("renamed", {" sand\t", QString("sand")});
        row("blank keeps the filter", {"  ", QString("beach")});
        row("merged into another", {"sea", QString("sea")});
    }
    void renameFlowMovesTheFilterAlong()
    {
        const auto &[newName, filterTag] = test::row<std::tuple<QString, QString>>();
        LibraryHarness h(makeLibrary("rename", {"a.mp4", "b.mp4"}));
        h.tags().toggle("beach", h.url("a.mp4"));
        h.tags().toggle("sea", h.url("b.mp4"));
        QCOMPARE(h.model->renamePrompt("beach").text, "beach");
        h.model->setFilter(LibraryFilter::tag("beach"));
        h.model->confirmRename("beach", newName);
        QCOMPARE(h.model->filter(), LibraryFilter::tag(filterTag));
        QVERIFY(h.model->filteredVideos().contains(h.url("a.mp4")));
    }

    void deleteFlow()
    {
        LibraryHarness h(makeLibrary("delete", {"a.mp4", "b.mp4", "c.mp4"}));
        for (const char *file : {"a.mp4", "b.mp4"})
            h.tags().toggle("x", h.url(file));
        h.tags().toggle("x", QUrl::fromLocalFile("/not/in/library.mp4"));
        const Confirmation confirmation = h.model->deleteConfirmation("x");
        QCOMPARE(confirmation.title, "Delete “x”?");
        QCOMPARE(confirmation.message,
                 "Removes the tag from 2 video(s). The video files are not touched.");
        h.model->setFilter(LibraryFilter::tag("x"));
        h.model->confirmDelete("x");
        QCOMPARE(h.model->filter(), LibraryFilter::all());
        QVERIFY(h.tags().tags().isEmpty());
        QCOMPARE(h.model->videos().rowCount(), 3);
    }

    void trashPicksTheVideoThatTakesItsPlace_data()
    {
        // replacement: empty: none
        const auto row = test::rows<std::tuple<QStringList, QString, QString>>();
        const QStringList three{"a.mp4", "b.mp4", "c.mp4"};
        row("first", {three, QString("a.mp4"), QString("b.mp4")});
        row("middle", {three, QString("b.mp4"), QString("c.mp4")});
        row("last", {three, QString("c.mp4"), QString("b.mp4")});
        row("only one", {QStringList{"a.mp4"}, QString("a.mp4"), QString()});
    }
    void trashPicksTheVideoThatTakesItsPlace()
    {
        const auto &[files, trashed, replacement] =
            test::row<std::tuple<QStringList, QString, QString>>();
        LibraryHarness h(makeLibrary("trash", files));
        const QUrl video = h.url(trashed);
        h.settings->setCurrentVideo(video);
        h.settings->setSpeed(0.5, video);
        h.tags().toggle("t", video);
        QCOMPARE(h.model->beginMoveToTrash(video).message,
                 "It's playing now, so Quintara will switch to another wallpaper. You can "
                 "restore it from the Trash.");
        h.model->confirmMoveToTrash();
        QCOMPARE(h.trash.moved, QStringList{trashed});
        QCOMPARE(h.settings->currentVideo(), replacement.isEmpty() ? QUrl() : h.url(replacement));
        QCOMPARE(h.settings->speed(video), 1.0);
        QVERIFY(!h.tags().assignments().contains(trashed));
        QCOMPARE(h.applied, 1);
        QVERIFY(!h.model->videos().urls().contains(video));
        h.model->confirmMoveToTrash(); // the target was forgotten
        QCOMPARE(h.trash.moved.size(), 1);
    }

    void aFailedMoveKeepsTagsAndSpeed()
    {
        MemoryLogSink log;
        ScopedLogSink scoped(&log);
        LibraryHarness h(makeLibrary("stuck", {"a.mp4", "Sunset_beach.mp4"}));
        const QUrl video = h.url("Sunset_beach.mp4");
        h.settings->setCurrentVideo(h.url("a.mp4"));
        h.settings->setVideo(video, QStringLiteral("HDMI-1"));
        h.settings->setSpeed(1.25, video);
        h.tags().toggle("gold", video);
        h.trash.failure = "Permission denied";
        const Confirmation confirmation = h.model->beginMoveToTrash(video);
        QCOMPARE(confirmation.title, "Move “Sunset beach” to the Trash?");
        QCOMPARE(confirmation.message, "It's removed from your library along with its tags and "
                                       "speed. You can restore it from the Trash.");
        h.model->confirmMoveToTrash();

        QCOMPARE(log.matching("Quintara: "),
                 QStringList{"Quintara: couldn't move Sunset_beach.mp4 to the Trash: "
                             "Permission denied"});
        QCOMPARE(h.settings->speed(video), 1.25);
        QCOMPARE(h.settings->screenVideos().value("HDMI-1"), video);
        QCOMPARE(h.settings->currentVideo(), h.url("a.mp4"));
        CategoryStore onDisk;
        onDisk.load(h.settings->libraryFolder());
        QVERIFY(onDisk.has("gold", video));
        QCOMPARE(h.applied, 0);
        QVERIFY(h.model->videos().urls().contains(video));
    }

    void changingTheFolderReloadsTagsAndResetsTheFilter()
    {
        const QUrl second = makeLibrary("second", {"z.mp4"});
        {
            CategoryStore other;
            other.load(second);
            other.toggle("far", QUrl::fromLocalFile("/x/z.mp4"));
        }
        LibraryHarness h(makeLibrary("first", {"a.mp4"}));
        QCOMPARE(h.model->folderButtonTitle(), "first");
        h.tags().toggle("near", h.url("a.mp4"));
        h.model->setFilter(LibraryFilter::tag("near"));
        h.model->chooseFolder(); // cancelled
        QCOMPARE(h.chooser.asked, 1);
        QCOMPARE(h.model->filter(), LibraryFilter::tag("near"));

        h.chooser.answer = second;
        h.model->chooseFolder();
        QCOMPARE(h.store.value("libraryFolder").toString(), second.toString());
        QCOMPARE(h.model->filter(), LibraryFilter::all());
        QCOMPARE(fileNames(h.model->videos().urls()), QStringList{"z.mp4"});
        QCOMPARE(h.model->tags(), QStringList{"far"});
        QCOMPARE(h.model->folderButtonTitle(), "second");

        // No folder: an empty library, nothing watched.
        h.settings->setLibraryFolder(QUrl());
        QCOMPARE(h.model->videos().rowCount(), 0);
        QVERIFY(!h.model->watcher().isWatching());
        QCOMPARE(h.model->folderButtonTitle(), "Choose Folder…");
    }

    void anotherWritersTagsArriveWithTheNextListing()
    {
        LibraryHarness h(makeLibrary("live", {"a.mp4"}));
        CategoryStore other;
        other.load(h.settings->libraryFolder());
        other.toggle("theirs", h.url("a.mp4"));
        h.model->reloadVideos();
        QVERIFY(h.tags().has("theirs", h.url("a.mp4")));
    }

    void aWindowGainingFocusRelists()
    {
        LibraryHarness h(makeLibrary("focus", {"a.mp4"}));
        test::writeFile(h.url("b.mp4").toLocalFile());
        // The watcher's settle time never passes here, so only the focus change can re-list.
        QWindow window;
        window.resize(50, 50);
        window.show();
        window.requestActivate();
        QTRY_COMPARE(QGuiApplication::focusWindow(), &window);
        QTRY_COMPARE(shown(h.model->videos()), (QStringList{"a.mp4", "b.mp4"}));
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
