#pragma once
// One hive: its file on disk and the tree last read from it, shared by every key of the process.
#include "file_ops.h"
#include "hive_limits.h"
#include "kez/reg/registry.h"
#include "node.h"

#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>

namespace kez::reg {

// Who the file and its folder may belong to. RootOrSelfOnly: root or this process's user, writable by no one else
// (checked on the descriptors read); anything else reads as empty and is never written.
enum class Trust { AnyOwner, RootOrSelfOnly };

class HiveFile {
public:
    HiveFile(std::filesystem::path file, mode_t mode, bool forcedReadOnly, sys::Timeout lockWait, Trust trust);

    // Runs `look` on the current tree, reloading it first when the file changed.
    Status read(const std::function<Status(const Node&)>& look);
    // Under the hive's file lock: reloads, runs `change` on a copy and, when it returns Ok and the copy keeps
    // within the hive's limits (else QuotaExceeded), saves the copy.
    Status write(const std::function<Status(Node&)>& change);

    void setForcedReadOnly(bool readOnly);
    bool isReadOnly();
    std::optional<DamageReport> damageReport();

private:
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
    Node root_;
    std::optional<FileStamp> loaded_;      // empty until the first read
    std::optional<FileStamp> leftInPlace_; // a damaged file read as empty but not moved aside yet
    std::optional<DamageReport> damage_;
    std::string refusal_;         // why the file read last is not trusted; empty when it is
    std::string reportedRefusal_; // each refusal is reported once
};

} // namespace kez::reg
