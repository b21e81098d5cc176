#pragma once
// Window messages between programs (and inside one): every window that others address owns an
// Endpoint, a Unix-domain socket in runtimeDir(). A window handle is the endpoint's number.
// See docs/message-bus.md for the socket folder, the frames and the handle allocation.
#include <QString>
#include <QtGlobal>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace wc {

using WindowHandle = qint32; // > 0; 0 means none
using MessageHandler = std::function<qint64(quint32 msg, qint64 wParam, qint64 lParam)>;

struct WindowInfo {
    WindowHandle handle = 0;
    QString className;
    QString caption;
    qint64 pid = 0;
};

// One addressable window. Created, used and destroyed on the main thread; its handler is only
// ever called on the main thread. When the runtime folder is unusable the endpoint is created
// without an address: handle() is 0 and a log line says why.
class Endpoint {
public:
    Endpoint(const QString& className, const QString& caption, MessageHandler handler);
    ~Endpoint(); // unregisters and removes its socket; queued messages for it are dropped
    Endpoint(const Endpoint&) = delete;
    Endpoint& operator=(const Endpoint&) = delete;

    WindowHandle handle() const;
    QString className() const;
    QString caption() const;
    // Visible to findWindow() and listWindows() of every process.
    void setCaption(const QString& caption);

    struct State; // the bus's record of the endpoint; defined in messagebus.cpp

private:
    std::shared_ptr<State> state_;
};

// Synchronous send with a reply and a bounded wait. While waiting on the main thread, messages
// sent to this process's endpoints are served (their handlers run inside the wait), so two
// programs that send to each other at the same moment both get their answers. Posted messages
// that arrive meanwhile are queued and delivered later from the event loop or
// processBusEvents(). A send to an endpoint of this process calls its handler directly (from
// another thread: hands it to the main thread and waits). Returns nullopt when the target does
// not exist, died, or did not answer within timeoutMs.
std::optional<qint64> sendMessage(WindowHandle to, quint32 msg, qint64 wParam, qint64 lParam,
                                  int timeoutMs = 5000);

// Queues the message for the target without waiting for it to be handled. Returns whether it
// was handed over; never blocks for more than a fraction of a second.
bool postMessage(WindowHandle to, quint32 msg, qint64 wParam, qint64 lParam);

// Posts to every live endpoint of every process of this user, this one included; returns to
// how many it was handed over.
int broadcastMessage(quint32 msg, qint64 wParam, qint64 lParam);

// A process-wide number in 0xC000..0xFFFF for a message name (compared case-insensitively);
// the same name always gives the same number within a process. Such messages travel by name
// between processes, so each side sees its own number. 0 for an empty or over-long name
// (more than 255 UTF-8 bytes) and when all numbers are taken.
quint32 registerMessage(const QString& name);

// Live endpoints of this user, any process, oldest first.
std::vector<WindowInfo> listWindows();

// The oldest live endpoint whose class and caption match (case-insensitively); an empty
// argument matches anything. 0 when none.
WindowHandle findWindow(const QString& className, const QString& caption);

bool isWindow(WindowHandle h);

// Serves what has arrived for this process's endpoints without a Qt event loop: waits up to
// waitMs for the first message, then handles everything pending, posted messages included.
// With a QCoreApplication event loop running, delivery happens by itself. Main thread only.
void processBusEvents(int waitMs = 0);

} // namespace wc
