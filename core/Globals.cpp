#include "core/Globals.h"

std::atomic<int> g_bStopThreads{0};
AutoResetEvent g_lockSMSQueue("g_lockSMSQueue");
AutoResetEvent g_lockMMSQueue("g_lockMMSQueue");
AutoResetEvent g_lockRecord("g_lockRecord");
