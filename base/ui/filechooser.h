#pragma once
// The file and folder dialogs of the library window behind one interface, so tests can answer
// them. An empty result means the dialog was cancelled.
#include <QString>
#include <QStringList>

class QWidget;

namespace wc::base {

class FileChooser {
public:
    virtual ~FileChooser() = default;
    virtual QString folder(QWidget* parent, const QString& caption, const QString& start) = 0;
    virtual QStringList openFiles(QWidget* parent, const QString& filter) = 0;
    virtual QString openFile(QWidget* parent, const QString& filter, const QString& start) = 0;
    virtual QString saveFile(QWidget* parent, const QString& filter, const QString& start,
                             const QString& suffix) = 0;
};

class QtFileChooser final : public FileChooser {
public:
    QString folder(QWidget* parent, const QString& caption, const QString& start) override;
    QStringList openFiles(QWidget* parent, const QString& filter) override;
    QString openFile(QWidget* parent, const QString& filter, const QString& start) override;
    QString saveFile(QWidget* parent, const QString& filter, const QString& start,
                     const QString& suffix) override;
};

} // namespace wc::base
