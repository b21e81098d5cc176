#pragma once
#include <functional>

namespace wc {

// Turns SIGTERM, SIGINT and SIGHUP (service stop, Ctrl+C, the end of the login session) into a
// call of onRequest on the main thread, through a self-pipe watched by the Qt event loop, so
// the program closes in order with all its saves. SIGPIPE is ignored: a peer that goes away
// must not kill the station. Needs a QCoreApplication.
void installTerminationHandler(std::function<void()> onRequest);

} // namespace wc
