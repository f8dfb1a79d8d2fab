#pragma once
// One hive: its file on disk and the tree last read from it, shared by every key of the process.
#include "file_ops.h"
#include "hive_edit.h"
#include "hive_limits.h"
#include "kez/reg/registry.h"
#include "node.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace kez::reg {

// Who the file and its folder may belong to. RootOrSelfOnly: root or this process's user, writable by no one else
// (checked on the descriptors read); anything else reads as empty and is never written.
enum class Trust { AnyOwner, RootOrSelfOnly };

// Writes outside a batch are saved one by one. Under a batch (write_batch.h) the first write of the batch's thread
// takes the file lock, reloads and starts a transaction: the thread's writes then change a pending tree in place,
// every thread of the process reads that tree, and the batch's end saves it once and lets the lock go. One
// transaction per hive at a time; a write of another thread meanwhile is saved at once on the saved tree (the
// process already holds the lock) and made in the pending tree too, so the batch's save keeps it. Other
// processes see the file before the batch or after it, never a part.
class HiveFile : public std::enable_shared_from_this<HiveFile> {
public:
    HiveFile(std::filesystem::path file, mode_t mode, bool forcedReadOnly, sys::Timeout lockWait, Trust trust);

    // Runs `look` on the current tree, reloading it first when the file changed.
    Status read(const std::function<Status(const Node&)>& look);
    // Outside a batch, under the hive's file lock: reloads, applies the edit to a copy and saves the copy. Within
    // one: applies it to the pending tree. An edit that would pass the hive's limits gives QuotaExceeded and
    // changes nothing.
    Status write(const Edit& edit);
    // Saves the pending tree of this thread's transaction and ends it; Ok when there is none.
    Status commit();

    void setForcedReadOnly(bool readOnly);
    bool isReadOnly();
    std::optional<DamageReport> damageReport();

private:
    struct Transaction {
        std::thread::id owner;
        FileLock lock;
        Node tree;
        HiveSize size;
        bool changed;
    };

    Status prepareToWrite(FileLock& held);
    Status begin();
    Status writeAlone(const Edit& edit);
    Status writePending(const Edit& edit);
    Status writeBeside(const Edit& edit);
    Status saveEdited(const Edit& edit);
    Status save(Node tree, const HiveSize& size);
    const HiveSize& savedSize();
    void replaceRoot(Node tree);
    Status refresh(bool locked);
    Status load(bool locked);
    Status openToLoad(sys::UniqueFd& fd);
    Status refuse(const std::string& reason);
    Status makeFolder() const;
    Status lock(FileLock& out) const;
    void forgetFile();
    Status damaged(const FileStamp& stamp, const std::string& reason, bool locked);
    Status checkWritable() const;
    void report(const DamageReport& damage);

    const std::filesystem::path file_;
    const std::filesystem::path lockFile_;
    const std::filesystem::path tempFile_;
    const mode_t mode_;
    const sys::Timeout lockWait_;
    const Trust trust_;
    const HiveLimits limits_;
    std::mutex mutex_;
    bool forcedReadOnly_;
    Node root_;                            // as saved
    std::optional<HiveSize> rootSize_;     // measured when a write first needs it
    std::optional<Transaction> pending_;   // the open batch's tree, holding the file lock
    std::optional<FileStamp> loaded_;      // empty until the first read
    std::optional<FileStamp> leftInPlace_; // a damaged file read as empty but not moved aside yet
    std::optional<DamageReport> damage_;
    std::string refusal_;         // why the file read last is not trusted; empty when it is
    std::string reportedRefusal_; // each refusal is reported once
};

} // namespace kez::reg
