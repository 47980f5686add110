#pragma once
// SIGTERM, SIGINT and SIGHUP (end of session, Ctrl+C) end the UI thread's event loops, so a
// modal run returns and the normal shutdown runs.
namespace termsignals {

// Call on the UI thread once the application object exists.
void QuitEventLoopsOnSignal();

}  // namespace termsignals
