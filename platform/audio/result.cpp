#include "kez/audio/result.h"

#include <cerrno>

namespace kez::audio {

Result resultFromErrno(int error) {
    switch (error) {
    case 0: return Result::Ok;
    case EBUSY:
    case EAGAIN: return Result::Allocated;
    case ENOMEM: return Result::NoMemory;
    case ENOENT:
    case ENXIO: return Result::BadDeviceId;
    case ENODEV:
    case EIO:
    case EBADFD:
    case ENOTCONN:
    case ECONNREFUSED:
    case ECONNRESET:
    case ESTRPIPE:
    case EPIPE:
    case ESHUTDOWN: return Result::NoDriver;
    case EINVAL: return Result::InvalidParameter;
    case ENOSYS:
    case EOPNOTSUPP: return Result::NotSupported;
    default: return Result::Error;
    }
}

} // namespace kez::audio
