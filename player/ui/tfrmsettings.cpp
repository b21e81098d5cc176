#include "player/ui/tfrmsettings.h"

#include "platform/prompts.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace wc {

namespace {
constexpr int kPageRole = Qt::UserRole;
}

TfrmSettings::TfrmSettings(TProfile& profile, TPlayerIni& playerIni, const QString& presetFile,
                           PreferencesPage page, QWidget* parent)
    : QDialog(parent), profile_(profile), playerIni_(playerIni), encoder_(presetFile) {
    setObjectName(QStringLiteral("TfrmSettings"));
    setWindowTitle(QStringLiteral("Preferences"));
    askFolder = [this](const QString& current) {
        return QFileDialog::getExistingDirectory(this, QString(), current);
    };

    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("TreeView1"));
    tree_->setHeaderHidden(true);
    tree_->setMaximumWidth(180);
    frame_ = new QGroupBox(this);
    frame_->setObjectName(QStringLiteral("PageFrame"));
    pages_ = new QStackedWidget(frame_);
    auto* frameLayout = new QVBoxLayout(frame_);
    frameLayout->addWidget(pages_);
    for (PreferencesPage p : builtPreferencesPages()) {
        auto* node = new QTreeWidgetItem(tree_, {preferencesPageCaption(p)});
        node->setData(0, kPageRole, int(p));
        QWidget* w = p == PreferencesPage::Encoder   ? buildEncoderPage()
                     : p == PreferencesPage::General ? buildGeneralPage()
                                                     : new QWidget;
        pages_->addWidget(w);
    }
    tree_->expandAll();
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* node) {
        if (!node) return;
        pages_->setCurrentIndex(tree_->indexOfTopLevelItem(node));
        frame_->setTitle(node->text(0));
    });

    auto* ok = new QPushButton(QString::fromUtf8("ОК"), this);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QString::fromUtf8("Отмена"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    auto* help = new QPushButton(QStringLiteral("?"), this);
    help->setObjectName(QStringLiteral("btnHelp"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] {
        if (showHelp) showHelp(currentPage());
    });

    auto* body = new QHBoxLayout;
    body->addWidget(tree_);
    body->addWidget(frame_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(help);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);

    general_.fill(profile_, playerIni_);
    showGeneral();
    encoder_.fill(profile_);
    showEncoder();
    showPage(page);
}

QWidget* TfrmSettings::buildGeneralPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("GeneralPage"));
    report_ = new QCheckBox(QString::fromUtf8("Создавать файл отчета"), page);
    report_->setObjectName(QStringLiteral("cbReport"));
    trackNumber_ = new QCheckBox(QString::fromUtf8("Сохранять номер трека в отчете"), page);
    trackNumber_->setObjectName(QStringLiteral("cbTrackNumberInReport"));
    // The track number belongs to the report: offered only while the report is made.
    connect(report_, &QCheckBox::toggled, trackNumber_, &QWidget::setEnabled);
    export_ = new QCheckBox(QStringLiteral("Save playing track title to file"), page);
    export_->setObjectName(QStringLiteral("cbEnableExport"));
    exportFile_ = new QLineEdit(page);
    exportFile_->setObjectName(QStringLiteral("edExportFileName"));
    auto* format = new QGroupBox(QStringLiteral("Format"), page);
    format->setObjectName(QStringLiteral("rgExportFormat"));
    auto* formatRow = new QHBoxLayout(format);
    const char* const names[3] = {"XML", "TXT", "JSON"};
    for (int i = 0; i < 3; ++i) {
        formats_[i] = new QRadioButton(QLatin1String(names[i]), format);
        formats_[i]->setObjectName(QStringLiteral("rbExport") + QLatin1String(names[i]));
        formatRow->addWidget(formats_[i]);
    }
    formatRow->addStretch();

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(report_);
    layout->addWidget(trackNumber_);
    layout->addSpacing(12);
    layout->addWidget(export_);
    layout->addWidget(exportFile_);
    layout->addWidget(format);
    layout->addStretch();
    return page;
}

void TfrmSettings::showGeneral() {
    report_->setChecked(general_.report);
    trackNumber_->setChecked(general_.showTrackNumber);
    trackNumber_->setEnabled(general_.trackNumberEnabled());
    export_->setChecked(general_.enableExport);
    exportFile_->setText(general_.exportFileName);
    formats_[general_.exportFormat]->setChecked(true);
}

void TfrmSettings::takeGeneral() {
    general_.report = report_->isChecked();
    general_.showTrackNumber = trackNumber_->isChecked();
    general_.enableExport = export_->isChecked();
    general_.exportFileName = exportFile_->text();
    for (int i = 0; i < 3; ++i)
        if (formats_[i]->isChecked()) general_.exportFormat = i;
}

QWidget* TfrmSettings::buildEncoderPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("EncoderPage"));
    outDir_ = new QLineEdit(page);
    outDir_->setObjectName(QStringLiteral("edEncOutDir"));
    auto* browse = new QPushButton(QStringLiteral("..."), page);
    browse->setObjectName(QStringLiteral("btnEncOutDir"));
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString folder = askFolder ? askFolder(outDir_->text()) : QString();
        if (!folder.isEmpty()) outDir_->setText(folder);
    });
    presets_ = new QListWidget(page);
    presets_->setObjectName(QStringLiteral("lbEncPresets"));
    // Choosing a preset (again) fills the fields from it.
    auto choose = [this](int row) {
        if (row < 0) return;
        takeEncoder();
        encoder_.choose(row);
        showEncoder();
    };
    connect(presets_, &QListWidget::currentRowChanged, this, choose);
    connect(presets_, &QListWidget::itemClicked, this,
            [this, choose](QListWidgetItem* item) { choose(presets_->row(item)); });
    // The fields take any length: the profile keeps them whole, a preset record cuts them to
    // its fields' sizes.
    name_ = new QLineEdit(page);
    name_->setObjectName(QStringLiteral("edEncName"));
    command_ = new QLineEdit(page);
    command_->setObjectName(QStringLiteral("edEncCommand"));
    ext_ = new QLineEdit(page);
    ext_->setObjectName(QStringLiteral("edEncExt"));
    add_ = new QPushButton(QStringLiteral("Add"), page);
    add_->setObjectName(QStringLiteral("btnEncAdd"));
    save_ = new QPushButton(QStringLiteral("Save"), page);
    save_->setObjectName(QStringLiteral("btnEncSave"));
    del_ = new QPushButton(QStringLiteral("Del"), page);
    del_->setObjectName(QStringLiteral("btnEncDel"));
    for (auto [button, fn] :
         {std::pair{add_, &EncoderPage::add}, std::pair{save_, &EncoderPage::save},
          std::pair{del_, &EncoderPage::remove}}) {
        connect(button, &QPushButton::clicked, this, [this, fn = fn] {
            takeEncoder();
            (encoder_.*fn)();
            showEncoder();
        });
    }
    showParam_ =
        new QCheckBox(QStringLiteral("Show encoder parameters window before encoding"), page);
    showParam_->setObjectName(QStringLiteral("cbEncShowParam"));

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(outDir_, 1);
    folderRow->addWidget(browse);
    auto* presetButtons = new QHBoxLayout;
    presetButtons->addWidget(add_);
    presetButtons->addWidget(save_);
    presetButtons->addWidget(del_);
    presetButtons->addStretch();
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Name:"), name_);
    fields->addRow(QStringLiteral("Command line:"), command_);
    fields->addRow(QStringLiteral("Extension:"), ext_);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(QStringLiteral("Output folder:"), page));
    layout->addLayout(folderRow);
    layout->addWidget(presets_, 1);
    layout->addLayout(fields);
    layout->addLayout(presetButtons);
    layout->addWidget(showParam_);
    return page;
}

void TfrmSettings::showEncoder() {
    outDir_->setText(encoder_.outDir);
    name_->setText(encoder_.name);
    command_->setText(encoder_.command);
    ext_->setText(encoder_.ext);
    showParam_->setChecked(encoder_.showParam);
    {
        const QSignalBlocker block(presets_);
        presets_->clear();
        for (const TEncoderPreset& p : encoder_.presets())
            presets_->addItem(p.name);
        presets_->setCurrentRow(encoder_.chosen());
    }
    // Presets that could not be read are not offered for changing: they would not be saved.
    const bool loaded = encoder_.presetsLoaded();
    add_->setEnabled(loaded);
    save_->setEnabled(loaded && encoder_.chosen() >= 0);
    del_->setEnabled(loaded && encoder_.chosen() >= 0);
}

void TfrmSettings::takeEncoder() {
    encoder_.outDir = outDir_->text();
    encoder_.name = name_->text();
    encoder_.command = command_->text();
    encoder_.ext = ext_->text();
    encoder_.showParam = showParam_->isChecked();
}

PreferencesPage TfrmSettings::currentPage() const {
    QTreeWidgetItem* node = tree_->currentItem();
    return node ? PreferencesPage(node->data(0, kPageRole).toInt())
                : builtPreferencesPages().front();
}

void TfrmSettings::showPage(PreferencesPage page) {
    const PreferencesPage shown = preferencesStartPage(page);
    for (int i = 0; i < tree_->topLevelItemCount(); ++i)
        if (tree_->topLevelItem(i)->data(0, kPageRole).toInt() == int(shown))
            tree_->setCurrentItem(tree_->topLevelItem(i));
}

void TfrmSettings::accept() {
    takeGeneral();
    general_.apply(profile_, playerIni_);
    takeEncoder();
    encoder_.apply(profile_);
    QString error;
    if (!encoder_.savePresets(&error))
        prompts().notify(PromptKind::Error, QStringLiteral("Error"), error);
    if (!WritePlayerIni(playerIni_, playerIniPath(), &error))
        prompts().notify(PromptKind::Error, QStringLiteral("Error"), error);
    QDialog::accept();
}

} // namespace wc
