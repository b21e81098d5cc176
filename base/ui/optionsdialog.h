#pragma once
// The options window ("Settings"): pages "Общие", "Цвет" and "Output". Every control takes
// effect when it is changed (changed() is emitted with the new options).
#include "base/core/baseoptions.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QLabel;

namespace wc::base {

class FileChooser;

class OptionsDialog final : public QDialog {
    Q_OBJECT
public:
    // The font and colour dialogs are asked through dialogs.
    OptionsDialog(const BaseOptions& options, FileChooser& dialogs, QWidget* parent = nullptr);
    const BaseOptions& options() const { return options_; }
    // A colour slot (0 MP3, 1 WMA, 2 OGG, 3 WAV) takes a colour, as the colour dialog would.
    void chooseColour(int slot, quint32 colour);

signals:
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void paintSamples();
    BaseOptions options_;
    FileChooser& dialogs_;
    QLabel* samples_[4];
};

} // namespace wc::base
