#include "library/CategoryStore.h"

#include "library/LibraryListing.h"
#include "platform/KeepAside.h"
#include "platform/LogSink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <cmath>
#include <sys/stat.h>

namespace quintara {

namespace {

constexpr int formatVersion = 1;

CategoryStore::FileStamp stampOf(const struct stat &info)
{
    return {qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec, quint64(info.st_ino)};
}

std::optional<CategoryStore::FileStamp> fileStamp(const QString &path)
{
    if (path.isEmpty())
        return std::nullopt;
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return stampOf(info);
}

// The stamp of the file behind an open handle: another writer replacing the path meanwhile does
// not lend its date to what was read or written.
std::optional<CategoryStore::FileStamp> fileStamp(const QFileDevice &file)
{
    struct stat info;
    if (::fstat(file.handle(), &info) != 0)
        return std::nullopt;
    return stampOf(info);
}

// An array whose every element is a string; nothing otherwise.
std::optional<QStringList> strings(const QJsonValue &value)
{
    if (!value.isArray())
        return std::nullopt;
    QStringList list;
    for (const QJsonValue &element : value.toArray()) {
        if (!element.isString())
            return std::nullopt;
        list.append(element.toString());
    }
    return list;
}

bool isInteger(const QJsonValue &value)
{
    if (!value.isDouble())
        return false;
    const double number = value.toDouble();
    return std::isfinite(number) && number == std::floor(number);
}

struct FileFormat {
    QStringList tags;
    CategoryStore::Assignments videos;
};

// Strict: the three members must be there with their types; anything else is unreadable.
std::optional<FileFormat> decode(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject root = document.object();
    if (!isInteger(root.value(QLatin1String("version"))))
        return std::nullopt;
    auto tags = strings(root.value(QLatin1String("tags")));
    const QJsonValue videos = root.value(QLatin1String("videos"));
    if (!tags || !videos.isObject())
        return std::nullopt;
    FileFormat format{*tags, {}};
    const QJsonObject videoObject = videos.toObject();
    for (auto it = videoObject.begin(); it != videoObject.end(); ++it) {
        auto list = strings(it.value());
        if (!list)
            return std::nullopt;
        format.videos.insert(it.key(), *list);
    }
    return format;
}

QByteArray encode(const QStringList &tags, const CategoryStore::Assignments &assignments)
{
    QJsonObject videos;
    for (auto it = assignments.begin(); it != assignments.end(); ++it)
        videos.insert(it.key(), QJsonArray::fromStringList(it.value()));
    // QJsonObject keeps its keys sorted, so the output is stable and diff-friendly.
    QJsonObject root{{QLatin1String("version"), formatVersion},
                     {QLatin1String("tags"), QJsonArray::fromStringList(tags)},
                     {QLatin1String("videos"), videos}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace

CategoryStore::CategoryStore(QObject *parent) : QObject(parent) {}

bool CategoryStore::has(const QString &tag, const QUrl &video) const
{
    const auto it = m_assignments.constFind(video.fileName());
    return it != m_assignments.constEnd() && it->contains(tag);
}

qsizetype CategoryStore::count(const QString &tag, const QList<QUrl> &videos) const
{
    qsizetype n = 0;
    for (const QUrl &video : videos)
        n += has(tag, video) ? 1 : 0;
    return n;
}

QList<QUrl> CategoryStore::untagged(const QList<QUrl> &videos) const
{
    QList<QUrl> result;
    for (const QUrl &video : videos) {
        const auto it = m_assignments.constFind(video.fileName());
        if (it == m_assignments.constEnd() || it->isEmpty())
            result.append(video);
    }
    return result;
}

void CategoryStore::load(const QUrl &folder)
{
    // Only a local folder has a tag file: anything else (an http: address, say) would otherwise
    // name one in the working directory.
    const QString path = folder.isLocalFile() ? folder.toLocalFile() : QString();
    m_filePath = path.isEmpty() ? QString() : QDir(path).filePath(QLatin1String(fileName));
    read();
}

void CategoryStore::reloadIfChanged()
{
    if (m_filePath.isEmpty())
        return;
    if (fileStamp(m_filePath) != m_loadedStamp)
        read();
}

void CategoryStore::read()
{
    std::optional<FileFormat> format;
    m_loadedStamp.reset();
    m_unreadable = false;
    if (!m_filePath.isEmpty()) {
        QFile file(m_filePath);
        if (file.open(QIODevice::ReadOnly)) {
            m_loadedStamp = fileStamp(file);
            const QByteArray bytes = file.readAll();
            if (file.error() == QFileDevice::NoError)
                format = decode(bytes);
        } else {
            m_loadedStamp = fileStamp(m_filePath);
        }
        // A file that is there but unreadable is kept aside before the first save.
        m_unreadable = !format && m_loadedStamp.has_value();
    }
    if (!format) {
        setState({}, {});
    } else {
        QStringList all = format->tags;
        for (const QStringList &list : std::as_const(format->videos))
            all += list;
        setState(sortedNames(all), format->videos);
    }
}

void CategoryStore::keepUnreadableAside()
{
    m_unreadable = false;
    // Only the very file that was read; another writer's newer file is theirs to lose.
    if (fileStamp(m_filePath) != m_loadedStamp)
        return;
    const QString aside = keepAside(m_filePath);
    if (!aside.isEmpty())
        log::line(QStringLiteral("Quintara: could not read the tags in %1; kept the file as %2")
                      .arg(m_filePath, QFileInfo(aside).fileName()));
}

void CategoryStore::save()
{
    if (m_filePath.isEmpty())
        return;
    if (m_unreadable)
        keepUnreadableAside();
    // A failed write is ignored: memory keeps the edit. Our own write is not an outside change.
    QSaveFile file(m_filePath);
    std::optional<FileStamp> written;
    if (file.open(QIODevice::WriteOnly) && file.write(encode(m_tags, m_assignments)) >= 0 &&
        file.flush())
        written = fileStamp(file); // the renaming commit keeps the file and its date
    m_loadedStamp = file.commit() ? written : fileStamp(m_filePath);
}

void CategoryStore::setState(QStringList tags, Assignments assignments)
{
    const bool tagsDiffer = tags != m_tags;
    const bool assignmentsDiffer = assignments != m_assignments;
    m_tags = std::move(tags);
    m_assignments = std::move(assignments);
    if (tagsDiffer)
        emit tagsChanged();
    if (assignmentsDiffer)
        emit assignmentsChanged();
}

std::optional<QString> CategoryStore::addTag(const QString &name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    for (const QString &tag : std::as_const(m_tags))
        if (tag.compare(trimmed, Qt::CaseInsensitive) == 0)
            return tag;
    setState(sortedNames(m_tags + QStringList{trimmed}), m_assignments);
    save();
    return trimmed;
}

void CategoryStore::toggle(const QString &tag, const QUrl &video)
{
    const QString key = video.fileName();
    Assignments assignments = m_assignments;
    QStringList list = assignments.value(key);
    if (list.contains(tag))
        list.removeOne(tag);
    else
        list = sortedNames(list + QStringList{tag});
    if (list.isEmpty())
        assignments.remove(key);
    else
        assignments.insert(key, list);
    QStringList tags = m_tags;
    if (!tags.contains(tag))
        tags = sortedNames(tags + QStringList{tag});
    setState(std::move(tags), std::move(assignments));
    save();
}

void CategoryStore::rename(const QString &oldName, const QString &newName)
{
    const QString trimmed = newName.trimmed();
    if (trimmed.isEmpty() || trimmed == oldName)
        return;
    QStringList tags = m_tags;
    tags.removeAll(oldName);
    tags.append(trimmed);
    Assignments assignments = m_assignments;
    for (auto it = assignments.begin(); it != assignments.end(); ++it) {
        if (!it->contains(oldName))
            continue;
        it->removeAll(oldName);
        it->append(trimmed);
        *it = sortedNames(*it);
    }
    setState(sortedNames(tags), std::move(assignments));
    save();
}

void CategoryStore::deleteTag(const QString &tag)
{
    QStringList tags = m_tags;
    tags.removeAll(tag);
    Assignments assignments = m_assignments;
    for (auto it = assignments.begin(); it != assignments.end();) {
        if (it->removeAll(tag) > 0 && it->isEmpty())
            it = assignments.erase(it);
        else
            ++it;
    }
    setState(std::move(tags), std::move(assignments));
    save();
}

bool CategoryStore::forget(const QUrl &video)
{
    Assignments assignments = m_assignments;
    if (assignments.remove(video.fileName()) == 0)
        return false;
    setState(m_tags, std::move(assignments));
    save();
    return true;
}

} // namespace quintara
