#include "GalleryFixture.h"
#include "LibraryHarness.h"
#include "Rows.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "app/GalleryHandOff.h"
#include "gallery/GalleryLink.h"
#include "platform/linux/JsonFileStore.h"
#include "settings/AppSettings.h"
#include "views/GalleryActions.h"

using namespace quintara;
using Response = test::LoopbackHttpServer::Response;

using LinkRow = std::tuple<QString, bool, QStringList, int, QString>;

// The control panel's gallery actions and quintara://add links, on real files.
class GalleryFlowsTest : public QObject {
    Q_OBJECT

    test::LoopbackHttpServer m_server;
    test::VirtualScheduler m_clock;
    test::FakeChooser m_chooser;
    test::FakeTrash m_trash;
    std::unique_ptr<JsonFileStore> m_defaults;
    std::unique_ptr<AppSettings> m_settings;
    std::unique_ptr<GalleryStore> m_gallery;
    QStringList m_notices; // "symbol|title|subtitle|seconds"
    int m_applied = 0;
    const QString m_folder = QDir::homePath() + "/Movies/Quintara";

    QUrl file(const QString &name) const
    {
        return name.isEmpty() ? QUrl() : QUrl::fromLocalFile(m_folder + "/" + name);
    }
    std::unique_ptr<GalleryHandOff> handOff(const QStringList &ids, bool *finished)
    {
        auto handOff = std::make_unique<GalleryHandOff>(
            *m_settings, *m_gallery, [this] { ++m_applied; },
            [this](auto &n) {
                m_notices
                    << QString("%1|%2|%3|%4").arg(n.symbol, n.title, n.subtitle).arg(n.seconds);
            });
        connect(handOff.get(), &GalleryHandOff::finished, this, [finished] { *finished = true; });
        handOff->start(ids);
        return handOff;
    }
    qsizetype requests(const QByteArray &path) const { return m_server.requests(path).size(); }

private slots:
    void init()
    {
        QDir(m_folder).removeRecursively();
        QDir().mkpath(m_folder);
        QFile(m_folder + "/playing.mp4").open(QIODevice::WriteOnly);
        QFile::remove(JsonFileStore::defaultPath());
        m_defaults = std::make_unique<JsonFileStore>(JsonFileStore::defaultPath());
        m_settings = std::make_unique<AppSettings>(*m_defaults);
        test::serveGallery(m_server, {{"a", "Aurora", {"Sky", "beach"}},
                                      {"b", "Bay"},
                                      {"playing", "P"},
                                      {"broken", "Broken", {}, Response::notFoundPage()}});
        m_gallery = std::make_unique<GalleryStore>(
            GalleryEndpoints{m_server.url("/catalog.json"), m_server.url("/stats")}, m_clock);
        m_notices.clear();
        m_applied = m_chooser.asked = 0;
        m_server.clearRequests();
    }

    void controlPanel()
    {
        LibraryModel library(*m_settings, m_clock, m_trash, &m_chooser);
        library.appear();
        library.categories().addTag("Beach");
        GalleryActions actions(*m_settings, *m_gallery, library);
        actions.onApply = [this] { ++m_applied; };
        m_settings->setCurrentVideo(file("gone.mp4")); // nothing valid plays
        m_gallery->load();
        QTRY_VERIFY(!m_gallery->wallpapers().isEmpty());
        actions.onDownload("a");
        actions.onDownload("a"); // a quick second click starts and counts nothing more
        QTRY_COMPARE(library.videos().urls().size(), 2);
        QTRY_COMPARE(requests("/stats/download"), 1);
        QCOMPARE(requests("/videos/"), 1);
        QCOMPARE(m_settings->currentVideo(), file("a.mp4"));
        QCOMPARE(m_applied, 1);
        QCOMPARE(library.categories().tagsOf("a.mp4"), QStringList({"Beach", "Sky"}));

        QVERIFY(m_gallery->model()->index(0).data(GalleryWallpaperModel::InLibraryRole).toBool());
        m_settings->setLibraryFolder(QUrl());
        actions.onDownload("b");
        QVERIFY(m_chooser.asked == 1 && m_gallery->progress().isEmpty());
    }

    void links_data()
    {
        // The link (quintara://add? implied for a query), whether a valid video played before:
        // the notices, the downloads and the current video afterwards.
        const auto row = test::rows<LinkRow>();
        const QString in = "arrow.down.circle.fill|%1|Online Gallery|4";
        const QString added = "checkmark.circle.fill|%1|Added to your library|2.5";
        const QStringList two{in.arg("Adding 2 wallpapers\u2026"), added.arg("Aurora"),
                              added.arg("Bay"),
                              "checkmark.circle.fill|2 wallpapers added|Online Gallery|3"};
        const QStringList notFound{
            "exclamationmark.triangle.fill|Couldn't find those wallpapers|Online Gallery|3"};
        const QString playing = "playing.mp4";
        row("two, nothing playing", {"ids=a,b", false, two, 2, "a.mp4"});
        row("two, one playing", {"ids=a,b", true, two, 2, playing});
        row("already installed",
            {"id=playing", false, {in.arg("Already in your library")}, 0, playing});
        row("unknown", {"ids=zzz", false, notFound, 0, ""});
        row("first of id and ids", {"x=1&id=a&ids=b",
                                    true,
                                    {in.arg("Adding Aurora\u2026"), added.arg("Aurora")},
                                    1,
                                    "a.mp4"});
        // The first wanted entry that arrived shows.
        row("a failed download", {"ids=broken,,b,",
                                  false,
                                  {in.arg("Adding 2 wallpapers\u2026"), added.arg("Bay")},
                                  2,
                                  "b.mp4"});
        for (const char *link :
             {"", "ids=", "quintara://remove?id=a", "https://add?id=a", "quintara://add:x?id=a"})
            row(link, {link, true, {}, 0, playing});
    }
    void links()
    {
        const auto &[link, playing, notices, downloads, current] = test::row<LinkRow>();
        if (playing) // else, as on a first run, no library folder is stored yet
            m_settings->setCurrentVideo(file("playing.mp4"));
        const QUrl url(link.contains("://")
                           ? link
                           : "quintara://add" + QString(link.isEmpty() ? "" : "?") + link);
        bool finished = false;
        const auto task = handOff(galleryLinkIds(url).value_or(QStringList()), &finished);
        QTRY_VERIFY(finished);
        QCOMPARE(m_notices, notices);
        QCOMPARE(requests("/videos/"), downloads);
        QCOMPARE(m_settings->currentVideo(), file(current));
        QCOMPARE(m_applied, int(current != (playing ? "playing.mp4" : "")));
        CategoryStore tags;
        tags.load(QUrl::fromLocalFile(m_folder));
        const bool tagged = notices.join(',').contains("|Aurora|Added");
        QCOMPARE(tags.tagsOf("a.mp4"), tagged ? QStringList({"beach", "Sky"}) : QStringList());
        QCOMPARE(requests("/stats/"), 0);
        QCOMPARE(m_defaults->value(settings_keys::libraryFolder).toString(),
                 QUrl::fromLocalFile(m_folder + "/").toString());
    }

    void waitsForOtherCallersLoadAndDownload()
    {
        // The gallery view's catalog request still runs when the link arrives.
        test::serveGallery(m_server, {{"a", "Aurora"}, {"b", "Bay"}}, 0);
        m_gallery->load();
        bool finished = false;
        auto task = handOff({"a"}, &finished);
        QTRY_COMPARE(requests("/catalog.json"), 1);
        m_server.release("/catalog.json");
        QTRY_VERIFY(finished);
        QCOMPARE(m_notices.last(), "checkmark.circle.fill|Aurora|Added to your library|2.5");

        // The control panel is downloading the entry the next link names: the link waits for it.
        Response held = Response::ok("video");
        held.holdAt = 0;
        m_server.route("/videos/b.mp4", held);
        bool panelDone = false;
        m_gallery->download(m_gallery->wallpapers().at(1), QUrl::fromLocalFile(m_folder),
                            [&](auto &result) { panelDone = result.ok(); });
        task = handOff({"b"}, &(finished = false));
        QTRY_COMPARE(requests("/videos/b.mp4"), 1);
        m_server.release("/videos/b.mp4");
        QTRY_VERIFY(finished && panelDone);
        QCOMPARE(m_notices.last(), "checkmark.circle.fill|Bay|Added to your library|2.5");
        QCOMPARE(requests("/videos/b.mp4"), 1);
    }
};

QUINTARA_TEST_MAIN(GalleryFlowsTest)
#include "tst_galleryflows.moc"
