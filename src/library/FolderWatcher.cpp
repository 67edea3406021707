#include "library/FolderWatcher.h"

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
    if (!folder.isLocalFile())
        return;
    const QString path = folder.toLocalFile();
    if (!QFileInfo(path).isDir())
        return;
    auto source = std::make_unique<QFileSystemWatcher>();
    if (!source->addPath(path))
        return;
    connect(source.get(), &QFileSystemWatcher::directoryChanged, this,
            &FolderWatcher::folderChanged);
    m_onChange = std::move(onChange);
    m_source = std::move(source);
}

void FolderWatcher::stop()
{
    m_pending.cancel();
    // Destroying the source releases its inotify watch; no signal of it arrives afterwards.
    m_source.reset();
    m_onChange = nullptr;
}

void FolderWatcher::folderChanged()
{
    m_pending = m_scheduler.after(settleDelay, this, [this] {
        // The callback may stop or restart the watch, so call a copy.
        if (auto onChange = m_onChange)
            onChange();
    });
}

} // namespace quintara
