#pragma once
#include <QString>
#include <QStringList>

namespace wc {

// Starts a program detached from this one (it outlives the player), with an argument list
// (never through a shell) and the given working folder. Returns false with *error saying why
// when the program is missing, not executable, or could not start.
bool launchDetached(const QString& program, const QStringList& args, const QString& workDir,
                    QString* error = nullptr);

// The process priority classes of the settings: 0 idle, 1 normal, 2 high, 3 real-time,
// mapped to nice values. Raising priority needs privileges; a refusal is returned as false
// with the reason and the process keeps its priority.
bool setProcessPriorityClass(int priorityClass, QString* error = nullptr);
QString priorityClassName(int priorityClass);

} // namespace wc
