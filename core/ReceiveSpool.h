#pragma once
// The spool of a received-SMS poll reply, "SMSMsgSL.dat.spool" beside the SMS record log. The
// platform hands each message out once, so the reply goes there whole and onto the disk as soon
// as it is read; its messages are stored from it, and it goes once all of them are in the log and
// the log is on the disk. A spool left by a kill is stored at the next start, before anything is
// polled. Its header says how far its messages reached the log and the auto-reply engine, so none
// is stored twice and none is offered to the engine twice.
//
// Layout, little-endian:
//    0  char[8]  "XFMOSPL1"
//    8  uint32   bytes of the reply that follow the header
//   12  uint32   0
//   16  progress, rewritten in place by one write each time:
//       int32    stored    messages in the log, from the first
//       int32    offered   messages whose offer to the auto-reply engine returned
//       int32    offering  messages whose offer began: offered, or offered + 1 while one is in hand
//       int32    inFlight  messages of the batch being appended, 0 when none is
//       int64    base      whole records of the log when that batch's append began
//   40  the reply as the platform client handed it out (UTF-8)
//
// A batch's append and the progress on both sides of it happen under the record lock, so the
// log's record count tells exactly how much of a batch in flight at a kill got in. A spool cut
// short by a kill during its own write keeps the messages that stand whole in it (those followed
// by a message separator); nothing of it was stored or offered yet.
#include <cstddef>
#include <string>

class CRecordLog;

namespace mospool {

constexpr std::size_t kHeaderSize = 40;
constexpr std::size_t kBatch = 512;           // records per append
constexpr std::size_t kWritePiece = 1 << 18;  // bytes of the reply per write

// The spool of a log: its path plus ".spool".
std::string SpoolPath(const CRecordLog& log);

// Counts the batch that a kill left in flight into the spool's progress, from the log's whole
// records. Runs at start before anything else can write the log (the worker threads start after
// it). True when no spool is left or it was settled.
bool Settle(CRecordLog& log);

enum class Result {
    None,    // no spool was there
    Stored,  // all its messages are in the log and on the disk; the spool is gone
    Failed,  // a message could not be stored, or the log not synced; the spool stays for later
};

// Stores the messages of a left spool that the log does not hold yet (the auto-reply engine gets
// those it never had), puts the log on the disk and removes the spool. A damaged spool is kept
// aside as "<spool>.bad" and written to the run log.
Result Store(CRecordLog& log);

// A new poll reply: spooled and synced, then stored as Store does. When the spool cannot be
// written the reply is stored from memory (the run log says so).
Result Receive(CRecordLog& log, const std::string& reply);

// Steps of the work, reported as they are reached, for tests; no hook by default.
enum class Step {
    SpoolPiece,    // a piece of the reply written to the spool (value: its bytes so far)
    SpoolSynced,   // the spool whole on the disk, nothing stored yet (value: reply bytes)
    Offered,       // a message's offer to the engine returned, not yet noted (value: its number, from 1)
    BatchWritten,  // a batch appended, under the record lock, not yet noted (value: messages in the log)
    BatchNoted,    // the same, noted in the spool
    AllStored,     // all in the log and the log on the disk; the spool not yet removed (value: count)
};
using StepHook = void (*)(Step step, std::size_t value);
void SetStepHook(StepHook hook);

}  // namespace mospool
