#include "library/LibraryModel.h"

#include "library/LibraryListing.h"
#include "platform/LogSink.h"
#include "settings/AppSettings.h"
#include "settings/VideoFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QWindow>
#include <algorithm>

namespace quintara {

namespace {

QString quoted(const QString &text)
{
    return QStringLiteral("“") + text + QStringLiteral("”");
}

} // namespace

QString LibraryModel::folderButtonHelp()
{
    return QStringLiteral("Choose the folder Quintara reads wallpapers from");
}

QString LibraryModel::searchPrompt()
{
    return QStringLiteral("Search wallpapers");
}

QString LibraryModel::noTagsText()
{
    return QStringLiteral("No tags yet");
}

QString LibraryModel::emptyFilterDescription()
{
    return QStringLiteral("Right-click any video to assign tags.");
}

EmptyLibraryTexts LibraryModel::emptyLibrary()
{
    return {QStringLiteral("Your library is empty"), QStringLiteral("film.stack"),
            QStringLiteral("Get free 4K wallpapers from the online gallery, or choose a folder of "
                           ".mp4, .mov or .m4v videos."),
            QStringLiteral("Browse Online Gallery"), QStringLiteral("Choose Folder…")};
}

LibraryModel::LibraryModel(AppSettings &settings, Scheduler &scheduler, Trash &trash,
                           FolderChooser *chooser, QObject *parent)
    : QObject(parent), m_settings(settings), m_watcher(scheduler), m_chooser(chooser),
      m_trash(trash), m_videos(m_categories, settings), m_filtered(m_videos)
{
    if (!m_chooser) {
        m_ownChooser = std::make_unique<DialogFolderChooser>();
        m_chooser = m_ownChooser.get();
    }
    connect(&m_settings, &AppSettings::libraryFolderChanged, this,
            &LibraryModel::libraryFolderChanged);
    connect(&m_categories, &CategoryStore::tagsChanged, this, [this] {
        updateSidebar();
        emit tagsChanged();
    });
    connect(&m_categories, &CategoryStore::assignmentsChanged, this, &LibraryModel::updateSidebar);
    // The grid's rows follow the list and the tags on their own; what is derived from them
    // follows the rows.
    for (QAbstractItemModel *rows : {static_cast<QAbstractItemModel *>(&m_videos),
                                     static_cast<QAbstractItemModel *>(&m_filtered)}) {
        connect(rows, &QAbstractItemModel::rowsInserted, this, &LibraryModel::contentChanged);
        connect(rows, &QAbstractItemModel::rowsRemoved, this, &LibraryModel::contentChanged);
        connect(rows, &QAbstractItemModel::modelReset, this, &LibraryModel::contentChanged);
    }
    updateSidebar();
}

LibraryModel::~LibraryModel() = default;

void LibraryModel::appear()
{
    m_categories.load(m_settings.libraryFolder());
    reloadVideos();
    startWatching();
    if (!m_appeared && qGuiApp) {
        // Another program may have changed the folder while we were in the background.
        connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow *window) {
            if (window)
                reloadVideos();
        });
    }
    m_appeared = true;
}

void LibraryModel::reloadVideos()
{
    m_categories.reloadIfChanged();
    const QList<QUrl> videos = listLibrary(m_settings.libraryFolder());
    if (videos == m_videos.urls())
        return;
    m_videos.setUrls(videos);
    updateSidebar();
}

void LibraryModel::chooseFolder()
{
    const std::optional<QUrl> folder = m_chooser->chooseFolder();
    if (!folder)
        return;
    m_settings.setLibraryFolder(*folder);
    m_settings.persist();
}

void LibraryModel::libraryFolderChanged()
{
    m_categories.load(m_settings.libraryFolder());
    setFilter(LibraryFilter::all());
    reloadVideos();
    startWatching();
    emit folderChanged();
}

void LibraryModel::startWatching()
{
    const QUrl folder = m_settings.libraryFolder();
    if (folder.isEmpty())
        m_watcher.stop();
    else
        m_watcher.watch(folder, [this] { reloadVideos(); });
}

void LibraryModel::updateSidebar()
{
    const QList<QUrl> &videos = m_videos.urls();
    const QString library = QStringLiteral("Library");
    QList<SidebarRow> rows{{library, QStringLiteral("All Wallpapers"),
                            QStringLiteral("square.grid.2x2"), int(videos.size()),
                            LibraryFilter::all()},
                           {library, QStringLiteral("Untagged"), QStringLiteral("tag.slash"),
                            int(m_categories.untagged(videos).size()), LibraryFilter::untagged()},
                           {QStringLiteral("Discover"), QStringLiteral("Online Gallery"),
                            QStringLiteral("globe"), m_galleryCount, LibraryFilter::gallery()}};
    for (const QString &tag : m_categories.tags())
        rows.append({QStringLiteral("Tags"), tag, QStringLiteral("tag"),
                     int(m_categories.count(tag, videos)), LibraryFilter::tag(tag)});
    m_sidebar.setRows(rows);
}

void LibraryModel::setFilter(const LibraryFilter &filter)
{
    if (filter == m_filter)
        return;
    m_filter = filter;
    m_filtered.setFilter(filter);
    emit filterChanged();
    emit contentChanged();
}

void LibraryModel::setQuery(const QString &query)
{
    if (query == m_query)
        return;
    m_query = query;
    m_filtered.setQuery(query);
    emit queryChanged();
    emit contentChanged();
}

void LibraryModel::setGalleryCount(int count)
{
    if (count == m_galleryCount)
        return;
    m_galleryCount = count;
    updateSidebar();
}

QString LibraryModel::headerTitle() const
{
    if (!m_query.isEmpty())
        return QStringLiteral("Results");
    switch (m_filter.kind) {
    case LibraryFilter::Kind::all:
        return QStringLiteral("All Wallpapers");
    case LibraryFilter::Kind::untagged:
        return QStringLiteral("Untagged");
    case LibraryFilter::Kind::gallery:
        return QStringLiteral("Online Gallery");
    case LibraryFilter::Kind::tag:
        break;
    }
    return m_filter.name;
}

QString LibraryModel::emptyFilterTitle() const
{
    switch (m_filter.kind) {
    case LibraryFilter::Kind::all:
    case LibraryFilter::Kind::gallery:
        return QStringLiteral("No videos");
    case LibraryFilter::Kind::untagged:
        return QStringLiteral("Everything is tagged");
    case LibraryFilter::Kind::tag:
        break;
    }
    return QStringLiteral("Nothing tagged ") + quoted(m_filter.name);
}

LibraryModel::DetailView LibraryModel::detailView() const
{
    if (m_filter.kind == LibraryFilter::Kind::gallery)
        return DetailView::gallery;
    if (m_videos.urls().isEmpty())
        return DetailView::emptyLibrary;
    if (m_filtered.rowCount() == 0)
        return m_query.isEmpty() ? DetailView::emptyFilter : DetailView::noSearchResults;
    return DetailView::grid;
}

QString LibraryModel::folderButtonTitle() const
{
    const QUrl folder = m_settings.libraryFolder();
    if (folder.isEmpty())
        return QStringLiteral("Choose Folder…");
    return QDir(folder.toLocalFile()).dirName();
}

void LibraryModel::toggleTag(const QString &tag, const QUrl &video)
{
    m_categories.toggle(tag, video);
}

TagPrompt LibraryModel::beginNewTag(const QUrl &target)
{
    m_newTagTarget = target.isEmpty() ? std::nullopt : std::optional<QUrl>(target);
    const QString message =
        m_newTagTarget
            ? QStringLiteral("The new tag will be applied to ") +
                  quoted(QFileInfo(target.fileName()).completeBaseName()) + QStringLiteral(".")
            : QStringLiteral("Tags let you group wallpapers. Right-click a video to "
                             "assign them.");
    return {QStringLiteral("New Tag"),  message,
            QStringLiteral("Tag name"), {},
            QStringLiteral("Add"),      QStringLiteral("Cancel")};
}

void LibraryModel::confirmNewTag(const QString &name)
{
    const std::optional<QString> tag = m_categories.addTag(name);
    if (tag && m_newTagTarget && !m_categories.has(*tag, *m_newTagTarget))
        m_categories.toggle(*tag, *m_newTagTarget);
    cancelNewTag();
}

TagPrompt LibraryModel::renamePrompt(const QString &tag) const
{
    return {QStringLiteral("Rename Tag"), {},
            QStringLiteral("Tag name"),   tag,
            QStringLiteral("Rename"),     QStringLiteral("Cancel")};
}

void LibraryModel::confirmRename(const QString &tag, const QString &newName)
{
    m_categories.rename(tag, newName);
    // Follow the tag only when the rename happened, to the name the store kept: a blank name
    // must not leave the grid filtered by an empty tag.
    const QString kept = newName.trimmed();
    if (m_filter.isTag(tag) && !kept.isEmpty() && m_categories.tags().contains(kept))
        setFilter(LibraryFilter::tag(kept));
}

Confirmation LibraryModel::deleteConfirmation(const QString &tag) const
{
    return {QStringLiteral("Delete ") + quoted(tag) + QStringLiteral("?"),
            QStringLiteral("Removes the tag from %1 video(s). The video files are not touched.")
                .arg(m_categories.count(tag, m_videos.urls())),
            QStringLiteral("Delete Tag"), QStringLiteral("Cancel")};
}

void LibraryModel::confirmDelete(const QString &tag)
{
    if (m_filter.isTag(tag))
        setFilter(LibraryFilter::all());
    m_categories.deleteTag(tag);
}

Confirmation LibraryModel::beginMoveToTrash(const QUrl &video)
{
    m_trashTarget = video;
    const QString message =
        video == m_settings.currentVideo()
            ? QStringLiteral("It's playing now, so Quintara will switch to another wallpaper. "
                             "You can restore it from the Trash.")
            : QStringLiteral("It's removed from your library along with its tags and speed. You "
                             "can restore it from the Trash.");
    return {QStringLiteral("Move ") + quoted(displayTitle(video)) +
                QStringLiteral(" to the Trash?"),
            message, QStringLiteral("Move to Trash"), QStringLiteral("Cancel")};
}

void LibraryModel::confirmMoveToTrash()
{
    const std::optional<QUrl> video = std::exchange(m_trashTarget, std::nullopt);
    if (video)
        moveToTrash(*video);
}

void LibraryModel::moveToTrash(const QUrl &video)
{
    // The video that takes its place in the grid.
    QList<QUrl> remaining = m_videos.urls();
    const qsizetype index = std::max<qsizetype>(0, remaining.indexOf(video));
    remaining.removeAll(video);
    const QUrl replacement =
        remaining.isEmpty() ? QUrl() : remaining.at(std::min(index, remaining.size() - 1));

    // The file goes first: when it cannot be moved, the video stays with its tags and speed.
    QString error;
    if (!m_trash.moveToTrash(video.toLocalFile(), &error)) {
        log::line(QStringLiteral("Quintara: couldn't move ") + video.fileName() +
                  QStringLiteral(" to the Trash: ") + error);
        reloadVideos();
        return;
    }
    m_settings.forget(video, replacement);
    emit applyRequested();
    m_categories.forget(video);
    reloadVideos();
}

} // namespace quintara
