#pragma once
// Program-wide state shared by the UI thread and the worker threads.
#include "platform/AppPath.h"
#include "platform/Event.h"

#include <atomic>
#include <cstdint>

// Stop flag of the worker threads: 0 run, 1 stop.
extern std::atomic<int> g_bStopThreads;

// Request serial number of the SMS sends ("流水号" of "Logp.dat").
extern std::atomic<int> g_nSerialNo;
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
