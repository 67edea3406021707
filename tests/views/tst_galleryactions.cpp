#include "GalleryFixture.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "platform/linux/JsonFileStore.h"
#include "settings/AppSettings.h"
#include "views/GalleryActions.h"

#include <QDir>
#include <QFile>

using namespace quintara;
using test::LoopbackHttpServer;

namespace {

struct FakeChooser final : FolderChooser {
    std::optional<QUrl> chooseFolder() override
    {
        ++asked;
        return std::nullopt;
    }
    int asked = 0;
};

struct NoTrash final : Trash {
    bool moveToTrash(const QString &, QString *) override { return false; }
};

} // namespace

// The control panel's download, use and remove actions on gallery entries, over a real library
// folder, tag file and settings file, against a loopback gallery.
class GalleryActionsTest : public QObject {
    Q_OBJECT

    LoopbackHttpServer m_server;
    test::VirtualScheduler m_clock;
    FakeChooser m_chooser;
    NoTrash m_trash;
    std::unique_ptr<JsonFileStore> m_defaults;
    std::unique_ptr<AppSettings> m_settings;
    std::unique_ptr<GalleryStore> m_gallery;
    std::unique_ptr<LibraryModel> m_library;
    std::unique_ptr<GalleryActions> m_actions;
    int m_applied = 0;
    QString m_folder;

    QUrl file(const QString &name) const { return QUrl::fromLocalFile(m_folder + "/" + name); }

private slots:
    void init()
    {
        m_folder = QDir::homePath() + "/Library";
        QDir(m_folder).removeRecursively();
        QDir().mkpath(m_folder);
        QFile::remove(JsonFileStore::defaultPath());
        m_defaults = std::make_unique<JsonFileStore>(JsonFileStore::defaultPath());
        m_settings = std::make_unique<AppSettings>(*m_defaults);
        m_settings->setLibraryFolder(QUrl::fromLocalFile(m_folder));
        test::serveGallery(m_server, {{"aurora", "Aurora", {"Night", "beach"}}});
        m_gallery = std::make_unique<GalleryStore>(
            GalleryEndpoints{m_server.url("/catalog.json"), m_server.url("/stats")}, m_clock);
        m_library = std::make_unique<LibraryModel>(*m_settings, m_clock, m_trash, &m_chooser);
        m_library->appear();
        m_library->categories().addTag("Beach");
        m_actions = std::make_unique<GalleryActions>(*m_settings, *m_gallery, *m_library);
        m_actions->onApply = [this] { ++m_applied; };
        m_applied = 0;
        m_gallery->load();
        QTRY_VERIFY(!m_gallery->wallpapers().isEmpty());
        m_server.clearRequests();
    }
    void cleanup()
    {
        m_actions.reset();
        m_library.reset();
        m_gallery.reset();
        m_settings.reset();
    }

    void downloadWithoutFolderAsksForOne()
    {
        m_settings->setLibraryFolder(QUrl());
        m_actions->onDownload("aurora");
        QCOMPARE(m_chooser.asked, 1);
        QVERIFY(m_gallery->progress().isEmpty());
        QVERIFY(m_server.requests().isEmpty());
    }

    void downloadInstallsTagsAndCounts_data()
    {
        QTest::addColumn<QString>("current"); // file name; "playing.mp4" exists
        QTest::addColumn<bool>("switches");
        QTest::newRow("nothing playing") << "" << true;
        QTest::newRow("current file gone") << "gone.mp4" << true;
        QTest::newRow("valid current") << "playing.mp4" << false;
    }
    void downloadInstallsTagsAndCounts()
    {
        QFETCH(QString, current);
        QFETCH(bool, switches);
        QFile playing(m_folder + "/playing.mp4");
        QVERIFY(playing.open(QIODevice::WriteOnly));
        m_settings->setCurrentVideo(current.isEmpty() ? QUrl() : file(current));
        m_actions->onDownload("aurora");
        m_actions->onDownload("aurora"); // a quick second click starts nothing more
        QCOMPARE(m_gallery->progress().keys(), QStringList{"aurora"});
        QTRY_COMPARE(m_library->videos().size(), 2);

        QCOMPARE(m_server.requests("/videos/aurora.mp4").size(), 1);
        QTRY_COMPARE(m_server.requests("/stats/download").size(), 1);
        QCOMPARE(m_settings->currentVideo(), switches ? file("aurora.mp4") : file(current));
        QCOMPARE(m_applied, switches ? 1 : 0);
        // The catalog's "beach" joins the existing "Beach"; "Night" is new.
        QCOMPARE(m_library->categories().tags(), (QStringList{"Beach", "Night"}));
        QCOMPARE(m_library->categories().tagsOf("aurora.mp4"), (QStringList{"Beach", "Night"}));
    }

    void useAndRemove()
    {
        m_actions->chosenDisplay = "id-2";
        m_actions->onUse("aurora");
        QCOMPARE(m_settings->screenVideos().value("id-2"), file("aurora.mp4"));
        QVERIFY(m_settings->currentVideo().isEmpty());
        m_actions->chosenDisplay.reset();
        m_actions->onUse("aurora");
        QCOMPARE(m_settings->currentVideo(), file("aurora.mp4"));
        QVERIFY(m_settings->screenVideos().isEmpty());
        QCOMPARE(m_applied, 2);

        const auto confirmation = m_actions->onRemove("aurora");
        QVERIFY(confirmation);
        QCOMPARE(confirmation->title, "Move \u201cAurora\u201d to the Trash?");
        QVERIFY(!m_actions->onRemove("unknown"));
    }
};

QUINTARA_TEST_MAIN(GalleryActionsTest)
#include "tst_galleryactions.moc"
