#include "filechooser.h"

#include <QFileDialog>

namespace wc::base {

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
