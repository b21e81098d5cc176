#pragma once
// TfrmSettings, the Preferences window: the tree of pages on the left, the chosen page in a
// frame captioned with the page's name, and "ОК", "Отмена", "?". It works on copies of the
// settings: OK applies them (to the profile and player.ini, which it writes, and rewrites the
// encoder preset file), Cancel drops them. Only the pages that exist are in the tree.
#include "player/core/profile/profile.h"
#include "player/core/settings/encoderpage.h"
#include "player/core/settings/generalpage.h"
#include "player/core/settings/preferencespages.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTreeWidget;

namespace wc {

class TfrmSettings final : public QDialog {
    Q_OBJECT
public:
    // Filled from the profile and the preset file as it opens; shows `page` (or the first page
    // there is).
    TfrmSettings(TProfile& profile, TPlayerIni& playerIni, const QString& presetFile,
                 PreferencesPage page, QWidget* parent);

    PreferencesPage currentPage() const;
    void showPage(PreferencesPage page);
    EncoderPage& encoderPage() { return encoder_; }
    GeneralPage& generalPage() { return general_; }

    // The output folder chooser of "..." (replaceable in tests; empty: cancelled).
    std::function<QString(const QString& current)> askFolder;
    // "?": the help of the shown page.
    std::function<void(PreferencesPage page)> showHelp;

    void accept() override;

private:
    QWidget* buildGeneralPage();
    void showGeneral();
    void takeGeneral();
    QWidget* buildEncoderPage();
    // The encoder page's widgets from the page's state, and back.
    void showEncoder();
    void takeEncoder();

    TProfile& profile_;
    TPlayerIni& playerIni_;
    GeneralPage general_;
    EncoderPage encoder_;
    QTreeWidget* tree_;
    QGroupBox* frame_;
    QStackedWidget* pages_;
    QLineEdit* outDir_ = nullptr;
    QListWidget* presets_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLineEdit* command_ = nullptr;
    QLineEdit* ext_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* del_ = nullptr;
    QCheckBox* showParam_ = nullptr;
    QCheckBox* report_ = nullptr;
    QCheckBox* trackNumber_ = nullptr;
    QCheckBox* export_ = nullptr;
    QLineEdit* exportFile_ = nullptr;
    QRadioButton* formats_[3] = {}; // XML, TXT, JSON: the iExportFormat values 0, 1, 2
};

} // namespace wc
