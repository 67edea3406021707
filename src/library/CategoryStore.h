#pragma once

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

namespace quintara {

// The user's tags and, per video file name, the tags assigned to it, kept in "categories.json"
// inside the library folder so they travel with it. Several stores may read and write the same
// file; the file's modification date is what keeps them in step (the last writer wins).
// Without a folder the store works in memory only. A file that cannot be read reads as no tags
// and is renamed aside ("categories.json.corrupt") before the first save replaces it.
class CategoryStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(QStringList tags READ tags NOTIFY tagsChanged)

public:
    // Video file name (extension included) to its tags.
    using Assignments = QMap<QString, QStringList>;

    static constexpr char fileName[] = "categories.json";

    explicit CategoryStore(QObject *parent = nullptr);

    // Every known tag, distinct and sorted by name.
    const QStringList &tags() const { return m_tags; }
    const Assignments &assignments() const { return m_assignments; }

    // Whether the video (by file name) carries `tag` exactly.
    Q_INVOKABLE bool has(const QString &tag, const QUrl &video) const;
    // How many of `videos` carry `tag`.
    qsizetype count(const QString &tag, const QList<QUrl> &videos) const;
    // Those of `videos`, in their order, that carry no tag.
    QList<QUrl> untagged(const QList<QUrl> &videos) const;
    // The tags of one file name (empty when none).
    QStringList tagsOf(const QString &videoFileName) const
    {
        return m_assignments.value(videoFileName);
    }

    // Reads the tag file of `folder`; an empty URL, or one that is no local folder, unloads the
    // store.
    void load(const QUrl &folder);
    // Reads the file again only when its modification date differs from the one last seen.
    void reloadIfChanged();

    // Creates a tag from `name` trimmed; an existing tag equal to it ignoring case is reused
    // without saving. Nothing for a blank name.
    std::optional<QString> addTag(const QString &name);
    // Assigns `tag` to the video when it lacks it, removes it otherwise.
    void toggle(const QString &tag, const QUrl &video);
    // Renames (or merges into an existing tag) everywhere. A blank or unchanged name does nothing.
    void rename(const QString &oldName, const QString &newName);
    // Removes the tag from the list and from every video; the video files are not touched.
    void deleteTag(const QString &tag);
    // Drops the video's entry (a file that left the library); saves only when it had one.
    bool forget(const QUrl &video);

    // The file's modification date (nanoseconds) and identity. File systems stamp times in
    // ticks of a few milliseconds, so another writer's atomic replace within our own tick is
    // told apart by the new file it leaves.
    struct FileStamp {
        qint64 modified;
        quint64 inode;
        friend bool operator==(const FileStamp &, const FileStamp &) = default;
    };

    // The tag file, empty when unloaded.
    QString filePath() const { return m_filePath; }

signals:
    void tagsChanged();
    void assignmentsChanged();

private:
    void read();
    void save();
    void keepUnreadableAside();
    void setState(QStringList tags, Assignments assignments);

    QStringList m_tags;
    Assignments m_assignments;
    QString m_filePath;
    // The file as last read or written; nothing when it was absent.
    std::optional<FileStamp> m_loadedStamp;
    // The file read could not be understood: it goes aside before anything replaces it.
    bool m_unreadable = false;
};

} // namespace quintara
