#include "kez/reg/status.h"

namespace kez::reg {

const char* describe(Status status) {
    switch (status) {
    case Status::Ok: return "success";
    case Status::FileNotFound: return "not found";
    case Status::AccessDenied: return "access denied";
    case Status::InvalidParameter: return "invalid parameter";
    case Status::MoreData: return "more data than the limit";
    case Status::NoMoreItems: return "no more items";
    case Status::QuotaExceeded: return "the hive would pass its size limits";
    case Status::IoFailed: return "hive file input/output failed";
    case Status::KeyDeleted: return "key was deleted";
    case Status::LockTimeout: return "the hive file stayed locked by another process";
    case Status::UnsupportedType: return "value has another type";
    }
    return "unknown registry error";
}

} // namespace kez::reg
