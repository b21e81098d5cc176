#include "player/ui/preferencescommand.h"

#include "common/paths.h"
#include "player/core/profile/profile.h"
#include "player/ui/editcommands.h"
#include "player/ui/tfrmsettings.h"

#include <QAction>
#include <QMenu>

namespace wc {

PreferencesCommand::PreferencesCommand(TProfile& profile, TPlayerIni& playerIni, QMenu* menu,
                                       EditCommands& edit, QWidget* window)
    : QObject(window), profile_(profile), playerIni_(playerIni), window_(window) {
    QAction* a = menu->addAction(QString::fromUtf8("Настройки..."), this,
                                 [this] { open(PreferencesPage::General); });
    a->setObjectName(QStringLiteral("aPreferences"));
    edit.encoderSettingsFirst = [this](std::function<void()> convert) {
        if (!profile_.EncoderShowParam) {
            convert();
            return;
        }
        // OK goes on with the settings just made; Cancel ends the command.
        open(PreferencesPage::Encoder, [convert = std::move(convert)](bool accepted) {
            if (accepted) convert();
        });
    };
}

TfrmSettings* PreferencesCommand::window() const {
    return dialog_.data();
}

void PreferencesCommand::open(PreferencesPage page, std::function<void(bool)> done) {
    if (dialog_ && dialog_->isVisible()) {
        dialog_->raise();
        dialog_->activateWindow();
        return;
    }
    auto* d = new TfrmSettings(profile_, playerIni_,
                               inProgramDir(QStringLiteral("Presets/Encoder.prs")), page, window_);
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->setWindowModality(Qt::WindowModal);
    d->showHelp = [this](PreferencesPage p) {
        if (showHelp) showHelp(p);
    };
    connect(d, &QDialog::finished, this, [done = std::move(done)](int result) {
        if (done) done(result == QDialog::Accepted);
    });
    dialog_ = d;
    d->open();
}

} // namespace wc
