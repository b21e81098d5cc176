#pragma once
// The file-browser panel: a folder tree showing folders, files with a playable extension,
// ".m3u" playlists and files named "line.in". F5 reads it again; a double click on a file
// inserts it after the selection of the active list; its entries can be dragged onto a list.
#include <QTreeView>
#include <functional>

class QFileSystemModel;

namespace wc {

class FileBrowser final : public QTreeView {
    Q_OBJECT
public:
    explicit FileBrowser(QWidget* parent);
    // A file was double-clicked.
    std::function<void(const QString&)> fileActivated;
    // The selected entries, in the order they are shown.
    QStringList selectedPaths() const;
    void setRoot(const QString& folder);
    // The name filters of the panel.
    static QStringList nameFilters();

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    QFileSystemModel* model_;
};

} // namespace wc
