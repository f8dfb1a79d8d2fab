#pragma once
// One save per burst of writes.
//
// While a WriteBatch lives on a thread, that thread's writes to a hive join one transaction: the first takes the
// hive's file lock and reloads it, the rest change the tree in memory (no copy, no save per write), and the end of
// the outermost batch saves each hive written once (temporary file, sync, rename) and lets its lock go. Other
// processes see the hive as it was before the batch or as it is after it, never a part; they wait for the lock to
// write meanwhile, so keep a batch to a burst of writes. Reads of every thread of the process see the pending
// writes. A write that fails (limits passed included) fails at once and changes nothing.
//
// Batches nest on a thread: an inner batch joins the outer one. A batch belongs to the thread that made it; a hive
// holds one transaction at a time, and a write of another thread to it meanwhile (in a batch or not) is saved at
// once, as without a batch, and kept by the batch's save. No write waits for a batch.
#include "kez/reg/status.h"

namespace kez::reg {

class WriteBatch {
public:
    WriteBatch();
    // Ends the batch when commit() did not; a failed save is then reported on standard error.
    ~WriteBatch();
    WriteBatch(const WriteBatch&) = delete;
    WriteBatch& operator=(const WriteBatch&) = delete;

    // Ends the batch. The outermost saves every hive written and gives the first failure (the writes of a hive
    // whose save failed are lost, and reads show the file again); an inner one leaves that to the outermost and
    // gives Ok. Later calls give the first call's result.
    Status commit();

private:
    bool ended_ = false;
    Status result_ = Status::Ok;
};

} // namespace kez::reg
