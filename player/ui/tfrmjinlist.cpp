#include "player/ui/tfrmjinlist.h"

#include "platform/prompts.h"
#include "player/core/edit/commandstates.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSlider>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace wc {

namespace {
constexpr int kPathColumn = 2;
} // namespace

QString TfrmJinList::openFilter() {
    return QStringLiteral("Jingles list (*.lst)|*.lst|") + addFileFilter();
}

TfrmJinList::TfrmJinList(QWidget* parent, const JingleListPaths& paths, int jvol, Hooks hooks)
    : QDialog(parent), hooks_(std::move(hooks)) {
    setObjectName(QStringLiteral("TfrmJinList"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8("Джинглы"));
    auto* layout = new QVBoxLayout(this);
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("JinList"));
    list_->setColumnCount(3);
    list_->setHeaderLabels({QStringLiteral("N"), QString::fromUtf8("Файл"), QString()});
    list_->setRootIsDecorated(false);
    list_->hideColumn(kPathColumn);
    for (int n = 1; n <= 9; ++n)
        list_->addTopLevelItem(new QTreeWidgetItem(list_, {QString::number(n), {}, {}}));
    layout->addWidget(list_, 1);
    auto* buttons = new QHBoxLayout;
    auto button = [&](const char* name, const QString& caption, auto fn) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, fn);
        buttons->addWidget(b);
        return b;
    };
    choose_ = button("btChoose", QString::fromUtf8("Выбрать..."), [this] { choose(); });
    delete_ = button("btDelete", QString::fromUtf8("Удалить"), [this] {
        if (QTreeWidgetItem* it = list_->currentItem()) {
            it->setText(1, {});
            it->setText(kPathColumn, {});
        }
    });
    listen_ = button("btListen", QString::fromUtf8("Прослушать"), [this] {
        if (QTreeWidgetItem* it = list_->currentItem(); it && hooks_.listen)
            hooks_.listen(it->text(kPathColumn));
    });
    button("btLoad", QString::fromUtf8("Загрузить..."), [this] { load(); });
    button("btSave", QString::fromUtf8("Сохранить..."), [this] { save(); });
    layout->addLayout(buttons);
    level_ = new QSlider(Qt::Horizontal, this);
    level_->setObjectName(QStringLiteral("JVol"));
    level_->setRange(0, 100);
    level_->setValue(jvol);
    connect(level_, &QSlider::valueChanged, this, [this](int v) {
        if (hooks_.musicLevel) hooks_.musicLevel(v);
    });
    layout->addWidget(level_);
    auto* closing = new QHBoxLayout;
    closing->addStretch();
    auto* ok = new QPushButton(QString::fromUtf8("ОК"), this);
    ok->setObjectName(QStringLiteral("btOK"));
    auto* cancel = new QPushButton(QString::fromUtf8("Отмена"), this);
    cancel->setObjectName(QStringLiteral("btCancel"));
    closing->addWidget(ok);
    closing->addWidget(cancel);
    layout->addLayout(closing);
    connect(ok, &QPushButton::clicked, this, [this] {
        if (hooks_.accept) hooks_.accept(rows());
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // The row-bound buttons follow the selection at once.
    connect(list_, &QTreeWidget::currentItemChanged, this, [this] { updateButtons(); });
    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] { updateButtons(); });
    setRows(paths);
    updateButtons();
    resize(520, 360);
}

JingleListPaths TfrmJinList::rows() const {
    JingleListPaths out;
    for (int i = 0; i < 9; ++i)
        out[std::size_t(i)] = list_->topLevelItem(i)->text(kPathColumn);
    return out;
}

void TfrmJinList::setRows(const JingleListPaths& paths) {
    for (int i = 0; i < 9; ++i) {
        QTreeWidgetItem* it = list_->topLevelItem(i);
        it->setText(1, QFileInfo(paths[std::size_t(i)]).fileName());
        it->setText(kPathColumn, paths[std::size_t(i)]);
    }
}

void TfrmJinList::updateButtons() {
    const bool row = list_->currentItem() != nullptr && list_->currentItem()->isSelected();
    for (QPushButton* b : {choose_, delete_, listen_})
        b->setEnabled(row);
}

void TfrmJinList::choose() {
    QTreeWidgetItem* it = list_->currentItem();
    if (!it || !hooks_.openFile) return;
    // Audio files preselected (the second entry of the filter).
    const QString f = hooks_.openFile(this, openFilter(), 1);
    if (f.isEmpty()) return;
    it->setText(1, QFileInfo(f).fileName());
    it->setText(kPathColumn, f);
    const int row = list_->indexOfTopLevelItem(it);
    if (row < 8) {
        list_->setCurrentItem(list_->topLevelItem(row + 1));
        list_->topLevelItem(row + 1)->setSelected(true);
    }
}

void TfrmJinList::load() {
    if (!hooks_.openFile) return;
    const QString f = hooks_.openFile(this, openFilter(), 0);
    if (f.isEmpty()) return;
    JingleListPaths paths;
    if (!readJingleListFile(f, &paths)) {
        prompts().notify(PromptKind::Error, QStringLiteral("Error"),
                         QStringLiteral("Cannot read \"%1\"").arg(f));
        return;
    }
    setRows(paths);
}

void TfrmJinList::save() {
    if (!hooks_.saveFile) return;
    QString f = hooks_.saveFile(this, QStringLiteral("Jingles list (*.lst)|*.lst"));
    if (f.isEmpty()) return;
    if (QFileInfo(f).suffix().isEmpty()) f += QStringLiteral(".lst");
    QString error;
    if (!writeJingleListFile(f, rows(), &error))
        prompts().notify(PromptKind::Error, QStringLiteral("Error"), error);
}

} // namespace wc
