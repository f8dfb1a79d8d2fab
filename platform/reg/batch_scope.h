#pragma once
// The calling thread's batch, as the hive files see it.
#include <memory>

namespace kez::reg {

class HiveFile;

namespace detail {

// True while a WriteBatch is open on this thread.
bool batchOpenOnThisThread();
// The hive has a transaction of this thread: the outermost batch's end commits it.
void joinBatch(std::shared_ptr<HiveFile> hive);

} // namespace detail
} // namespace kez::reg
