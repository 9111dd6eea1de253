#include "platform/sys/win32_errors.h"

#include <cerrno>

namespace vx {
namespace {
thread_local Win32Error t_lastError = ERROR_SUCCESS;
}

Win32Error GetLastError() { return t_lastError; }
void SetLastError(Win32Error code) { t_lastError = code; }

Win32Error Win32ErrorFromErrno(int error) {
    switch (error) {
    case 0:
        return ERROR_SUCCESS;
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case EEXIST:
        return ERROR_ALREADY_EXISTS;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    case ENOSPC:
        return ERROR_DISK_FULL;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case ENOTEMPTY:
        return ERROR_DIR_NOT_EMPTY;
    case EISDIR:
        return ERROR_ACCESS_DENIED;
    case EWOULDBLOCK:
        return ERROR_SHARING_VIOLATION;
    case EIO:
        return ERROR_READ_FAULT;
    default:
        return ERROR_OPEN_FAILED;
    }
}

} // namespace vx
