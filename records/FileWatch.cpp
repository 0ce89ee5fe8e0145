#include "FileWatch.h"

#include <QFileInfo>

namespace qm {

FileWatch::FileWatch(const QString& path, QObject* parent) : QObject(parent), m_path(path)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMs);
    connect(&m_settle, &QTimer::timeout, this, [this] {
        rewatch();
        emit changed();
    });
    const auto touched = [this] { m_settle.start(); };
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, touched);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, touched);
    rewatch();
}

void FileWatch::rewatch()
{
    // A file that was replaced or removed drops out of the watch; the new one is taken in.
    const QString dir = QFileInfo(m_path).absolutePath();
    if (!m_watcher.directories().contains(dir)) m_watcher.addPath(dir);
    if (QFileInfo(m_path).isFile() && !m_watcher.files().contains(m_path)) m_watcher.addPath(m_path);
}

}  // namespace qm
