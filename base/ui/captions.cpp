#include "captions.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QWidget>

namespace wc::base {

void applyCaptions(QWidget* window, const QHash<QString, QString>& captions) {
    for (auto it = captions.constBegin(); it != captions.constEnd(); ++it) {
        if (it.key().compare(window->objectName(), Qt::CaseInsensitive) == 0) {
            window->setWindowTitle(it.value());
            continue;
        }
        if (auto* a = window->findChild<QAction*>(it.key())) {
            a->setText(it.value());
            continue;
        }
        QWidget* w = window->findChild<QWidget*>(it.key());
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            b->setText(it.value());
        else if (auto* l = qobject_cast<QLabel*>(w))
            l->setText(it.value());
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            g->setTitle(it.value());
    }
}

} // namespace wc::base
