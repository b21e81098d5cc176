#pragma once
// The generator window: binds its controls to a template, the options and the session.
// Every rule lives in generator/core; this class only moves values between widgets and them.
#include "generator/core/session.h"
#include "platform/messagebus.h"

#include <QWidget>
#include <memory>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;

namespace wc {

class TLumbraWnd : public QWidget {
    Q_OBJECT
public:
    explicit TLumbraWnd(const QString& libraryFile, QWidget* parent = nullptr);
    ~TLumbraWnd() override;

    GeneratorSession& session() { return session_; }
    WindowHandle handle() const { return endpoint_ ? endpoint_->handle() : 0; }

    // The controls as a template, and a template shown in the controls (with their rules).
    GeneratorTemplate templateFromControls() const;
    void setControls(const GeneratorTemplate& t);
    GeneratorOptions optionsFromSliders() const;
    void setSliders(const GeneratorOptions& o);

    // The window's commands.
    void generateCommand();
    void saveToFileCommand(const QString& fileName);
    void showReportCommand();
    void sendToPlayerCommand();
    void savePresetCommand();
    void deletePresetCommand();
    void clearTemplateCommand();
    void choosePreset(const QString& name);
    void refreshPresetList();

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void build();
    void updateEnabled();
    void applyLanguage();
    void resetResultLabels();
    QWidget* fileRow(QLineEdit*& edit, const QString& name, bool multiple = false);

    GeneratorSession session_;
    std::unique_ptr<Endpoint> endpoint_;
    bool shownOnce_ = false;

    QRadioButton *rbCount_ = nullptr, *rbTime_ = nullptr;
    QSpinBox *seTracks_ = nullptr, *seMinutes_ = nullptr, *seStartHour_ = nullptr;
    QCheckBox* cbStartTime_ = nullptr;
    QRadioButton *rbRandom_ = nullptr, *rbFromList_ = nullptr;
    QLineEdit* edComment_ = nullptr;
    QCheckBox *cbDontRepeat_ = nullptr, *cbNoRepeatArtists_ = nullptr;
    QCheckBox* cbRotation_ = nullptr;
    QRadioButton *rbRotRandom_ = nullptr, *rbRotList_ = nullptr;
    QSpinBox* seRotEvery_ = nullptr;
    QLineEdit* edRotList_ = nullptr;
    QCheckBox* cbJingles_ = nullptr;
    QSpinBox* seJingleEvery_ = nullptr;
    QLineEdit* edJingleList_ = nullptr;
    QCheckBox* cbClock_ = nullptr;
    QLineEdit* edClockList_ = nullptr;
    QCheckBox* cbAds_ = nullptr;
    QPlainTextEdit* mmAds_ = nullptr;
    QPushButton* btAdsAdd_ = nullptr;
    std::array<QSlider*, 5> sliders_{};
    std::array<QLabel*, 5> sliderValues_{};
    QComboBox* cbPresets_ = nullptr;
    QLabel *lbResult_ = nullptr, *lbDeviation_ = nullptr, *lbBase_ = nullptr;
    QList<QWidget*> rotationControls_, jingleControls_, clockControls_, adsControls_;
};

} // namespace wc
