#include "tageditdialog.h"

#include "base/core/baselanguage.h"
#include "base/ui/captions.h"

#include "base/core/building.h"
#include "common/oledate.h"
#include "platform/prompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace wc::base {

namespace {

QDoubleSpinBox* secondsBox(QWidget* parent, const char* name) {
    auto* s = new QDoubleSpinBox(parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setDecimals(1);
    s->setSingleStep(0.1);
    s->setRange(0, 100000);
    return s;
}

qint32 toMs(const QDoubleSpinBox* s) {
    return qint32(s->value() * 1000.0);
}

} // namespace

TagEditDialog::TagEditDialog(LibraryModel& model, std::vector<int> positions, bool keepGenre,
                             QWidget* parent)
    : QDialog(parent), model_(model), positions_(std::move(positions)),
      single_(positions_.size() == 1) {
    setObjectName(QStringLiteral("TTagEdit"));
    setWindowTitle(QStringLiteral("Tag editor"));
    auto* lay = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    auto line = [&](const char* name, const QString& caption, bool* changed, int max) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setMaxLength(max);
        connect(e, &QLineEdit::textEdited, this, [changed] { *changed = true; });
        form->addRow(caption, e);
        return e;
    };
    edTitle_ = line("edTitle", QStringLiteral("Title"), &titleChanged_, 30);
    edArtist_ = line("edArtist", QStringLiteral("Artist"), &artistChanged_, 30);
    edAlbum_ = line("edAlbum", QStringLiteral("Album"), &albumChanged_, 30);
    edYear_ = line("edYear", QStringLiteral("Year"), &yearChanged_, 4);
    edComment_ = line("edComment", QStringLiteral("Comment"), &commentChanged_, 30);
    cbGenre_ = new QComboBox(this);
    cbGenre_->setObjectName(QStringLiteral("cbGenre"));
    cbGenre_->addItem(QStringLiteral("<none>"));
    cbGenre_->addItems(genreNames());
    connect(cbGenre_, &QComboBox::activated, this, [this] { genreChanged_ = true; });
    form->addRow(QStringLiteral("Genre"), cbGenre_);
    cbKeepGenre_ = new QCheckBox(QStringLiteral("Не изменять"), this);
    cbKeepGenre_->setObjectName(QStringLiteral("cbNoChangeGenre"));
    cbKeepGenre_->setChecked(keepGenre);
    form->addRow(QString(), cbKeepGenre_);
    cbId3v1_ = new QCheckBox(QStringLiteral("ID3v1 Tag"), this);
    cbId3v1_->setObjectName(QStringLiteral("cbId3v1"));
    cbId3v1_->setChecked(true);
    form->addRow(QString(), cbId3v1_);
    auto* autoButton = new QPushButton(QStringLiteral("Auto (from filename)"), this);
    autoButton->setObjectName(QStringLiteral("btAuto"));
    connect(autoButton, &QPushButton::clicked, this, [this] { pressAuto(); });
    form->addRow(QString(), autoButton);

    sbIntro_ = secondsBox(this, "seIntro");
    sbOutro_ = secondsBox(this, "seOutro");
    form->addRow(QStringLiteral("Intro"), sbIntro_);
    form->addRow(QStringLiteral("Outro"), sbOutro_);
    auto flagged = [&](const char* cbName, const QString& caption, const char* sbName,
                       QCheckBox** cb, QDoubleSpinBox** sb) {
        *cb = new QCheckBox(caption, this);
        (*cb)->setObjectName(QString::fromLatin1(cbName));
        *sb = secondsBox(this, sbName);
        form->addRow(*cb, *sb);
    };
    flagged("cbFadeIn", QStringLiteral("Точка автоподъема"), "seFadeIn", &cbFadeIn_, &sbFadeIn_);
    flagged("cbMix", QStringLiteral("Точка микширования"), "seMix", &cbMix_, &sbMix_);
    flagged("cbFadeOut", QStringLiteral("Точка автозатухания"), "seFadeOut", &cbFadeOut_,
            &sbFadeOut_);
    edPlayCount_ = new QLineEdit(this);
    edPlayCount_->setObjectName(QStringLiteral("edPlayCount"));
    edBpm_ = new QLineEdit(this);
    edBpm_->setObjectName(QStringLiteral("edBpm"));
    lbLastPlay_ = new QLabel(this);
    lbLastPlay_->setObjectName(QStringLiteral("lbLastPlay"));
    form->addRow(QStringLiteral("Play count"), edPlayCount_);
    form->addRow(QStringLiteral("BPM"), edBpm_);
    form->addRow(QStringLiteral("Last play"), lbLastPlay_);
    lay->addLayout(form);
    auto* file = new QLabel(this);
    file->setObjectName(QStringLiteral("lbFileName"));
    lay->addWidget(file);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TagEditDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TagEditDialog::reject);
    lay->addWidget(buttons);

    clearTag(start_);
    if (single_ && !positions_.empty()) {
        const TBaseEntry& r = model_.record(positions_[0]);
        start_ = editorStartTag(r);
        file->setText(QFontMetrics(file->font()).elidedText(r.fileName, Qt::ElideMiddle, 400));
        file->setToolTip(r.fileName);
        opened_ = storeValuesOf(trackStore().GetTrackRecord(r.fileName));
        sbIntro_->setValue(opened_.introMs / 1000.0);
        sbOutro_->setValue(opened_.outroMs / 1000.0);
        cbFadeIn_->setChecked(opened_.fadeInOn);
        sbFadeIn_->setValue(opened_.fadeInMs / 1000.0);
        cbMix_->setChecked(opened_.mixOn);
        sbMix_->setValue(opened_.mixMs / 1000.0);
        cbFadeOut_->setChecked(opened_.fadeOutOn);
        sbFadeOut_->setValue(opened_.fadeOutMs / 1000.0);
        edPlayCount_->setText(QString::number(opened_.playCount));
        edBpm_->setText(QString::number(opened_.bpm));
        lbLastPlay_->setText(
            opened_.lastPlay == 0
                ? QStringLiteral("---")
                : fromOleDate(opened_.lastPlay).toString(QStringLiteral("dd.MM.yyyy hh:mm:ss")));
    }
    for (QWidget* w :
         std::initializer_list<QWidget*>{sbIntro_, sbOutro_, cbFadeIn_, sbFadeIn_, cbMix_, sbMix_,
                                         cbFadeOut_, sbFadeOut_, edPlayCount_, edBpm_})
        w->setEnabled(single_);
    edTitle_->setText(tagText(start_, TagField::Title));
    edArtist_->setText(tagText(start_, TagField::Artist));
    edAlbum_->setText(tagText(start_, TagField::Album));
    edYear_->setText(tagText(start_, TagField::Year));
    edComment_->setText(tagText(start_, TagField::Comment));
    applyCaptions(this, baseLanguage().captions.value(QStringLiteral("TagEdit.Captions")));
    const int g = genreListIndex(tagText(start_, TagField::Genre));
    cbGenre_->setCurrentIndex(single_ ? g : 0);
}

bool TagEditDialog::keepGenreChecked() const {
    return cbKeepGenre_->isChecked();
}

void TagEditDialog::pressAuto() {
    if (positions_.empty()) return;
    if (single_) {
        TBaseEntry parsed;
        ParseFileName(model_.record(positions_[0]).fileName, parsed);
        edArtist_->setText(parsed.artist.left(30));
        edTitle_->setText(parsed.title.left(30));
        artistChanged_ = titleChanged_ = true;
        return;
    }
    // Several files: each file takes its own name, whatever the fields show.
    autoPressed_ = true;
    artistChanged_ = titleChanged_ = false;
    edArtist_->clear();
    edTitle_->clear();
    edArtist_->setPlaceholderText(QStringLiteral("(from each file name)"));
    edTitle_->setPlaceholderText(QStringLiteral("(from each file name)"));
}

TagChanges TagEditDialog::changes() const {
    TagChanges c;
    if (titleChanged_) c.title = edTitle_->text();
    if (artistChanged_) c.artist = edArtist_->text();
    if (albumChanged_) c.album = edAlbum_->text();
    if (yearChanged_) c.year = edYear_->text();
    if (commentChanged_) c.comment = edComment_->text();
    if (genreChanged_) {
        const int i = cbGenre_->currentIndex();
        c.genreText = i <= 0 ? QString() : cbGenre_->currentText();
        c.genreByte = i < 0 ? kGenreNoChoice : i == 0 ? kGenreNone : uint8_t(i - 1);
    }
    c.keepGenre = cbKeepGenre_->isChecked();
    c.autoFromFileName = autoPressed_;
    c.removeId3v1 = !cbId3v1_->isChecked();
    return c;
}

StoreValues TagEditDialog::editedStore() const {
    StoreValues v = opened_;
    v.introMs = toMs(sbIntro_);
    v.outroMs = toMs(sbOutro_);
    v.fadeInOn = cbFadeIn_->isChecked();
    v.fadeInMs = toMs(sbFadeIn_);
    v.mixOn = cbMix_->isChecked();
    v.mixMs = toMs(sbMix_);
    v.fadeOutOn = cbFadeOut_->isChecked();
    v.fadeOutMs = toMs(sbFadeOut_);
    bool ok = false;
    const int plays = edPlayCount_->text().toInt(&ok);
    if (ok) v.playCount = plays; // not a number: the old value stays
    const int bpm = edBpm_->text().toInt(&ok);
    if (ok) v.bpm = bpm;
    // Unchanged spin boxes keep the stored milliseconds (the box holds tenths of a second).
    auto keep = [](qint32 before, qint32 now) { return before / 100 == now / 100 ? before : now; };
    v.introMs = keep(opened_.introMs, v.introMs);
    v.outroMs = keep(opened_.outroMs, v.outroMs);
    v.fadeInMs = keep(opened_.fadeInMs, v.fadeInMs);
    v.mixMs = keep(opened_.mixMs, v.mixMs);
    v.fadeOutMs = keep(opened_.fadeOutMs, v.fadeOutMs);
    return v;
}

void TagEditDialog::accept() {
    const TagChanges c = changes();
    result_ = applyTagChanges(model_, positions_, c);
    if (!c.empty() || result_.written > 0) model_.setModified();
    if (!result_.failures.isEmpty())
        prompts().notify(PromptKind::Error, QStringLiteral("Error"),
                         QStringLiteral("%1 files could not be written:\n%2")
                             .arg(result_.failures.size())
                             .arg(result_.failures.mid(0, 10).join('\n')));
    if (single_ && !positions_.empty())
        writeChangedStoreValues(trackStore(), model_.record(positions_[0]).fileName, opened_,
                                editedStore());
    QDialog::accept();
}

} // namespace wc::base
