#include "library/FolderWatcher.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>

namespace quintara {

FolderWatcher::FolderWatcher(Scheduler &scheduler, QObject *parent)
    : QObject(parent), m_scheduler(scheduler)
{}

FolderWatcher::~FolderWatcher()
{
    stop();
}

void FolderWatcher::watch(const QUrl &folder, std::function<void()> onChange)
{
    stop();
    if (!folder.isLocalFile() || folder.toLocalFile().isEmpty())
        return;
    m_path = QDir::cleanPath(QFileInfo(folder.toLocalFile()).absoluteFilePath());
    m_onChange = std::move(onChange);
    m_source = std::make_unique<QFileSystemWatcher>();
    connect(m_source.get(), &QFileSystemWatcher::directoryChanged, this,
            &FolderWatcher::directoryChanged);
    follow();
}

void FolderWatcher::stop()
{
    m_pending.cancel();
    // Destroying the source releases its inotify watches; no signal of it arrives afterwards.
    m_source.reset();
    m_onChange = nullptr;
    m_present = false;
}

void FolderWatcher::follow()
{
    const QStringList watched = m_source->directories();
    if (!watched.isEmpty())
        m_source->removePaths(watched);
    // The folder itself when it is there; otherwise its nearest existing ancestor, whose change
    // tells when the folder (or a folder on the way to it) is made again. The folder is looked
    // for again after each ancestor watch, so one made meanwhile is not missed.
    for (int attempt = 0; attempt < 8; ++attempt) {
        if (QFileInfo(m_path).isDir() && m_source->addPath(m_path)) {
            m_present = true;
            return;
        }
        m_present = false;
        QString ancestor = m_path;
        do
            ancestor = QFileInfo(ancestor).absolutePath();
        while (!QFileInfo(ancestor).isDir() && ancestor != QDir::rootPath());
        if (!m_source->addPath(ancestor) || !QFileInfo(m_path).isDir())
            return;
        m_source->removePath(ancestor);
    }
}

void FolderWatcher::directoryChanged(const QString &path)
{
    const bool wasPresent = m_present;
    // The folder went (a removed folder drops its watch) or an ancestor changed while waiting.
    if (path != m_path || !m_source->directories().contains(m_path) || !QFileInfo(m_path).isDir())
        follow();
    if (!wasPresent && !m_present)
        return; // something else changed beside the missing folder
    m_pending = m_scheduler.after(settleDelay, this, [this] {
        // The callback may stop or restart the watch, so call a copy.
        if (auto onChange = m_onChange)
            onChange();
    });
}

} // namespace quintara
