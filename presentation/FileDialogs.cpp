#include "FileDialogs.h"

#include <QAbstractItemView>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QTreeView>
#include <QIdentityProxyModel>
#include <QLocale>

namespace qm {

namespace {

const QLocale Russian(QLocale::Russian, QLocale::Russia);

// The columns of Qt's file system model.
enum Column { NameColumn, SizeColumn, TypeColumn, DateColumn };

// The file list's columns in Russian. Sorting and everything else stay the file system model's.
class RussianColumns : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || index.column() == NameColumn)
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        const bool folder = files->isDir(source);
        switch (index.column()) {
        case SizeColumn:
            return folder ? QString() : FileSizeText(files->size(source));
        case TypeColumn: {
            if (folder) return QStringLiteral("Папка");
            const QString suffix = files->fileInfo(source).suffix();
            return suffix.isEmpty() ? QStringLiteral("Файл") : QStringLiteral("Файл ") + suffix.toUpper();
        }
        case DateColumn:
            return Russian.toString(files->lastModified(source), QStringLiteral("dd.MM.yyyy HH:mm"));
        default:
            return QIdentityProxyModel::data(index, role);
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        static const char* const names[] = {"Имя", "Размер", "Тип", "Дата изменения"};
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 4)
            return QString::fromUtf8(names[section]);
        return QIdentityProxyModel::headerData(section, orientation, role);
    }
};

}  // namespace

QString FileSizeText(qint64 bytes)
{
    if (bytes < 1024) {
        // 1 байт, 2 байта, 5 байт, 11 байт, 21 байт.
        const qint64 last = bytes % 10, lastTwo = bytes % 100;
        const char* word = last == 1 && lastTwo != 11                             ? "байт"
                           : last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14) ? "байта"
                                                                                   : "байт";
        return QString::number(bytes) + QLatin1Char(' ') + QString::fromUtf8(word);
    }
    static const char* const units[] = {"КБ", "МБ", "ГБ", "ТБ"};
    double size = double(bytes) / 1024;
    int unit = 0;
    while (size >= 1024 && unit < 3) {
        size /= 1024;
        ++unit;
    }
    return Russian.toString(size, 'f', 1) + QLatin1Char(' ') + QString::fromUtf8(units[unit]);
}

std::unique_ptr<QFileDialog> NewFileDialog(QWidget* parent, QFileDialog::AcceptMode mode, const QString& directory,
                                           const QString& nameFilter)
{
    auto dialog = std::make_unique<QFileDialog>(parent);
    dialog->setAcceptMode(mode);
    dialog->setNameFilter(nameFilter);
    dialog->setDirectory(directory);
    // The dialog takes the model; a native dialog has no list and ignores it.
    dialog->setProxyModel(new RussianColumns(dialog.get()));
    // Size, type and date as wide as their texts, the name taking the rest.
    if (auto* list = dialog->findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = list->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
        for (int column : {SizeColumn, TypeColumn, DateColumn}) header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    // Room for "Компьютер" beside the list.
    if (auto* places = dialog->findChild<QAbstractItemView*>(QStringLiteral("sidebar")))
        places->setMinimumWidth(places->fontMetrics().horizontalAdvance(QStringLiteral("Компьютер")) + 48);
    return dialog;
}

}  // namespace qm
