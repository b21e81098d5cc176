#include "player/ui/windowsize.h"

#include <QWidget>

namespace wc {

void applyFormSize(QWidget* window, const TProfile& profile) {
    const FormSize s = StoredFormSize(profile);
    if (s.maximised) {
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
        return;
    }
    window->setWindowState(window->windowState() & ~Qt::WindowMaximized);
    window->resize(s.width, s.height);
}

void storeFormSize(const QWidget* window, TProfile& profile) {
    StoreFormSize(profile, FormSize{window->width(), window->height(), window->isMaximized()});
}

} // namespace wc
