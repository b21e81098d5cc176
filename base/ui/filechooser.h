#pragma once
// The desktop's dialogs of the library window behind one interface, so tests can answer
// them: the file and folder dialogs, the font and colour dialogs, the window's own modal
// windows and the viewer that opens the help file. An empty result means the dialog was
// cancelled.
#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <optional>

class QDialog;
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
    virtual std::optional<QFont> font(QWidget* parent, const QFont& start) = 0;
    virtual std::optional<QColor> colour(QWidget* parent, const QColor& start) = 0;
    // Shows one of the window's modal windows (options, tag editor, statistics) until it is
    // closed; returns its result.
    virtual int exec(QDialog& dialog);
    // Hands a document to the desktop's viewer; false when none took it.
    virtual bool showDocument(const QString& path);
};

class QtFileChooser final : public FileChooser {
public:
    QString folder(QWidget* parent, const QString& caption, const QString& start) override;
    QStringList openFiles(QWidget* parent, const QString& filter) override;
    QString openFile(QWidget* parent, const QString& filter, const QString& start) override;
    QString saveFile(QWidget* parent, const QString& filter, const QString& start,
                     const QString& suffix) override;
    std::optional<QFont> font(QWidget* parent, const QFont& start) override;
    std::optional<QColor> colour(QWidget* parent, const QColor& start) override;
};

} // namespace wc::base
