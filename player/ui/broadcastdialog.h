#pragma once
// The broadcasting settings as a dialog of their own: its controls bind to BroadcastPage; OK
// stores them into player.ini's record, writes player.ini and, when "Broadcasting enabled"
// changed, says that the change takes effect after a restart. It neither starts nor stops
// broadcasting.
#include "player/core/broadcast/broadcastpage.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace wc {

class PlayerMessageTable;
struct TPlayerIni;

class BroadcastDialog final : public QDialog {
    Q_OBJECT
public:
    BroadcastDialog(TPlayerIni& ini, const PlayerMessageTable& messages, QWidget* parent = nullptr);
    BroadcastPage page() const;
    // OK: stores, writes player.ini, shows the restart notice when needed.
    void accept() override;

private:
    void show(const BroadcastPage& p);
    TPlayerIni& ini_;
    const PlayerMessageTable& messages_;
    QCheckBox* enabled_;
    QLineEdit *server_, *password_, *name_, *url_, *genre_, *description_, *titleText_;
    QCheckBox *public_, *autoReconnect_, *noSound_;
    QRadioButton *mp3_, *ogg_, *useTrackTitle_, *useText_;
    QComboBox* bitrate_;
};

} // namespace wc
