#pragma once

#include "library/CategoryStore.h"
#include "library/FolderChooser.h"
#include "library/FolderWatcher.h"
#include "library/LibraryFilter.h"
#include "platform/Scheduler.h"
#include "platform/Trash.h"

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace quintara {

class AppSettings;

// The library as the control panel shows it: the folder's videos, the sidebar filter and the
// search, what the grid and its header show, and the flows that edit tags and remove videos.
// Everything runs on the main thread.
class LibraryModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<QUrl> videos READ videos NOTIFY videosChanged)
    Q_PROPERTY(QString query READ query WRITE setQuery NOTIFY queryChanged)
    Q_PROPERTY(QList<QUrl> filteredVideos READ filteredVideos NOTIFY contentChanged)
    Q_PROPERTY(QString headerTitle READ headerTitle NOTIFY contentChanged)
    Q_PROPERTY(int headerCount READ headerCount NOTIFY contentChanged)
    Q_PROPERTY(QString emptyFilterTitle READ emptyFilterTitle NOTIFY contentChanged)
    Q_PROPERTY(DetailView detailView READ detailView NOTIFY contentChanged)
    Q_PROPERTY(QString folderButtonTitle READ folderButtonTitle NOTIFY folderChanged)

public:
    // What the detail area shows, tested in this order.
    enum class DetailView { gallery, emptyLibrary, emptyFilter, noSearchResults, grid };
    Q_ENUM(DetailView)

    struct SidebarRow {
        QString section;
        QString title;
        QString symbol;
        int count = 0;
        LibraryFilter filter;
    };

    // An alert with a text field.
    struct TagPrompt {
        QString title;
        QString message;
        QString placeholder;
        QString text;
        QString acceptButton;
        QString cancelButton;
    };

    // A confirmation whose confirm button is destructive.
    struct Confirmation {
        QString title;
        QString message;
        QString confirmButton;
        QString cancelButton;
    };

    // Fixed texts of the views.
    static QString folderButtonHelp();
    static QString searchPrompt();
    static QString noTagsText();
    static QString emptyFilterDescription();
    struct EmptyLibrary {
        QString title, symbol, description, galleryButton, folderButton;
    };
    static EmptyLibrary emptyLibrary();

    // `settings`, `scheduler` and `trash` are not owned and must outlive the model. Without a
    // chooser the system's folder dialog is used.
    LibraryModel(AppSettings &settings, Scheduler &scheduler, Trash &trash,
                 FolderChooser *chooser = nullptr, QObject *parent = nullptr);
    ~LibraryModel() override;

    CategoryStore &categories() { return m_categories; }
    const CategoryStore &categories() const { return m_categories; }
    FolderWatcher &watcher() { return m_watcher; }

    // Runs after a change of the wallpaper choice (the engine switches over).
    std::function<void()> onApply;

    // The control panel appears: loads the tags of the folder, lists it and watches it. From
    // then on the model follows the folder setting and re-lists whenever one of the
    // application's windows gains focus.
    void appear();
    // Lists the folder again, picking up tags another writer changed.
    Q_INVOKABLE void reloadVideos();
    // Shows the folder chooser; a confirmed folder becomes the library folder.
    Q_INVOKABLE void chooseFolder();

    const QList<QUrl> &videos() const { return m_videos; }
    LibraryFilter filter() const { return m_filter; }
    void setFilter(const LibraryFilter &filter);
    QString query() const { return m_query; }
    void setQuery(const QString &query);

    // The grid's videos, in library order.
    QList<QUrl> filteredVideos() const;
    QString headerTitle() const;
    int headerCount() const { return int(filteredVideos().size()); }
    QString emptyFilterTitle() const;
    DetailView detailView() const;
    QList<SidebarRow> sidebarRows() const;
    QString folderButtonTitle() const;

    // Entries loaded from the online gallery's catalog, for its sidebar row.
    void setGalleryCount(int count);

    // New Tag, from the sidebar (no target) or from a video's menu.
    TagPrompt beginNewTag(const std::optional<QUrl> &target = std::nullopt);
    void setNewTagName(const QString &name) { m_newTagName = name; }
    QString newTagName() const { return m_newTagName; }
    void confirmNewTag();
    void cancelNewTag();

    TagPrompt renamePrompt(const QString &tag) const;
    void confirmRename(const QString &tag, const QString &newName);

    Confirmation deleteConfirmation(const QString &tag) const;
    void confirmDelete(const QString &tag);

    // Move to Trash asks first; confirming moves the file and, once it is gone, forgets its tags,
    // speed and display choices and lets the next video take its place.
    Confirmation beginMoveToTrash(const QUrl &video);
    void confirmMoveToTrash();
    void cancelMoveToTrash() { m_trashTarget.reset(); }

signals:
    void videosChanged();
    void filterChanged();
    void queryChanged();
    void folderChanged();
    // Anything the grid, its header or the sidebar derive from changed.
    void contentChanged();

private:
    struct Entry {
        QUrl url;
        QString fileName;
        QString title;
        QString foldedTitle; // case-folded once, so a search folds only its query
    };
    // Each entry's tags with their folded forms, rebuilt when assignments or videos change.
    struct EntryTags {
        QStringList tags;
        QStringList folded;
    };
    const std::vector<EntryTags> &entryTags() const;
    void assignmentsChanged();
    void libraryFolderChanged();
    void startWatching();
    void invalidate();
    void moveToTrash(const QUrl &video);

    AppSettings &m_settings;
    FolderWatcher m_watcher;
    CategoryStore m_categories;
    std::unique_ptr<FolderChooser> m_ownChooser;
    FolderChooser *m_chooser;
    Trash &m_trash;

    QList<QUrl> m_videos;
    QList<Entry> m_entries;
    LibraryFilter m_filter;
    QString m_query;
    int m_galleryCount = 0;
    mutable std::optional<QList<QUrl>> m_filtered;
    mutable std::optional<std::vector<EntryTags>> m_entryTags;

    std::optional<QUrl> m_newTagTarget;
    QString m_newTagName;
    std::optional<QUrl> m_trashTarget;
    bool m_appeared = false;
};

} // namespace quintara
