#include "errorlog.h"

#include "base/core/librarymodel.h"
#include "common/log.h"
#include "common/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace wc::base {

QString errorLogPath() {
    return inProgramDir(QStringLiteral("Report/Error_base.txt"));
}

void ErrorLog(const QString& operation, const QString& message, const LibraryModel* model) {
    logLine(QStringLiteral("Error in %1: %2").arg(operation, message));
    const QString path = errorLogPath();
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) return;
    const QByteArray rule(49, '=');
    QByteArray text = rule + "\r\n";
    text += "Exception \"" + message.toUtf8() + "\" in function \"" + operation.toUtf8() +
            "\"\r\n" + rule + "\r\n";
    if (model) {
        const QByteArray shown = QByteArray::number(qulonglong(model->view().size()));
        text += "List.Count = " + shown + "\r\n";
        text += "List2.Count = " + QByteArray::number(model->count()) + "\r\n";
        text += "Indexes.Count = " + (model->searchShown() ? shown : QByteArray("0")) + "\r\n";
        text += "ListView1.Items.Count = " + shown + "\r\n";
        text += "BFName = " + model->libraryName().toUtf8() + "\r\n";
    }
    text += "\r\n";
    f.write(text);
}

} // namespace wc::base
