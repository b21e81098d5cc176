#include "playerlink.h"

#include "base/core/building.h"
#include "common/atomicfile.h"
#include "common/messages.h"
#include "common/playlistfile/m3u.h"

#include <QDir>
#include <QFileInfo>

namespace wc::base {

qint64 loadQueueParam(const SendTarget& target) {
    const qint64 list = target.toMain ? 1 : 2;
    const qint64 pos = target.position >= 1 && target.position <= 3 ? target.position : 1;
    return list | (pos << 16);
}

bool isPlayerWindow(WindowHandle h, int timeoutMs) {
    if (h <= 0 || !isWindow(h)) return false;
    const auto answer = sendMessage(h, MSG_PING, 0, 0, timeoutMs);
    return answer && *answer == kPlayerPingAnswer;
}

WindowHandle findPlayer(WindowHandle known, int timeoutMs, bool* sawSilent) {
    if (sawSilent) *sawSilent = false;
    auto check = [&](WindowHandle h) {
        if (h <= 0 || !isWindow(h)) return false;
        const auto answer = sendMessage(h, MSG_PING, 0, 0, timeoutMs);
        if (!answer && sawSilent) *sawSilent = true;
        return answer && *answer == kPlayerPingAnswer;
    };
    if (check(known)) return known;
    for (const WindowInfo& w : listWindows())
        if (w.handle != known &&
            w.className.compare(QLatin1String("TForm1"), Qt::CaseInsensitive) == 0 &&
            check(w.handle))
            return w.handle;
    return 0;
}

SendResult sendToPlayer(const LibraryModel& model, const std::vector<int>& positions,
                        const QString& programDir, WindowHandle known, const SendTarget& target,
                        int pingTimeoutMs, int loadTimeoutMs) {
    SendResult r{SendOutcome::Sent, 0, {}, {}};
    const QString file = handOverPath(programDir, HandOver::DbTemp);
    QDir().mkpath(QFileInfo(file).path());
    QString why;
    if (!writeFileAtomically(file, formatLibraryM3u(model, positions, &r.skipped), &why)) {
        r.outcome = SendOutcome::WriteFailed;
        r.message = QStringLiteral("Cannot write %1: %2").arg(file, why);
        return r;
    }
    bool silent = false;
    r.player = findPlayer(known, pingTimeoutMs, &silent);
    if (r.player == 0) {
        r.outcome = silent ? SendOutcome::NoAnswer : SendOutcome::NoPlayer;
        r.message = silent ? QStringLiteral("The player did not answer.")
                           : QStringLiteral("No running player was found.");
        return r;
    }
    const auto answer =
        sendMessage(r.player, MSG_LOAD_QUEUE, 1, loadQueueParam(target), loadTimeoutMs);
    if (!answer) {
        r.outcome = SendOutcome::NoAnswer;
        r.message = QStringLiteral("The player did not answer.");
    }
    return r;
}

} // namespace wc::base
