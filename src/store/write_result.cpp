#include "store/write_result.h"

#include <cerrno>

namespace vorta::store {

WriteResult FailureFromErrno(int error) {
    switch (error) {
    case ENOSPC:
    case EDQUOT: return {WriteCause::DiskFull, error};
    case ENOENT:
    case ENOTDIR: return {WriteCause::FolderMissing, error};
    case EACCES:
    case EPERM: return {WriteCause::NoPermission, error};
    case EROFS: return {WriteCause::ReadOnlyDisk, error};
    default: return {WriteCause::Failed, error};
    }
}

}  // namespace vorta::store
