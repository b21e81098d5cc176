#include "unattended.h"

#include "base/core/baseoptions.h"
#include "base/core/building.h"

#include <QFileInfo>

namespace wc::base {

bool isUnattendedCommandLine(const QStringList& args) {
    return !args.isEmpty() &&
           (args[0] == QLatin1String("--scan") || args[0] == QLatin1String("--check"));
}

namespace {

// Prints the progress line when the percentage or the phase changes.
class ProgressPrinter {
public:
    explicit ProgressPrinter(QTextStream& err) : err_(err) {}
    void operator()(const Job& job) {
        const QString op = job.operation();
        const int pc = job.percent();
        if (op == lastOp_ && pc == lastPc_) return;
        lastOp_ = op;
        lastPc_ = pc;
        err_ << op << ' ' << pc << "%\n";
        err_.flush();
    }

private:
    QTextStream& err_;
    QString lastOp_;
    int lastPc_ = -1;
};

int usage(QTextStream& err) {
    err << "Usage: base --scan <folder>... --output <library.dfs>\n"
           "       base --check <library.dfs>\n";
    err.flush();
    return 2;
}

int runScan(const QStringList& args, QTextStream& err, FileDurationMs& probe) {
    QStringList folders;
    QString output;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--output")) {
            if (i + 1 >= args.size() || !output.isEmpty()) return usage(err);
            output = args[++i];
        } else {
            folders << QFileInfo(args[i]).absoluteFilePath();
        }
    }
    if (folders.isEmpty() || output.isEmpty()) return usage(err);
    for (const QString& f : folders)
        if (!QFileInfo(f).isDir()) {
            err << "Not a folder: " << f << '\n';
            err.flush();
            return 2;
        }
    const BaseOptions options = readBaseOptions(IniFile(baseIniPath()));
    LibraryModel model;
    QString why;
    if (!model.load(output, &why)) {
        err << "Cannot read the library " << output << ": " << why << '\n';
        err.flush();
        return 3;
    }
    const int before = model.count();
    ProgressPrinter progress(err);
    AddJob add(model, folders, {}, AddOptions{options.noEmpty, options.parseFileName});
    JobRunner::runToEnd(add, std::ref(progress));
    std::vector<int> added;
    for (int i = before; i < model.count(); ++i)
        added.push_back(i);
    LengthWorkers workers(probe, LengthWorkers::defaultThreads());
    CountJob count(model, added, true, probe, &workers);
    JobRunner::runToEnd(count, std::ref(progress));
    if (!add.summary().isEmpty()) err << add.summary() << '\n';
    if (!model.save(output, &why)) {
        err << "Cannot save the library " << output << ": " << why << '\n';
        err.flush();
        return 3;
    }
    err << "Added " << add.added() << " files; the library holds " << model.count()
        << " records.\n";
    err.flush();
    return 0;
}

int runCheck(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.size() != 2) return usage(err);
    const QString file = args[1];
    if (!QFileInfo(file).isFile()) {
        err << "No library " << file << '\n';
        err.flush();
        return 3;
    }
    LibraryModel model;
    QString why;
    if (!model.load(file, &why)) {
        err << "Cannot read the library " << file << ": " << why << '\n';
        err.flush();
        return 3;
    }
    ProgressPrinter progress(err);
    CheckJob check(model);
    JobRunner::runToEnd(check, std::ref(progress));
    for (int pos : check.missing())
        out << model.record(pos).fileName << '\n';
    out.flush();
    err << check.missing().size() << " of " << check.total() << " files are missing";
    if (check.unknown() > 0) err << "; " << check.unknown() << " could not be checked";
    err << ".\n";
    err.flush();
    return check.missing().empty() ? 0 : 1;
}

} // namespace

int runUnattended(const QStringList& args, QTextStream& out, QTextStream& err,
                  FileDurationMs& probe) {
    if (args.value(0) == QLatin1String("--scan")) return runScan(args, err, probe);
    if (args.value(0) == QLatin1String("--check")) return runCheck(args, out, err);
    return usage(err);
}

} // namespace wc::base
