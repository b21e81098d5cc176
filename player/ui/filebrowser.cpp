#include "player/ui/filebrowser.h"

#include "common/playlistfile/m3u.h"

#include <QFileSystemModel>
#include <QHeaderView>
#include <QKeyEvent>

namespace wc {

QStringList FileBrowser::nameFilters() {
    QStringList f;
    for (const QString& ext : playableExtensions())
        f << u'*' + ext;
    f << QStringLiteral("*.m3u") << QStringLiteral("line.in");
    return f;
}

FileBrowser::FileBrowser(QWidget* parent) : QTreeView(parent) {
    setObjectName(QStringLiteral("FileBrowser"));
    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot);
    model_->setNameFilters(nameFilters());
    model_->setNameFilterDisables(false);
    model_->setOption(QFileSystemModel::DontWatchForChanges, false);
    setModel(model_);
    for (int c = 1; c < model_->columnCount(); ++c)
        hideColumn(c);
    header()->hide();
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setRoot(QDir::homePath());
    connect(this, &QTreeView::doubleClicked, this, [this](const QModelIndex& i) {
        if (!model_->isDir(i) && fileActivated) fileActivated(model_->filePath(i));
    });
}

void FileBrowser::setRoot(const QString& folder) {
    const QModelIndex root = model_->setRootPath(folder);
    setRootIndex(root);
}

QStringList FileBrowser::selectedPaths() const {
    QModelIndexList rows = selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [this](const QModelIndex& a, const QModelIndex& b) {
        return visualRect(a).top() < visualRect(b).top();
    });
    QStringList out;
    for (const QModelIndex& i : rows)
        out << model_->filePath(i);
    return out;
}

void FileBrowser::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F5) {
        // Read the tree again from the file system.
        const QString root = model_->rootPath();
        model_->setRootPath(QString());
        setRoot(root);
        return;
    }
    QTreeView::keyPressEvent(e);
}

} // namespace wc
