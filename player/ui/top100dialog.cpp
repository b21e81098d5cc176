#include "player/ui/top100dialog.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace wc {

namespace {
constexpr int kPathRole = Qt::UserRole;
}

TfrmTop100::TfrmTop100(const QString& storePath, const Top100Sources& sources, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmTop100"));
    setWindowTitle(QStringLiteral("TOP - 100"));
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("ListView1"));
    list_->setColumnCount(2);
    list_->setHeaderHidden(true);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    list_->header()->setSectionResizeMode(1, QHeaderView::Fixed);
    list_->setColumnWidth(1, 60);
    for (const Top100Row& row : top100Rows(storePath, sources)) {
        auto* item = new QTreeWidgetItem(list_, {row.caption, row.durationText});
        item->setData(0, kPathRole, row.path);
    }
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Button1"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(list_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item, int) { activated(item); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(ok, 0, Qt::AlignRight);
    resize(480, 420);
}

void TfrmTop100::activated(QTreeWidgetItem* item) {
    if (item) emit fileChosen(item->data(0, kPathRole).toString());
}

} // namespace wc
