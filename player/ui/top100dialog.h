#pragma once
// The Top 100 window: the store's most played files that still exist, "[count] text" and the
// length. Double-clicking a row hands its file to whoever inserts it into the current
// playlist (fileChosen); "OK" closes. The rows come from wc::top100Rows().
#include "common/trackstore/top100.h"

#include <QDialog>

class QTreeWidget;
class QTreeWidgetItem;

namespace wc {

class TfrmTop100 : public QDialog {
    Q_OBJECT
public:
    // Reads the store file at storePath (the program's "Database/Files.Dat") afresh; the
    // sources give the display texts and lengths (for the player: tag text and the audio
    // engine's FileDurationMs).
    TfrmTop100(const QString& storePath, const Top100Sources& sources, QWidget* parent = nullptr);

signals:
    // A row was double-clicked: insert this file after the selected playlist row.
    void fileChosen(const QString& path);

private:
    void activated(QTreeWidgetItem* item);
    QTreeWidget* list_ = nullptr;
};

} // namespace wc
