#include "kez/reg/write_batch.h"

#include "batch_scope.h"
#include "hive_file.h"

#include <cstdio>
#include <vector>

namespace kez::reg {
namespace {

struct ThreadBatch {
    int depth = 0;
    std::vector<std::shared_ptr<HiveFile>> hives; // in the order of their first write
};

thread_local ThreadBatch current;

Status commitHives() {
    auto hives = std::move(current.hives);
    current.hives.clear();
    auto result = Status::Ok;
    for (const auto& hive : hives) {
        if (const auto status = hive->commit(); status != Status::Ok && result == Status::Ok) result = status;
    }
    return result;
}

} // namespace

namespace detail {

bool batchOpenOnThisThread() { return current.depth > 0; }

void joinBatch(std::shared_ptr<HiveFile> hive) { current.hives.push_back(std::move(hive)); }

} // namespace detail

WriteBatch::WriteBatch() { ++current.depth; }

WriteBatch::~WriteBatch() {
    if (ended_) return;
    if (const auto status = commit(); status != Status::Ok) {
        std::fprintf(stderr, "kez registry: saving a batch of writes failed (%s); its writes are lost\n",
                     describe(status));
    }
}

Status WriteBatch::commit() {
    if (ended_) return result_;
    ended_ = true;
    if (--current.depth == 0) result_ = commitHives();
    return result_;
}

} // namespace kez::reg
