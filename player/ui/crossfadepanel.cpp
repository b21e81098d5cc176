#include "player/ui/crossfadepanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace wc {

CrossfadePanel::CrossfadePanel(CrossfadeTable& table, const QString& presetFolder, QWidget* parent)
    : QWidget(parent), controls_(table, presetFolder) {
    setObjectName(QStringLiteral("CrossfadePanel"));
    auto* grid = new QGridLayout(this);
    int row = 0;
    // One switch and one value of 0..10 s in steps of 0.1.
    auto point = [&](const char* box, const char* spin, const QString& caption, QCheckBox*& on,
                     QDoubleSpinBox*& value) {
        on = new QCheckBox(caption, this);
        on->setObjectName(QLatin1String(box));
        value = new QDoubleSpinBox(this);
        value->setObjectName(QLatin1String(spin));
        value->setRange(0.0, 10.0);
        value->setSingleStep(0.1);
        value->setDecimals(1);
        value->setSuffix(QStringLiteral(" s"));
        grid->addWidget(on, row, 0);
        grid->addWidget(value, row, 1);
        ++row;
        connect(on, &QCheckBox::toggled, this, &CrossfadePanel::changed);
        connect(value, &QDoubleSpinBox::valueChanged, this, &CrossfadePanel::changed);
    };
    point("cbmusmix", "musmix", QString::fromUtf8("Точка микширования"), musMixOn_, musMix_);
    point("cbmusfade", "musfade", QString::fromUtf8("Точка автозатухания"), musFadeOn_, musFade_);
    point("cbmusfadein", "musin", QString::fromUtf8("Точка автоподъема"), musInOn_, musIn_);
    fileType_ = new QComboBox(this);
    fileType_->setObjectName(QStringLiteral("cbFileType"));
    grid->addWidget(fileType_, row++, 0, 1, 2);
    connect(fileType_, &QComboBox::currentIndexChanged, this, [this](int pos) {
        if (showing_ || pos < 0) return;
        show(controls_.typeChosen(pos));
    });
    point("cbjinmix", "jinmix", QString::fromUtf8("Точка микширования"), jinMixOn_, jinMix_);
    point("cbjinfade", "jinfade", QString::fromUtf8("Точка автозатухания"), jinFadeOn_, jinFade_);

    preset_ = new QComboBox(this);
    preset_->setObjectName(QStringLiteral("cr_preset"));
    preset_->setEditable(true);
    preset_->setInsertPolicy(QComboBox::NoInsert);
    save_ = new QToolButton(this);
    save_->setObjectName(QStringLiteral("SpeedButton16"));
    save_->setText(QString::fromUtf8("Сохранить"));
    delete_ = new QToolButton(this);
    delete_->setObjectName(QStringLiteral("SpeedButton17"));
    delete_->setText(QString::fromUtf8("Удалить"));
    auto* presets = new QHBoxLayout;
    presets->addWidget(preset_, 1);
    presets->addWidget(save_);
    presets->addWidget(delete_);
    grid->addLayout(presets, row++, 0, 1, 2);
    grid->setRowStretch(row, 1);
    // A name chosen from the list, or typed and confirmed, loads that preset once: the box
    // itself reports a confirmed name that differs from its current entry, Enter on the name
    // of the current entry is taken here.
    connect(preset_, &QComboBox::textActivated, this, &CrossfadePanel::choose);
    connect(preset_->lineEdit(), &QLineEdit::returnPressed, this, [this] {
        const QString typed = preset_->lineEdit()->text();
        if (typed == preset_->itemText(preset_->currentIndex())) choose(typed);
    });
    connect(save_, &QToolButton::clicked, this, &CrossfadePanel::save);
    connect(delete_, &QToolButton::clicked, this, &CrossfadePanel::remove);

    QStringList types;
    for (int t = 2; t <= 11; ++t)
        types << QStringLiteral("Type%1").arg(t - 1);
    setTypeNames(types);
    refreshPresets();
    show(controls_.values());
}

void CrossfadePanel::setTypeNames(const QStringList& names) {
    showing_ = true;
    const int pos = controls_.values().typePos;
    fileType_->clear();
    fileType_->addItems(names);
    fileType_->setCurrentIndex(pos);
    showing_ = false;
}

void CrossfadePanel::refreshPresets() {
    showing_ = true;
    const QString text = preset_->currentText();
    preset_->clear();
    preset_->addItems(controls_.presets());
    preset_->setEditText(text);
    showing_ = false;
}

void CrossfadePanel::tableReplaced(const QString& presetName) {
    controls_.tableReplaced(presetName);
    show(controls_.values());
    preset_->setEditText(presetName);
}

QString CrossfadePanel::presetName() const {
    return controls_.presetName();
}

void CrossfadePanel::show(const CrossfadeControlValues& v) {
    showing_ = true;
    musMix_->setValue(v.musMix);
    musFade_->setValue(v.musFade);
    musIn_->setValue(v.musIn);
    musMixOn_->setChecked(v.musMixOn);
    musFadeOn_->setChecked(v.musFadeOn);
    musInOn_->setChecked(v.musInOn);
    fileType_->setCurrentIndex(v.typePos);
    jinMix_->setValue(v.jinMix);
    jinFade_->setValue(v.jinFade);
    jinMixOn_->setChecked(v.jinMixOn);
    jinFadeOn_->setChecked(v.jinFadeOn);
    showing_ = false;
}

void CrossfadePanel::changed() {
    if (showing_) return;
    CrossfadeControlValues v;
    v.musMix = float(musMix_->value());
    v.musFade = float(musFade_->value());
    v.musIn = float(musIn_->value());
    v.musMixOn = musMixOn_->isChecked();
    v.musFadeOn = musFadeOn_->isChecked();
    v.musInOn = musInOn_->isChecked();
    v.typePos = std::max(fileType_->currentIndex(), 0);
    v.jinMix = float(jinMix_->value());
    v.jinFade = float(jinFade_->value());
    v.jinMixOn = jinMixOn_->isChecked();
    v.jinFadeOn = jinFadeOn_->isChecked();
    controls_.controlsChanged(v);
}

void CrossfadePanel::choose(const QString& name) {
    if (showing_ || !controls_.choosePreset(name.trimmed())) return;
    show(controls_.values());
    preset_->setEditText(controls_.presetName());
}

void CrossfadePanel::save() {
    const QString used = controls_.savePreset(preset_->currentText());
    if (used.isEmpty()) return;
    refreshPresets();
    preset_->setEditText(used);
}

void CrossfadePanel::remove() {
    controls_.deletePreset(preset_->currentText().trimmed());
    refreshPresets();
    preset_->setEditText(QString());
}

} // namespace wc
