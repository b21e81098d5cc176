#include "filechooser.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QUrl>

namespace wc::base {

int FileChooser::exec(QDialog& dialog) {
    return dialog.exec();
}

bool FileChooser::showDocument(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

std::optional<QFont> QtFileChooser::font(QWidget* parent, const QFont& start) {
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, start, parent);
    return ok ? std::optional<QFont>(f) : std::nullopt;
}

std::optional<QColor> QtFileChooser::colour(QWidget* parent, const QColor& start) {
    const QColor c = QColorDialog::getColor(start, parent);
    return c.isValid() ? std::optional<QColor>(c) : std::nullopt;
}

QString QtFileChooser::folder(QWidget* parent, const QString& caption, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, caption, start);
}

QStringList QtFileChooser::openFiles(QWidget* parent, const QString& filter) {
    return QFileDialog::getOpenFileNames(parent, QString(), QString(), filter);
}

QString QtFileChooser::openFile(QWidget* parent, const QString& filter, const QString& start) {
    return QFileDialog::getOpenFileName(parent, QString(), start, filter);
}

QString QtFileChooser::saveFile(QWidget* parent, const QString& filter, const QString& start,
                                const QString& suffix) {
    QFileDialog d(parent, QString(), start, filter);
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setDefaultSuffix(suffix);
    if (!start.isEmpty()) d.selectFile(start);
    return d.exec() == QDialog::Accepted && !d.selectedFiles().isEmpty() ? d.selectedFiles()[0]
                                                                         : QString();
}

} // namespace wc::base
