#pragma once
// SIGTERM, SIGINT and SIGHUP (end of session, Ctrl+C) end the UI thread's event loops, so a
// modal run returns and the normal shutdown runs.
#include <functional>

namespace termsignals {

// Call on the UI thread once the application object exists.
void QuitEventLoopsOnSignal();

// Asked first on the UI thread when a signal has come: true when it took the signal over (the
// event loops are then left running), false to let the loops end. Returns the handler replaced.
using Handler = std::function<bool()>;
Handler SetHandler(Handler handler);

}  // namespace termsignals
