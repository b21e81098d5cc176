#include "tlumbrawnd.h"

#include "common/paths.h"
#include "common/playlistfile/m3u.h"
#include "platform/prompts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QUrl>
#include <QVBoxLayout>

namespace wc {
namespace {

const QString kM3uFilter = QStringLiteral("M3U Playlist (*.m3u)");

template <class W> W* named(W* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

struct SliderSpec {
    const char* name;
    const char* label;
    int min, max;
};
const SliderSpec kSliders[5] = {
    {"tbMinTime", "Остаток (мин)", 0, 5},
    {"tbFindTime", "Специальный подбор (мин)", 0, 10},
    {"tbTryCount", "Количество итераций", 0, 50000},
    {"tbFindTry", "Точность подбора", 10, 100},
    {"tbCfadeLen", "Длительность кроссфейда (с)", 0, 10},
};

} // namespace

TLumbraWnd::TLumbraWnd(const QString& libraryFile, QWidget* parent)
    : QWidget(parent), session_(libraryFile) {
    setObjectName(QStringLiteral("TLumbraWnd"));
    build();
    setWindowTitle(generatorWindowTitle(QStringLiteral("Генератор плейлистов")));
    session_.start();
    session_.onClose = [this] {
        QMetaObject::invokeMethod(
            this, [this] { close(); }, Qt::QueuedConnection);
    };
    session_.onActivate = [this] {
        showNormal();
        raise();
        activateWindow();
    };
    endpoint_ = std::make_unique<Endpoint>(
        QString::fromLatin1(kGeneratorWindowClass), windowTitle(),
        [this](quint32 msg, qint64 w, qint64 l) { return session_.handleMessage(msg, w, l); });
}

TLumbraWnd::~TLumbraWnd() = default;

QWidget* TLumbraWnd::fileRow(QLineEdit*& edit, const QString& name, bool) {
    auto* row = new QWidget(this);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    edit = new QLineEdit(row);
    edit->setObjectName(name);
    auto* pick = new QPushButton(QStringLiteral("..."), row);
    pick->setObjectName(name + QStringLiteral("Open"));
    QLineEdit* target = edit;
    connect(pick, &QPushButton::clicked, this, [this, target] {
        const QString f = QFileDialog::getOpenFileName(this, QString(), target->text(), kM3uFilter);
        if (!f.isEmpty()) target->setText(f);
    });
    h->addWidget(edit);
    h->addWidget(pick);
    return row;
}

void TLumbraWnd::build() {
    auto* root = new QVBoxLayout(this);

    // Step 1: length.
    auto* g1 = named(new QGroupBox(QStringLiteral("1"), this), "gbStep1");
    auto* l1 = new QGridLayout(g1);
    rbCount_ = named(new QRadioButton(QStringLiteral("Количество треков"), g1), "rbCount");
    rbTime_ = named(new QRadioButton(QStringLiteral("Количество времени"), g1), "rbTime");
    seTracks_ = named(new QSpinBox(g1), "seTracks");
    seTracks_->setRange(0, 10000);
    seMinutes_ = named(new QSpinBox(g1), "seMinutes");
    seMinutes_->setRange(0, 1440);
    seStartHour_ = named(new QSpinBox(g1), "seStartHour");
    seStartHour_->setRange(0, 23);
    cbStartTime_ =
        named(new QCheckBox(QStringLiteral("Начать в указанное время"), g1), "cbStartTime");
    l1->addWidget(rbCount_, 0, 0);
    l1->addWidget(seTracks_, 0, 1);
    l1->addWidget(rbTime_, 1, 0);
    l1->addWidget(seMinutes_, 1, 1);
    l1->addWidget(cbStartTime_, 2, 0);
    l1->addWidget(seStartHour_, 2, 1);
    connect(rbCount_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) seMinutes_->setValue(0);
        updateEnabled();
    });
    connect(rbTime_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) seTracks_->setValue(0);
        updateEnabled();
    });
    connect(cbStartTime_, &QCheckBox::toggled, this, [this] { updateEnabled(); });
    root->addWidget(g1);

    // Step 2: choice of tracks.
    auto* g2 = named(new QGroupBox(QStringLiteral("2"), this), "gbStep2");
    auto* l2 = new QGridLayout(g2);
    rbRandom_ = named(new QRadioButton(QStringLiteral("Случайным образом"), g2), "rbRandom");
    rbFromList_ = named(new QRadioButton(QStringLiteral("Выбрать из списка"), g2), "rbFromList");
    edComment_ = named(new QLineEdit(g2), "edComment");
    cbDontRepeat_ = named(new QCheckBox(QStringLiteral("Не повторять треки"), g2), "cbDontRepeat");
    cbNoRepeatArtists_ =
        named(new QCheckBox(QStringLiteral("Не повторять исполнителя"), g2), "cbNoRepeatArtists");
    l2->addWidget(rbRandom_, 0, 0);
    l2->addWidget(rbFromList_, 1, 0);
    l2->addWidget(edComment_, 1, 1);
    l2->addWidget(cbDontRepeat_, 2, 0);
    l2->addWidget(cbNoRepeatArtists_, 2, 1);
    connect(rbFromList_, &QRadioButton::toggled, this, [this] { updateEnabled(); });
    // The two no-repeat options exclude each other.
    connect(cbDontRepeat_, &QCheckBox::toggled, this, [this](bool on) {
        if (on) cbNoRepeatArtists_->setChecked(false);
    });
    connect(cbNoRepeatArtists_, &QCheckBox::toggled, this, [this](bool on) {
        if (on) cbDontRepeat_->setChecked(false);
    });
    root->addWidget(g2);

    // Steps 3 to 6: rotation, jingles, hour signals, commercials.
    auto* g3 = named(new QGroupBox(QStringLiteral("3-6"), this), "gbSteps");
    auto* l3 = new QGridLayout(g3);
    cbRotation_ = named(new QCheckBox(QStringLiteral(" Ротация"), g3), "cbRotation");
    rbRotRandom_ = named(new QRadioButton(QStringLiteral("Случайный выбор"), g3), "rbRotRandom");
    rbRotList_ = named(new QRadioButton(QStringLiteral("Подряд по списку"), g3), "rbRotList");
    auto* rotGroup = new QButtonGroup(this);
    rotGroup->addButton(rbRotRandom_);
    rotGroup->addButton(rbRotList_);
    seRotEvery_ = named(new QSpinBox(g3), "seRotEvery");
    seRotEvery_->setRange(1, 100);
    QWidget* rotRow = fileRow(edRotList_, QStringLiteral("edRotList"));
    l3->addWidget(cbRotation_, 0, 0);
    l3->addWidget(rbRotRandom_, 0, 1);
    l3->addWidget(rbRotList_, 0, 2);
    l3->addWidget(seRotEvery_, 0, 3);
    l3->addWidget(rotRow, 1, 0, 1, 4);
    rotationControls_ = {rbRotRandom_, rbRotList_, seRotEvery_, rotRow};

    cbJingles_ = named(new QCheckBox(QStringLiteral("Джинглы"), g3), "cbJingles");
    seJingleEvery_ = named(new QSpinBox(g3), "seJingleEvery");
    seJingleEvery_->setRange(1, 100);
    QWidget* jingleRow = fileRow(edJingleList_, QStringLiteral("edJingleList"));
    l3->addWidget(cbJingles_, 2, 0);
    l3->addWidget(seJingleEvery_, 2, 3);
    l3->addWidget(jingleRow, 3, 0, 1, 4);
    jingleControls_ = {seJingleEvery_, jingleRow};

    cbClock_ = named(new QCheckBox(QStringLiteral("Часовая отбивка"), g3), "cbClock");
    QWidget* clockRow = fileRow(edClockList_, QStringLiteral("edClockList"));
    l3->addWidget(cbClock_, 4, 0);
    l3->addWidget(clockRow, 5, 0, 1, 4);
    clockControls_ = {clockRow};

    cbAds_ = named(new QCheckBox(QStringLiteral("Реклама"), g3), "cbAds");
    mmAds_ = named(new QPlainTextEdit(g3), "mmAds");
    mmAds_->setMaximumHeight(80);
    btAdsAdd_ = named(new QPushButton(QStringLiteral("..."), g3), "btAdsOpen");
    connect(btAdsAdd_, &QPushButton::clicked, this, [this] {
        for (const QString& f :
             QFileDialog::getOpenFileNames(this, QString(), QString(), kM3uFilter))
            mmAds_->appendPlainText(f);
    });
    l3->addWidget(cbAds_, 6, 0);
    l3->addWidget(btAdsAdd_, 6, 3);
    l3->addWidget(mmAds_, 7, 0, 1, 4);
    adsControls_ = {mmAds_, btAdsAdd_};
    for (QCheckBox* cb : {cbRotation_, cbJingles_, cbClock_, cbAds_})
        connect(cb, &QCheckBox::toggled, this, [this] { updateEnabled(); });
    root->addWidget(g3);

    // Options.
    auto* g4 = named(new QGroupBox(QStringLiteral("Options"), this), "gbOptions");
    auto* l4 = new QGridLayout(g4);
    for (int i = 0; i < 5; ++i) {
        const SliderSpec& s = kSliders[i];
        auto* label = new QLabel(QString::fromUtf8(s.label), g4);
        label->setObjectName(QStringLiteral("lb") + QString::fromLatin1(s.name + 2));
        sliders_[size_t(i)] = named(new QSlider(Qt::Horizontal, g4), s.name);
        sliders_[size_t(i)]->setRange(s.min, s.max);
        sliderValues_[size_t(i)] = new QLabel(g4);
        sliderValues_[size_t(i)]->setObjectName(QStringLiteral("lv") +
                                                QString::fromLatin1(s.name + 2));
        const int idx = i;
        connect(sliders_[size_t(i)], &QSlider::valueChanged, this, [this, idx](int v) {
            sliderValues_[size_t(idx)]->setText(idx == 2 ? tryCountText(v) : QString::number(v));
        });
        l4->addWidget(label, i, 0);
        l4->addWidget(sliders_[size_t(i)], i, 1);
        l4->addWidget(sliderValues_[size_t(i)], i, 2);
    }
    auto* hint = new QLabel(QStringLiteral("точнее … быстрее"), g4);
    hint->setObjectName(QStringLiteral("lbFindTryHint"));
    l4->addWidget(hint, 3, 3);
    root->addWidget(g4);

    // Presets.
    auto* presets = new QHBoxLayout;
    auto* lbList = new QLabel(QStringLiteral("Список:"), this);
    lbList->setObjectName(QStringLiteral("lbPresets"));
    cbPresets_ = named(new QComboBox(this), "cbPresets");
    cbPresets_->setEditable(true);
    auto* btSave = named(new QPushButton(QStringLiteral("Сохранить"), this), "btSavePreset");
    auto* btDelete = named(new QPushButton(QStringLiteral("Удалить"), this), "btDeletePreset");
    auto* btClear =
        named(new QPushButton(QStringLiteral("Очистить шаблон"), this), "btClearTemplate");
    presets->addWidget(lbList);
    presets->addWidget(cbPresets_, 1);
    presets->addWidget(btSave);
    presets->addWidget(btDelete);
    presets->addWidget(btClear);
    // Enter in the box chooses the typed name once; it adds no entry to the list (an entry
    // stands for a file) and Qt's own activation on Enter, which fires twice, stays off.
    cbPresets_->setInsertPolicy(QComboBox::NoInsert);
    connect(cbPresets_, &QComboBox::textActivated, this, &TLumbraWnd::choosePreset);
    connect(cbPresets_->lineEdit(), &QLineEdit::returnPressed, this,
            [this] { choosePreset(cbPresets_->currentText()); });
    connect(btSave, &QPushButton::clicked, this, &TLumbraWnd::savePresetCommand);
    connect(btDelete, &QPushButton::clicked, this, &TLumbraWnd::deletePresetCommand);
    connect(btClear, &QPushButton::clicked, this, &TLumbraWnd::clearTemplateCommand);
    root->addLayout(presets);

    // Results and commands.
    auto* results = new QHBoxLayout;
    lbBase_ = named(new QLabel(this), "lbBase");
    lbResult_ = named(new QLabel(this), "lbResult");
    auto* lbDevCaption =
        named(new QLabel(QStringLiteral("Погрешность:"), this), "lbDeviationCaption");
    lbDeviation_ = named(new QLabel(this), "lbDeviation");
    results->addWidget(lbBase_);
    results->addStretch();
    results->addWidget(lbResult_);
    results->addWidget(lbDevCaption);
    results->addWidget(lbDeviation_);
    root->addLayout(results);

    auto* buttons = new QHBoxLayout;
    auto* btGenerate = named(new QPushButton(QStringLiteral("Генерировать"), this), "btGenerate");
    auto* btSaveFile =
        named(new QPushButton(QStringLiteral("Сохранить в файл"), this), "btSaveFile");
    auto* btReport = named(new QPushButton(QStringLiteral("Показать отчет"), this), "btReport");
    auto* btSend = named(new QPushButton(QStringLiteral("Отправить в плеер"), this), "btSend");
    auto* btClose = named(new QPushButton(QStringLiteral("Закрыть"), this), "btClose");
    for (QPushButton* b : {btGenerate, btSaveFile, btReport, btSend, btClose})
        buttons->addWidget(b);
    connect(btGenerate, &QPushButton::clicked, this, &TLumbraWnd::generateCommand);
    connect(btSaveFile, &QPushButton::clicked, this, [this] {
        const QString f = QFileDialog::getSaveFileName(this, QString(), QString(), kM3uFilter);
        if (!f.isEmpty())
            saveToFileCommand(f.endsWith(QLatin1String(".m3u"), Qt::CaseInsensitive)
                                  ? f
                                  : f + QStringLiteral(".m3u"));
    });
    connect(btReport, &QPushButton::clicked, this, &TLumbraWnd::showReportCommand);
    connect(btSend, &QPushButton::clicked, this, &TLumbraWnd::sendToPlayerCommand);
    connect(btClose, &QPushButton::clicked, this, &QWidget::close);
    root->addLayout(buttons);
    rbCount_->setChecked(true);
    rbRandom_->setChecked(true);
    rbRotRandom_->setChecked(true);
}

void TLumbraWnd::updateEnabled() {
    const bool time = rbTime_->isChecked();
    seTracks_->setEnabled(!time);
    seMinutes_->setEnabled(time);
    seStartHour_->setEnabled(time);
    cbStartTime_->setEnabled(time);
    edComment_->setEnabled(rbFromList_->isChecked());
    for (QWidget* w : rotationControls_)
        w->setEnabled(cbRotation_->isChecked());
    for (QWidget* w : jingleControls_)
        w->setEnabled(cbJingles_->isChecked());
    const bool clockTime = time && cbStartTime_->isChecked();
    cbClock_->setEnabled(clockTime);
    cbAds_->setEnabled(clockTime);
    for (QWidget* w : clockControls_)
        w->setEnabled(clockTime && cbClock_->isChecked());
    for (QWidget* w : adsControls_)
        w->setEnabled(clockTime && cbAds_->isChecked());
}

GeneratorTemplate TLumbraWnd::templateFromControls() const {
    GeneratorTemplate t;
    t.type = rbTime_->isChecked() ? 2 : 1;
    t.trackCount = seTracks_->value();
    t.minuteCount = seMinutes_->value();
    t.startHour = seStartHour_->value();
    t.isStartTime = cbStartTime_->isChecked();
    t.chooseType = rbFromList_->isChecked() ? 2 : 1;
    t.dontRepeat = cbDontRepeat_->isChecked();
    t.noRepeatArtists = cbNoRepeatArtists_->isChecked();
    t.comment = edComment_->text();
    t.isRotation = cbRotation_->isChecked();
    t.rotationType = rbRotList_->isChecked() ? 2 : 1;
    t.rotationEvery = seRotEvery_->value();
    t.rotationList = edRotList_->text();
    t.isJingles = cbJingles_->isChecked();
    t.jingleEvery = seJingleEvery_->value();
    t.jingleList = edJingleList_->text();
    t.isClock = cbClock_->isChecked();
    t.clockList = edClockList_->text();
    t.isAds = cbAds_->isChecked();
    const QString ads = mmAds_->toPlainText();
    t.adLists = ads.isEmpty() ? QStringList() : ads.split(u'\n');
    return t;
}

void TLumbraWnd::setControls(const GeneratorTemplate& t) {
    (t.type == 2 ? rbTime_ : rbCount_)->setChecked(true);
    // Count goes to the field of the selected type; the other one was cleared by the switch.
    if (t.type == 2)
        seMinutes_->setValue(t.minuteCount);
    else
        seTracks_->setValue(t.trackCount);
    seStartHour_->setValue(t.startHour);
    cbStartTime_->setChecked(t.isStartTime);
    (t.chooseType == 2 ? rbFromList_ : rbRandom_)->setChecked(true);
    cbDontRepeat_->setChecked(t.dontRepeat);
    cbNoRepeatArtists_->setChecked(t.noRepeatArtists);
    edComment_->setText(t.comment);
    cbRotation_->setChecked(t.isRotation);
    (t.rotationType == 2 ? rbRotList_ : rbRotRandom_)->setChecked(true);
    seRotEvery_->setValue(t.rotationEvery);
    edRotList_->setText(t.rotationList);
    cbJingles_->setChecked(t.isJingles);
    seJingleEvery_->setValue(t.jingleEvery);
    edJingleList_->setText(t.jingleList);
    cbClock_->setChecked(t.isClock);
    edClockList_->setText(t.clockList);
    cbAds_->setChecked(t.isAds);
    mmAds_->setPlainText(t.adLists.join(u'\n'));
    updateEnabled();
}

GeneratorOptions TLumbraWnd::optionsFromSliders() const {
    GeneratorOptions o;
    o.minTime = sliders_[0]->value();
    o.findTime = sliders_[1]->value();
    o.tryCount = sliders_[2]->value();
    o.findTry = sliders_[3]->value();
    o.cfadeLen = sliders_[4]->value();
    return o;
}

void TLumbraWnd::setSliders(const GeneratorOptions& opts) {
    const GeneratorOptions o = clampedOptions(opts);
    const int values[5] = {o.minTime, o.findTime, o.tryCount, o.findTry, o.cfadeLen};
    for (int i = 0; i < 5; ++i) {
        sliders_[size_t(i)]->setValue(values[i]);
        sliderValues_[size_t(i)]->setText(i == 2 ? tryCountText(values[i])
                                                 : QString::number(values[i]));
    }
}

void TLumbraWnd::resetResultLabels() {
    lbResult_->setText(session_.language().s[2]);
    lbResult_->setStyleSheet(QString());
    lbDeviation_->setText(session_.language().s[2]);
}

void TLumbraWnd::applyLanguage() {
    const GeneratorLanguage& lang = session_.language();
    for (auto it = lang.captions.constBegin(); it != lang.captions.constEnd(); ++it) {
        QWidget* w = it.key().compare(objectName(), Qt::CaseInsensitive) == 0
                         ? this
                         : findChild<QWidget*>(it.key());
        if (!w) continue;
        if (w == this)
            setWindowTitle(generatorWindowTitle(it.value()));
        else if (auto* b = qobject_cast<QAbstractButton*>(w))
            b->setText(it.value());
        else if (auto* l = qobject_cast<QLabel*>(w))
            l->setText(it.value());
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            g->setTitle(it.value());
    }
}

void TLumbraWnd::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (shownOnce_) return;
    shownOnce_ = true;
    if (QFileInfo::exists(defaultTemplatePath())) setControls(LoadPreset(defaultTemplatePath()));
    refreshPresetList();
    setSliders(ReadGeneratorOptions(generatorOptionsPath()));
    applyLanguage();
    QString base = session_.language().s[4];
    base.replace(QLatin1String("%d"), QString::number(session_.poolSize()));
    lbBase_->setText(base);
    resetResultLabels();
    updateEnabled();
}

void TLumbraWnd::closeEvent(QCloseEvent* e) {
    session_.close();
    QString why;
    if (!WriteGeneratorOptions(generatorOptionsPath(), optionsFromSliders(), &why))
        prompts().notify(PromptKind::Error, QStringLiteral("Error"), why);
    endpoint_.reset();
    e->accept();
    QCoreApplication::quit();
}

void TLumbraWnd::generateCommand() {
    const GenerationOutcome r = session_.generate(templateFromControls(), optionsFromSliders());
    // "OK" only when enough tracks were found and the playlist was written.
    lbResult_->setText(r.ok() ? QStringLiteral("OK") : QStringLiteral("error"));
    lbResult_->setStyleSheet(r.ok() ? QStringLiteral("color: green")
                                    : QStringLiteral("color: red"));
    if (rbTime_->isChecked()) lbDeviation_->setText(r.deviationText);
}

void TLumbraWnd::saveToFileCommand(const QString& fileName) {
    QString why;
    if (!session_.saveTo(fileName, &why))
        prompts().notify(PromptKind::Error, QStringLiteral("Error"), why);
}

void TLumbraWnd::showReportCommand() {
    if (!QFileInfo::exists(session_.mainLogPath())) {
        prompts().notify(PromptKind::Information, QStringLiteral("No log..."),
                         QStringLiteral("Log was not generated"));
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(session_.mainLogPath()));
}

void TLumbraWnd::sendToPlayerCommand() {
    session_.sendToPlayer();
}

void TLumbraWnd::refreshPresetList() {
    const QString text = cbPresets_->currentText();
    cbPresets_->clear();
    cbPresets_->addItems(ListPresetNames(presetFolder(), QStringLiteral("prs")));
    cbPresets_->setEditText(text);
}

void TLumbraWnd::choosePreset(const QString& name) {
    const QString file = existingPresetFile(name);
    if (file.isEmpty()) return;
    setControls(LoadPreset(file));
    resetResultLabels();
}

void TLumbraWnd::savePresetCommand() {
    const QString name = presetNameFromText(cbPresets_->currentText());
    if (name.isEmpty()) return;
    QDir().mkpath(presetFolder());
    QString why;
    if (!SavePreset(presetPath(name), templateFromControls(), &why))
        prompts().notify(PromptKind::Error, QStringLiteral("Error"), why);
    refreshPresetList();
    cbPresets_->setEditText(name);
}

void TLumbraWnd::deletePresetCommand() {
    const QString path = existingPresetFile(cbPresets_->currentText());
    if (!path.isEmpty()) QFile::remove(path);
    refreshPresetList();
    cbPresets_->setEditText(QString());
}

void TLumbraWnd::clearTemplateCommand() {
    if (QFileInfo::exists(defaultTemplatePath())) setControls(LoadPreset(defaultTemplatePath()));
    seMinutes_->setValue(1);
    cbPresets_->setEditText(QString());
}

} // namespace wc
