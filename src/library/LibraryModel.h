#pragma once

#include "library/CategoryStore.h"
#include "library/FilteredVideos.h"
#include "library/FolderChooser.h"
#include "library/FolderWatcher.h"
#include "library/LibraryFilter.h"
#include "library/LibraryPrompts.h"
#include "library/LibrarySidebar.h"
#include "library/LibraryVideos.h"
#include "platform/Scheduler.h"
#include "platform/Trash.h"

#include <QObject>
#include <QString>
#include <QUrl>
#include <QtQml/qqmlregistration.h>
#include <memory>
#include <optional>

namespace quintara {

class AppSettings;

// The library as the control panel shows it: the folder's videos, the sidebar and the search,
// what the grid and its header show, and the flows that edit tags and remove videos. The lists
// are list models that change row by row; the flows hand prompts to the view and take its
// answers. Everything runs on the main thread.
class LibraryModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The control panel's window makes its library")
    Q_PROPERTY(quintara::LibraryVideos *videos READ videoList CONSTANT)
    Q_PROPERTY(quintara::FilteredVideos *filteredVideos READ filteredList CONSTANT)
    Q_PROPERTY(quintara::LibrarySidebar *sidebar READ sidebar CONSTANT)
    Q_PROPERTY(QStringList tags READ tags NOTIFY tagsChanged)
    Q_PROPERTY(quintara::LibraryFilter filter READ filter WRITE setFilter NOTIFY filterChanged)
    Q_PROPERTY(QString query READ query WRITE setQuery NOTIFY queryChanged)
    Q_PROPERTY(QString headerTitle READ headerTitle NOTIFY contentChanged)
    Q_PROPERTY(int headerCount READ headerCount NOTIFY contentChanged)
    Q_PROPERTY(QString emptyFilterTitle READ emptyFilterTitle NOTIFY contentChanged)
    Q_PROPERTY(DetailView detailView READ detailView NOTIFY contentChanged)
    Q_PROPERTY(QString folderButtonTitle READ folderButtonTitle NOTIFY folderChanged)
    Q_PROPERTY(QString folderButtonHelp READ folderButtonHelp CONSTANT)
    Q_PROPERTY(QString searchPrompt READ searchPrompt CONSTANT)
    Q_PROPERTY(QString noTagsText READ noTagsText CONSTANT)
    Q_PROPERTY(QString emptyFilterDescription READ emptyFilterDescription CONSTANT)
    Q_PROPERTY(quintara::EmptyLibraryTexts emptyLibrary READ emptyLibrary CONSTANT)

public:
    // What the detail area shows, tested in this order. QML, which cannot name these, uses the
    // number as an index.
    enum class DetailView { gallery, emptyLibrary, emptyFilter, noSearchResults, grid };
    Q_ENUM(DetailView)

    static QString folderButtonHelp();
    static QString searchPrompt();
    static QString noTagsText();
    static QString emptyFilterDescription();
    static EmptyLibraryTexts emptyLibrary();

    // `settings`, `scheduler` and `trash` are not owned and must outlive the model. Without a
    // chooser the system's folder dialog is used.
    LibraryModel(AppSettings &settings, Scheduler &scheduler, Trash &trash,
                 FolderChooser *chooser = nullptr, QObject *parent = nullptr);
    ~LibraryModel() override;

    CategoryStore &categories() { return m_categories; }
    const CategoryStore &categories() const { return m_categories; }
    FolderWatcher &watcher() { return m_watcher; }
    LibraryVideos &videos() { return m_videos; }
    FilteredVideos &filtered() { return m_filtered; }
    LibraryVideos *videoList() { return &m_videos; }
    FilteredVideos *filteredList() { return &m_filtered; }
    LibrarySidebar *sidebar() { return &m_sidebar; }

    // The control panel appears: loads the tags of the folder, lists it and watches it. From
    // then on the model follows the folder setting and re-lists whenever one of the
    // application's windows gains focus.
    void appear();
    // Lists the folder again, picking up tags another writer changed.
    Q_INVOKABLE void reloadVideos();
    // Shows the folder chooser; a confirmed folder becomes the library folder.
    Q_INVOKABLE void chooseFolder();

    QStringList tags() const { return m_categories.tags(); }
    LibraryFilter filter() const { return m_filter; }
    void setFilter(const LibraryFilter &filter);
    QString query() const { return m_query; }
    void setQuery(const QString &query);

    // The grid's videos, in library order.
    QList<QUrl> filteredVideos() const { return m_filtered.urls(); }
    QString headerTitle() const;
    int headerCount() const { return m_filtered.rowCount(); }
    QString emptyFilterTitle() const;
    DetailView detailView() const;
    QString folderButtonTitle() const;

    // Entries loaded from the online gallery's catalog, for its sidebar row.
    void setGalleryCount(int count);

    // A tag of a video's menu checked or unchecked.
    Q_INVOKABLE void toggleTag(const QString &tag, const QUrl &video);

    // New Tag, from the sidebar (no target: an empty URL) or from a video's menu. Confirming
    // adds the tag, and puts it on the target when there is one.
    Q_INVOKABLE quintara::TagPrompt beginNewTag(const QUrl &target = QUrl());
    Q_INVOKABLE void confirmNewTag(const QString &name);
    Q_INVOKABLE void cancelNewTag() { m_newTagTarget.reset(); }

    Q_INVOKABLE quintara::TagPrompt renamePrompt(const QString &tag) const;
    Q_INVOKABLE void confirmRename(const QString &tag, const QString &newName);

    Q_INVOKABLE quintara::Confirmation deleteConfirmation(const QString &tag) const;
    Q_INVOKABLE void confirmDelete(const QString &tag);

    // Move to Trash asks first; confirming moves the file and, once it is gone, forgets its tags,
    // speed and display choices and lets the next video take its place.
    Q_INVOKABLE quintara::Confirmation beginMoveToTrash(const QUrl &video);
    Q_INVOKABLE void confirmMoveToTrash();
    Q_INVOKABLE void cancelMoveToTrash() { m_trashTarget.reset(); }

signals:
    void tagsChanged();
    void filterChanged();
    void queryChanged();
    void folderChanged();
    // Anything the grid's header or the detail area derive from changed.
    void contentChanged();
    // The wallpaper choice changed (a playing video went to the Trash): the engine switches.
    void applyRequested();

private:
    void libraryFolderChanged();
    void startWatching();
    void updateSidebar();
    void moveToTrash(const QUrl &video);

    AppSettings &m_settings;
    FolderWatcher m_watcher;
    CategoryStore m_categories;
    std::unique_ptr<FolderChooser> m_ownChooser;
    FolderChooser *m_chooser;
    Trash &m_trash;

    LibraryVideos m_videos;
    FilteredVideos m_filtered;
    LibrarySidebar m_sidebar;
    LibraryFilter m_filter;
    QString m_query;
    int m_galleryCount = 0;

    std::optional<QUrl> m_newTagTarget;
    std::optional<QUrl> m_trashTarget;
    bool m_appeared = false;
};

} // namespace quintara
