#include "core/Globals.h"

std::atomic<int> g_bStopThreads{0};
std::atomic<int> g_nSerialNo{0};
std::atomic<int> g_nSmsBalance{0};
std::atomic<int> g_nMmsBalance{0};
AutoResetEvent g_lockSMSQueue("g_lockSMSQueue");
AutoResetEvent g_lockMMSQueue("g_lockMMSQueue");
AutoResetEvent g_lockRecord("g_lockRecord");
