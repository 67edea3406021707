#include "library/LibraryModel.h"

#include "library/LibraryListing.h"
#include "platform/LogSink.h"
#include "settings/AppSettings.h"
#include "settings/VideoFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringMatcher>
#include <QWindow>
#include <algorithm>

namespace quintara {

namespace {

// The search ignores spaces and tabs around the query, not newlines.
QString trimSpacesAndTabs(const QString &text)
{
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    qsizetype start = 0, end = text.size();
    while (start < end && blank(text[start]))
        ++start;
    while (end > start && blank(text[end - 1]))
        --end;
    return text.mid(start, end - start);
}

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

LibraryModel::EmptyLibrary LibraryModel::emptyLibrary()
{
    return {QStringLiteral("Your library is empty"), QStringLiteral("film.stack"),
            QStringLiteral("Get free 4K wallpapers from the online gallery, or choose a folder of "
                           ".mp4, .mov or .m4v videos."),
            QStringLiteral("Browse Online Gallery"), QStringLiteral("Choose Folder…")};
}

LibraryModel::LibraryModel(AppSettings &settings, Scheduler &scheduler, Trash &trash,
                           FolderChooser *chooser, QObject *parent)
    : QObject(parent), m_settings(settings), m_watcher(scheduler), m_chooser(chooser),
      m_trash(trash)
{
    if (!m_chooser) {
        m_ownChooser = std::make_unique<DialogFolderChooser>();
        m_chooser = m_ownChooser.get();
    }
    connect(&m_settings, &AppSettings::libraryFolderChanged, this,
            &LibraryModel::libraryFolderChanged);
    connect(&m_categories, &CategoryStore::tagsChanged, this, &LibraryModel::invalidate);
    connect(&m_categories, &CategoryStore::assignmentsChanged, this,
            &LibraryModel::assignmentsChanged);
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
    QList<QUrl> videos = listLibrary(m_settings.libraryFolder());
    if (videos == m_videos)
        return;
    m_videos = std::move(videos);
    m_entries.clear();
    m_entries.reserve(m_videos.size());
    for (const QUrl &url : std::as_const(m_videos)) {
        const QString title = displayTitle(url);
        m_entries.append({url, url.fileName(), title, title.toCaseFolded()});
    }
    m_entryTags.reset();
    emit videosChanged();
    invalidate();
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

void LibraryModel::invalidate()
{
    m_filtered.reset();
    emit contentChanged();
}

void LibraryModel::assignmentsChanged()
{
    m_entryTags.reset();
    invalidate();
}

const std::vector<LibraryModel::EntryTags> &LibraryModel::entryTags() const
{
    if (!m_entryTags) {
        const CategoryStore::Assignments &assignments = m_categories.assignments();
        std::vector<EntryTags> index;
        index.reserve(m_entries.size());
        for (const Entry &entry : m_entries) {
            EntryTags tags{assignments.value(entry.fileName), {}};
            for (const QString &tag : std::as_const(tags.tags))
                tags.folded.append(tag.toCaseFolded());
            index.push_back(std::move(tags));
        }
        m_entryTags = std::move(index);
    }
    return *m_entryTags;
}

void LibraryModel::setFilter(const LibraryFilter &filter)
{
    if (filter == m_filter)
        return;
    m_filter = filter;
    emit filterChanged();
    invalidate();
}

void LibraryModel::setQuery(const QString &query)
{
    if (query == m_query)
        return;
    m_query = query;
    emit queryChanged();
    invalidate();
}

void LibraryModel::setGalleryCount(int count)
{
    if (count == m_galleryCount)
        return;
    m_galleryCount = count;
    emit contentChanged();
}

QList<QUrl> LibraryModel::filteredVideos() const
{
    if (m_filtered)
        return *m_filtered;
    QList<QUrl> result;
    if (m_filter.kind != LibraryFilter::Kind::gallery) {
        // Case-insensitive by Unicode case folding, on both sides.
        const QString query = trimSpacesAndTabs(m_query).toCaseFolded();
        const QStringMatcher matcher(query, Qt::CaseSensitive);
        const auto matches = [&](const QString &text) { return matcher.indexIn(text) >= 0; };
        const std::vector<EntryTags> &index = entryTags();
        for (size_t i = 0; i < index.size(); ++i) {
            const Entry &entry = m_entries[qsizetype(i)];
            const EntryTags &tags = index[i];
            if (m_filter.kind == LibraryFilter::Kind::untagged && !tags.tags.isEmpty())
                continue;
            if (m_filter.kind == LibraryFilter::Kind::tag && !tags.tags.contains(m_filter.name))
                continue;
            if (query.isEmpty() || matches(entry.foldedTitle) ||
                std::any_of(tags.folded.begin(), tags.folded.end(), matches))
                result.append(entry.url);
        }
    }
    m_filtered = result;
    return result;
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
    if (m_videos.isEmpty())
        return DetailView::emptyLibrary;
    if (filteredVideos().isEmpty())
        return m_query.isEmpty() ? DetailView::emptyFilter : DetailView::noSearchResults;
    return DetailView::grid;
}

QList<LibraryModel::SidebarRow> LibraryModel::sidebarRows() const
{
    const QString library = QStringLiteral("Library");
    QList<SidebarRow> rows{{library, QStringLiteral("All Wallpapers"),
                            QStringLiteral("square.grid.2x2"), int(m_videos.size()),
                            LibraryFilter::all()},
                           {library, QStringLiteral("Untagged"), QStringLiteral("tag.slash"),
                            int(m_categories.untagged(m_videos).size()), LibraryFilter::untagged()},
                           {QStringLiteral("Discover"), QStringLiteral("Online Gallery"),
                            QStringLiteral("globe"), m_galleryCount, LibraryFilter::gallery()}};
    for (const QString &tag : m_categories.tags())
        rows.append({QStringLiteral("Tags"), tag, QStringLiteral("tag"),
                     int(m_categories.count(tag, m_videos)), LibraryFilter::tag(tag)});
    return rows;
}

QString LibraryModel::folderButtonTitle() const
{
    const QUrl folder = m_settings.libraryFolder();
    if (folder.isEmpty())
        return QStringLiteral("Choose Folder…");
    return QDir(folder.toLocalFile()).dirName();
}

LibraryModel::TagPrompt LibraryModel::beginNewTag(const std::optional<QUrl> &target)
{
    m_newTagTarget = target;
    m_newTagName.clear();
    const QString message =
        target ? QStringLiteral("The new tag will be applied to ") +
                     quoted(QFileInfo(target->fileName()).completeBaseName()) + QStringLiteral(".")
               : QStringLiteral("Tags let you group wallpapers. Right-click a video to assign "
                                "them.");
    return {QStringLiteral("New Tag"),  message,
            QStringLiteral("Tag name"), {},
            QStringLiteral("Add"),      QStringLiteral("Cancel")};
}

void LibraryModel::confirmNewTag()
{
    const std::optional<QString> tag = m_categories.addTag(m_newTagName);
    if (tag && m_newTagTarget && !m_categories.has(*tag, *m_newTagTarget))
        m_categories.toggle(*tag, *m_newTagTarget);
    cancelNewTag();
}

void LibraryModel::cancelNewTag()
{
    m_newTagName.clear();
    m_newTagTarget.reset();
}

LibraryModel::TagPrompt LibraryModel::renamePrompt(const QString &tag) const
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

LibraryModel::Confirmation LibraryModel::deleteConfirmation(const QString &tag) const
{
    return {QStringLiteral("Delete ") + quoted(tag) + QStringLiteral("?"),
            QStringLiteral("Removes the tag from %1 video(s). The video files are not touched.")
                .arg(m_categories.count(tag, m_videos)),
            QStringLiteral("Delete Tag"), QStringLiteral("Cancel")};
}

void LibraryModel::confirmDelete(const QString &tag)
{
    if (m_filter.isTag(tag))
        setFilter(LibraryFilter::all());
    m_categories.deleteTag(tag);
}

LibraryModel::Confirmation LibraryModel::beginMoveToTrash(const QUrl &video)
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
    QList<QUrl> remaining = m_videos;
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
    if (onApply)
        onApply();
    m_categories.forget(video);
    reloadVideos();
}

} // namespace quintara
