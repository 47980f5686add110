#pragma once
// Program-wide state shared by the UI thread and the worker threads.
#include "core/SysInfo.h"
#include "platform/AppPath.h"
#include "platform/Event.h"
#include "platform/httpsocket/HttpSocket.h"

#include <atomic>
#include <cstdint>
#include <string>

// Stop flag of the worker threads: 0 run, 1 stop.
extern std::atomic<int> g_bStopThreads;

// Remaining SMS and MMS counts from the last balance queries (-1 after a refused MMS query).
extern std::atomic<int> g_nSmsBalance;
extern std::atomic<int> g_nMmsBalance;

// The three event locks (auto-reset, created non-signalled): the queue locks start taken and
// each pending page releases its own once at the end of its initialisation.
extern AutoResetEvent g_lockSMSQueue;
extern AutoResetEvent g_lockMMSQueue;
extern AutoResetEvent g_lockRecord;

// Time-outs of the event locks, in milliseconds.
constexpr int kQueueLockTimeoutMs = 500000;
constexpr int kRecordLockTimeoutMs = 10000;

// Main window title, always "星帆".
extern std::string g_strMainTitle;

// The system record read from "SysInfo.dat" at start (UI thread only).
extern SysInfoRecord g_SysInfo;

// g_strProxyIP and g_nProxyPort, the proxy of the raw-socket HTTP client, live in its shared
// library (platform/httpsocket/HttpSocket.h); start-up fills them from "ProxyServer.ini".

// Request serial number ("流水号" in "Logp.dat"). Whoever raises it calls SaveSerialNo()
// afterwards, so a crash never hands out a number twice.
extern std::atomic<int> g_nSerialNo;

// Writes the current g_nSerialNo as "流水号" of section "登陆信息" in "Logp.dat". Safe from any
// thread: the value is read under the writer's lock, so the file never goes back to an older one.
void SaveSerialNo();
// Reads "流水号" (default 0) into g_nSerialNo.
void LoadSerialNo();
