#pragma once
// Tells when a file of the working directory may have changed on disk: written in place,
// replaced by a rename (as every whole-file writer, this program's included, replaces a file), made
// or removed. The directory is watched as well as the file, since a rename puts a new file under
// the name and a watch on the old one alone would go with it. A burst of changes (an editor
// saves in several steps) is told once, a moment after it has settled.

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

namespace qm {

class FileWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int SettleMs = 300;

    FileWatch(const QString& path, QObject* parent = nullptr);

signals:
    void changed();

private:
    void rewatch();

    QString m_path;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
};

}  // namespace qm
