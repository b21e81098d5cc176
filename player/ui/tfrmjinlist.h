#pragma once
// The jingle list window: nine rows (number, file name, hidden full path) filled from slots
// 1..9, Choose / Delete / Listen for the selected row, Load and Save of jingle list files
// (".lst"), the slider for the music level while a jingle plays (JVol, set at once), OK (the
// rows become the slots) and Cancel (the slots stay). It opens without a nested event loop.
#include "player/core/jingles/jingleslots.h"

#include <QDialog>
#include <functional>

class QPushButton;
class QSlider;
class QTreeWidget;

namespace wc {

class TfrmJinList final : public QDialog {
    Q_OBJECT
public:
    struct Hooks {
        // The open dialog for a file (filter in the pipe form, the entry to preselect); empty
        // when cancelled. The save dialog likewise.
        std::function<QString(QWidget*, const QString& filter, int selectedFilter)> openFile;
        std::function<QString(QWidget*, const QString& filter)> saveFile;
        // "Прослушать": the file goes into slot 0 and plays.
        std::function<void(const QString&)> listen;
        // "ОК": the rows' paths become slots 1..9.
        std::function<void(const JingleListPaths&)> accept;
        // The level slider moved.
        std::function<void(int)> musicLevel;
    };
    TfrmJinList(QWidget* parent, const JingleListPaths& paths, int jvol, Hooks hooks);

    JingleListPaths rows() const;
    void setRows(const JingleListPaths& paths);
    QTreeWidget* list() const { return list_; }
    // The open dialog's filter: jingle lists, then the player's audio files.
    static QString openFilter();

private:
    void updateButtons();
    void choose();
    void load();
    void save();

    Hooks hooks_;
    QTreeWidget* list_ = nullptr;
    QPushButton* choose_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* listen_ = nullptr;
    QSlider* level_ = nullptr;
};

} // namespace wc
