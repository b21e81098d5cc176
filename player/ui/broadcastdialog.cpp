#include "player/ui/broadcastdialog.h"

#include "common/settings.h"
#include "platform/prompts.h"
#include "player/core/messagetable.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace wc {

namespace {
template <class W> W* named(W* w, const char* name) {
    w->setObjectName(QLatin1String(name));
    return w;
}
} // namespace

BroadcastDialog::BroadcastDialog(TPlayerIni& ini, const PlayerMessageTable& messages,
                                 QWidget* parent)
    : QDialog(parent), ini_(ini), messages_(messages) {
    setObjectName(QStringLiteral("BroadcastDialog"));
    setWindowTitle(QStringLiteral("Broadcast"));
    auto* layout = new QVBoxLayout(this);
    enabled_ = named(new QCheckBox(QStringLiteral("Broadcasting enabled")), "cbEnableBroadcast");
    layout->addWidget(enabled_);
    auto* form = new QFormLayout;
    server_ = named(new QLineEdit, "edServer");
    password_ = named(new QLineEdit, "edPassword");
    password_->setEchoMode(QLineEdit::Password);
    name_ = named(new QLineEdit, "edStreamTitle");
    url_ = named(new QLineEdit, "edStreamUrl");
    genre_ = named(new QLineEdit, "edStreamGenre");
    description_ = named(new QLineEdit, "edStreamDescription");
    form->addRow(QStringLiteral("Server"), server_);
    form->addRow(QString(), new QLabel(QStringLiteral("Shoutcast = address port\n"
                                                      "Icecast = address port/mount")));
    form->addRow(QStringLiteral("Password"), password_);
    form->addRow(QStringLiteral("Name"), name_);
    form->addRow(QStringLiteral("URL"), url_);
    form->addRow(QStringLiteral("Genre"), genre_);
    form->addRow(QStringLiteral("Description"), description_);
    layout->addLayout(form);
    public_ = named(new QCheckBox(QStringLiteral("Public (directory)")), "cbPublic");
    layout->addWidget(public_);

    auto* format = named(new QGroupBox(QStringLiteral("Format")), "rgFormat");
    auto* formatRow = new QHBoxLayout(format);
    mp3_ = named(new QRadioButton(QStringLiteral("MP3")), "rbMP3");
    ogg_ = named(new QRadioButton(QStringLiteral("OGG")), "rbOGG");
    // Exclusive by hand, so that a stored format outside the two can leave both unchecked.
    auto* formats = new QButtonGroup(this);
    formats->setExclusive(false);
    formats->addButton(mp3_);
    formats->addButton(ogg_);
    connect(mp3_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) ogg_->setChecked(false);
    });
    connect(ogg_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) mp3_->setChecked(false);
    });
    formatRow->addWidget(mp3_);
    formatRow->addWidget(ogg_);
    bitrate_ = named(new QComboBox, "cbBitrate");
    bitrate_->addItems(broadcastBitrates());
    formatRow->addWidget(bitrate_);
    formatRow->addWidget(new QLabel(QStringLiteral("kbit/s")));
    layout->addWidget(format);

    autoReconnect_ = named(new QCheckBox(QStringLiteral("Auto-reconnect")), "cbAutoReconnect");
    noSound_ = named(new QCheckBox(QStringLiteral("Use the \"No Sound\" device (computers "
                                                  "without a sound card)")),
                     "cbUseNoSound");
    layout->addWidget(autoReconnect_);
    layout->addWidget(noSound_);
    auto* titles = new QGroupBox(QStringLiteral("Title"));
    auto* titleRow = new QHBoxLayout(titles);
    useTrackTitle_ =
        named(new QRadioButton(QStringLiteral("Use playing track title")), "rbUseTrackTitle");
    useText_ = named(new QRadioButton(QStringLiteral("Use text:")), "rbUseText");
    titleText_ = named(new QLineEdit, "edTitleText");
    titleRow->addWidget(useTrackTitle_);
    titleRow->addWidget(useText_);
    titleRow->addWidget(titleText_);
    layout->addWidget(titles);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &BroadcastDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &BroadcastDialog::reject);
    layout->addWidget(buttons);
    show(broadcastPageFrom(ini_));
}

void BroadcastDialog::show(const BroadcastPage& p) {
    enabled_->setChecked(p.enabled);
    server_->setText(p.server);
    password_->setText(p.password);
    name_->setText(p.name);
    url_->setText(p.url);
    genre_->setText(p.genre);
    description_->setText(p.description);
    public_->setChecked(p.isPublic);
    mp3_->setChecked(p.format == 0);
    ogg_->setChecked(p.format == 1);
    bitrate_->setCurrentIndex(bitrate_->findText(p.bitrateText)); // -1: no selection
    autoReconnect_->setChecked(p.autoReconnect);
    noSound_->setChecked(p.noSound);
    useTrackTitle_->setChecked(p.titleType == 0);
    useText_->setChecked(p.titleType == 1);
    titleText_->setText(p.titleText);
}

BroadcastPage BroadcastDialog::page() const {
    BroadcastPage p;
    p.enabled = enabled_->isChecked();
    p.server = server_->text();
    p.password = password_->text();
    p.name = name_->text();
    p.url = url_->text();
    p.genre = genre_->text();
    p.description = description_->text();
    p.isPublic = public_->isChecked();
    p.format = mp3_->isChecked() ? 0 : ogg_->isChecked() ? 1 : -1;
    p.bitrateText = bitrate_->currentIndex() >= 0 ? bitrate_->currentText() : QString();
    p.autoReconnect = autoReconnect_->isChecked();
    p.noSound = noSound_->isChecked();
    p.titleType = useText_->isChecked() ? 1 : 0;
    p.titleText = titleText_->text();
    return p;
}

void BroadcastDialog::accept() {
    const bool restart = applyBroadcastPage(page(), ini_);
    QString error;
    if (!WritePlayerIni(ini_, playerIniPath(), &error))
        prompts().notify(PromptKind::Error, QStringLiteral("Error"), error);
    if (restart)
        prompts().notify(PromptKind::Warning, QStringLiteral("Wavecrest"),
                         messages_.text(PlayerMessageTable::RestartNeeded));
    QDialog::accept();
}

} // namespace wc
