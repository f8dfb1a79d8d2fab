#include "hive_file.h"

#include "batch_scope.h"
#include "hive_format.h"
#include "kez/sys/trusted_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace kez::reg {
namespace fs = std::filesystem;
namespace {

constexpr const char* kNotRegular = "not a regular file";
// Whoever may write the hive may take its lock; nobody else may even read the lock file.
constexpr mode_t kLockRights = 0660;
// A folder of a trusted store, made without group or other write rights whatever the umask.
constexpr mode_t kTrustedFolderMode = 0755;

fs::path withSuffix(const fs::path& file, const char* suffix) { return fs::path(file.string() + suffix); }

std::string tooLarge(const HiveLimits& limits) {
    return "larger than " + std::to_string(limits.fileBytes >> 20) + " MiB";
}

} // namespace

HiveFile::HiveFile(fs::path file, mode_t mode, bool forcedReadOnly, sys::Timeout lockWait, Trust trust)
    : file_(std::move(file)), lockFile_(withSuffix(file_, ".lock")), tempFile_(withSuffix(file_, ".tmp")), mode_(mode),
      lockWait_(lockWait), trust_(trust), limits_(), forcedReadOnly_(forcedReadOnly) {}

Status HiveFile::read(const std::function<Status(const Node&)>& look) {
    std::lock_guard guard(mutex_);
    if (pending_) return look(pending_->tree);
    if (const auto status = refresh(false); status != Status::Ok) return status;
    return look(root_);
}

Status HiveFile::write(const Edit& edit) {
    std::lock_guard guard(mutex_);
    if (pending_ && pending_->owner == std::this_thread::get_id()) {
        if (forcedReadOnly_) return Status::AccessDenied;
        return writePending(edit);
    }
    if (pending_) return writeBeside(edit);
    if (!detail::batchOpenOnThisThread()) return writeAlone(edit);
    if (const auto status = begin(); status != Status::Ok) return status;
    return writePending(edit);
}

// A batch that changed nothing saves nothing, as a write alone does.
Status HiveFile::writePending(const Edit& edit) {
    const bool changes = changesTree(pending_->tree, edit);
    const auto status = applyEdit(pending_->tree, pending_->size, edit, limits_);
    if (status == Status::Ok && changes) pending_->changed = true;
    return status;
}

Status HiveFile::commit() {
    std::lock_guard guard(mutex_);
    if (!pending_ || pending_->owner != std::this_thread::get_id()) return Status::Ok;
    auto transaction = std::move(*pending_);
    pending_.reset();
    // The lock goes with `transaction`, after the save.
    return transaction.changed ? save(std::move(transaction.tree), transaction.size) : Status::Ok;
}

// Takes the file lock and reloads, refusing when the hive may not be written.
Status HiveFile::prepareToWrite(FileLock& held) {
    // An untrusted store gets not even a lock file.
    if (trust_ == Trust::RootOrSelfOnly) {
        if (const auto status = refresh(false); status != Status::Ok) return status;
    }
    if (const auto status = checkWritable(); status != Status::Ok) return status;
    if (const auto status = makeFolder(); status != Status::Ok) return status;
    if (const auto status = lock(held); status != Status::Ok) return status;
    if (const auto status = refresh(true); status != Status::Ok) return status;
    return refusal_.empty() ? Status::Ok : Status::AccessDenied;
}

// The one copy of the tree a batch makes.
Status HiveFile::begin() {
    FileLock held;
    if (const auto status = prepareToWrite(held); status != Status::Ok) return status;
    pending_.emplace(Transaction{std::this_thread::get_id(), std::move(held), root_, savedSize(), false});
    detail::joinBatch(shared_from_this());
    return Status::Ok;
}

// A write that changes nothing saves nothing: programs rewrite what they read, and each save is a whole file
// with an fsync.
Status HiveFile::writeAlone(const Edit& edit) {
    FileLock held;
    if (const auto status = prepareToWrite(held); status != Status::Ok) return status;
    if (!changesTree(root_, edit)) return Status::Ok;
    return saveEdited(edit);
}

// Another thread's transaction holds the file lock for this process. The edit is judged on the pending tree, the
// one every thread reads; it is saved at once when the saved tree takes it too, and the batch's save keeps it.
Status HiveFile::writeBeside(const Edit& edit) {
    if (const auto status = checkWritable(); status != Status::Ok) return status;
    if (const auto status = checkEdit(pending_->tree, pending_->size, edit, limits_); status != Status::Ok) {
        return status;
    }
    if (!changesTree(pending_->tree, edit)) return Status::Ok;
    if (checkEdit(root_, savedSize(), edit, limits_) == Status::Ok) {
        if (const auto status = saveEdited(edit); status != Status::Ok) return status;
    }
    const auto status = applyEdit(pending_->tree, pending_->size, edit, limits_);
    if (status == Status::Ok) pending_->changed = true;
    return status;
}

// Under the file lock.
Status HiveFile::saveEdited(const Edit& edit) {
    Node next = root_;
    auto size = savedSize();
    if (const auto status = applyEdit(next, size, edit, limits_); status != Status::Ok) return status;
    return save(std::move(next), size);
}

// Under the file lock; `size` is the tree's, kept within the limits edit by edit.
Status HiveFile::save(Node tree, const HiveSize& size) {
    const auto text = serializeHive(tree);
    const auto replaced = loaded_.value_or(FileStamp{});
    if (const auto status = replaceFile(file_, tempFile_, text, replaced, mode_); status != Status::Ok) {
        loaded_.reset();
        return status;
    }
    root_ = std::move(tree);
    rootSize_ = size;
    struct stat info {};
    if (::lstat(file_.c_str(), &info) == 0) {
        loaded_ = stampOf(info);
    } else {
        loaded_.reset();
    }
    return Status::Ok;
}

const HiveSize& HiveFile::savedSize() {
    if (!rootSize_) rootSize_ = measureHive(root_);
    return *rootSize_;
}

void HiveFile::replaceRoot(Node tree) {
    root_ = std::move(tree);
    rootSize_.reset();
}

void HiveFile::setForcedReadOnly(bool readOnly) {
    std::lock_guard guard(mutex_);
    forcedReadOnly_ = readOnly;
}

bool HiveFile::isReadOnly() {
    std::lock_guard guard(mutex_);
    if (trust_ == Trust::RootOrSelfOnly) (void)refresh(false);
    return checkWritable() != Status::Ok;
}

std::optional<DamageReport> HiveFile::damageReport() {
    std::lock_guard guard(mutex_);
    return damage_;
}

Status HiveFile::checkWritable() const {
    if (forcedReadOnly_ || !refusal_.empty() || !folderWritable(file_.parent_path())) return Status::AccessDenied;
    // The name itself: a link to a file this process may not write must not make the hive read-only (and so
    // keep a writer from moving the link aside).
    if (::faccessat(AT_FDCWD, file_.c_str(), W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) != 0 && errno != ENOENT) {
        return Status::AccessDenied;
    }
    return Status::Ok;
}

Status HiveFile::makeFolder() const {
    const auto folder = file_.parent_path();
    std::error_code error;
    fs::create_directories(trust_ == Trust::AnyOwner ? folder : folder.parent_path(), error);
    if (error) return statusFromErrno(error.value());
    if (trust_ == Trust::AnyOwner) return Status::Ok;
    if (::mkdir(folder.c_str(), kTrustedFolderMode) == 0) {
        return ::chmod(folder.c_str(), kTrustedFolderMode) == 0 ? Status::Ok : statusFromErrno(errno);
    }
    return errno == EEXIST ? Status::Ok : statusFromErrno(errno);
}

Status HiveFile::lock(FileLock& out) const {
    return FileLock::acquire(lockFile_, mode_ & kLockRights, lockWait_, file_, out);
}

void HiveFile::forgetFile() {
    if (!loaded_ || loaded_->exists) {
        replaceRoot(Node());
        loaded_ = FileStamp{};
    }
}

// One lstat when nothing changed. What is not a regular file is refused without being opened.
Status HiveFile::refresh(bool locked) {
    struct stat info {};
    if (::lstat(file_.c_str(), &info) != 0) {
        if (errno != ENOENT) return statusFromErrno(errno);
        // A trusted store's folder decides even while the file is missing: a write would create it there.
        if (trust_ == Trust::RootOrSelfOnly) return load(locked);
        forgetFile();
        return Status::Ok;
    }
    // A writer never saves over a damaged file that is still in place: it moves it aside first.
    const auto stamp = stampOf(info);
    if (loaded_ && *loaded_ == stamp && !(locked && leftInPlace_ == stamp)) return Status::Ok;
    if (!S_ISREG(info.st_mode) && trust_ == Trust::AnyOwner) return damaged(stamp, kNotRegular, locked);
    return load(locked);
}

// Opens the file; a trusted store checks the descriptors of its folder and file first. An empty `fd` with Ok:
// no file.
Status HiveFile::openToLoad(sys::UniqueFd& fd) {
    if (trust_ == Trust::AnyOwner) {
        fd = sys::UniqueFd(::open(file_.c_str(), O_RDONLY | kSafeOpenFlags));
        if (fd || errno == ENOENT) return Status::Ok;
        return statusFromErrno(errno);
    }
    auto opened = sys::openTrustedFile(file_);
    if (!opened && opened.error != ENOENT) return refuse(opened.refusal);
    refusal_.clear();
    fd = std::move(opened.file);
    return Status::Ok;
}

// An untrusted store reads as empty, is never written and is read again next time: its owner may mend it.
Status HiveFile::refuse(const std::string& reason) {
    replaceRoot(Node());
    loaded_.reset();
    leftInPlace_.reset();
    refusal_ = reason;
    if (reason != reportedRefusal_) {
        std::fprintf(stderr, "kez registry: %s; refused, the store reads as empty\n", reason.c_str());
        reportedRefusal_ = reason;
        damage_ = DamageReport{file_, {}, reason};
    }
    return Status::Ok;
}

// The descriptor's own fstat decides: the name may have been replaced since it was looked at.
Status HiveFile::load(bool locked) {
    sys::UniqueFd fd;
    if (const auto status = openToLoad(fd); status != Status::Ok || !refusal_.empty()) return status;
    if (!fd) {
        forgetFile();
        return Status::Ok;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return statusFromErrno(errno);
    const auto stamp = stampOf(info);
    if (!S_ISREG(info.st_mode)) return damaged(stamp, kNotRegular, locked);
    if (static_cast<std::size_t>(info.st_size) > limits_.fileBytes) return damaged(stamp, tooLarge(limits_), locked);
    std::string text;
    if (!readWhole(fd.get(), limits_.fileBytes, text)) {
        if (errno == EFBIG) return damaged(stamp, tooLarge(limits_), locked);
        return statusFromErrno(errno);
    }
    Node tree;
    ParseError error;
    if (!parseHive(text, tree, error, limits_)) {
        return damaged(stamp, "line " + std::to_string(error.line) + ": " + error.reason, locked);
    }
    replaceRoot(std::move(tree));
    loaded_ = stamp;
    return Status::Ok;
}

// A damaged file is never replaced: it is renamed aside (under the file lock, and only while it is still the
// file that was read), and the hive starts empty. A writer that cannot move it aside does not write.
Status HiveFile::damaged(const FileStamp& stamp, const std::string& reason, bool locked) {
    DamageReport damage{file_, {}, reason};
    if (locked) {
        if (moveAside(file_, damage.movedTo) != Status::Ok) {
            replaceRoot(Node());
            loaded_ = stamp;
            if (leftInPlace_ != stamp) report(damage);
            leftInPlace_ = stamp;
            return Status::IoFailed;
        }
    } else if (checkWritable() == Status::Ok) {
        FileLock held;
        if (lock(held) == Status::Ok) {
            struct stat info {};
            if (::lstat(file_.c_str(), &info) != 0 || stampOf(info) != stamp) return refresh(true);
            (void)moveAside(file_, damage.movedTo);
        }
    }
    replaceRoot(Node());
    loaded_ = damage.movedTo.empty() ? stamp : FileStamp{};
    leftInPlace_ = damage.movedTo.empty() ? std::optional(stamp) : std::nullopt;
    report(damage);
    return Status::Ok;
}

void HiveFile::report(const DamageReport& damage) {
    if (damage.movedTo.empty()) {
        std::fprintf(stderr, "kez registry: %s is damaged (%s); left in place, the hive reads as empty\n",
                     damage.file.c_str(), damage.reason.c_str());
    } else {
        std::fprintf(stderr, "kez registry: %s is damaged (%s); moved aside to %s, the hive starts empty\n",
                     damage.file.c_str(), damage.reason.c_str(), damage.movedTo.c_str());
    }
    damage_ = damage;
}

} // namespace kez::reg
