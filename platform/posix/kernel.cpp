// Kernel object registry: handle look-up, reference counts held during calls, CloseHandle and the last error.
#include "platform/posix/kernel_internal.h"

#include <cerrno>
#include <unordered_set>

namespace {

struct Registry {
    std::mutex lock;
    std::unordered_set<KernelObject *> objects;
};

// Never destroyed: detached reader threads may still look up handles while the process ends.
Registry &TheRegistry() {
    static Registry *registry = new Registry;
    return *registry;
}

thread_local DWORD tLastError = 0;

KernelObject *Find(HANDLE h) {
    if (h == nullptr || h == INVALID_HANDLE_VALUE) return nullptr;
    Registry &r = TheRegistry();
    std::lock_guard<std::mutex> g(r.lock);
    auto it = r.objects.find(h);
    return it == r.objects.end() ? nullptr : *it;
}

}  // namespace

DWORD GetLastError() { return tLastError; }
void SetLastError(DWORD code) { tLastError = code; }

HANDLE RegisterKernelObject(KernelObject *obj) {
    Registry &r = TheRegistry();
    std::lock_guard<std::mutex> g(r.lock);
    r.objects.insert(obj);
    return obj;
}

bool KernelHandleKind(HANDLE h, KernelKind *kind) {
    KernelObject *obj = Find(h);
    if (!obj) return false;
    *kind = obj->kind;
    return true;
}

KernelRef::KernelRef(HANDLE h, KernelKind kind) {
    KernelObject *obj = Find(h);
    if (!obj || obj->kind != kind) {
        SetLastError(ERROR_INVALID_HANDLE);
        return;
    }
    std::lock_guard<std::mutex> g(obj->lifeLock);
    if (obj->closed) {
        SetLastError(ERROR_INVALID_HANDLE);
        return;
    }
    obj->users++;
    obj_ = obj;
}

KernelRef::~KernelRef() {
    if (!obj_) return;
    bool release = false;
    {
        std::lock_guard<std::mutex> g(obj_->lifeLock);
        obj_->users--;
        if (obj_->closed && obj_->users == 0 && !obj_->released) {
            obj_->released = true;
            release = true;
        }
    }
    if (release) obj_->ReleaseResources();
}

BOOL CloseHandle(HANDLE h) {
    KernelObject *obj = Find(h);
    if (!obj) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    bool release = false;
    {
        std::lock_guard<std::mutex> g(obj->lifeLock);
        if (obj->closed) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        obj->closed = true;
        obj->isClosed.store(true);
        // Under the lock: the resources the wake-up touches cannot be released meanwhile.
        obj->WakeBlockedCalls();
        if (obj->users == 0 && !obj->released) {
            obj->released = true;
            release = true;
        }
    }
    NotifyThreadGates();
    if (release) obj->ReleaseResources();
    return TRUE;
}

DWORD ErrnoToError(int err) {
    switch (err) {
    case 0: return ERROR_SUCCESS;
    case ENOENT:
    case ENODEV:
    case ENXIO: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
    case ENAMETOOLONG: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EBADF: return ERROR_INVALID_HANDLE;
    case EBUSY:
    case ETXTBSY:
    case EWOULDBLOCK: return ERROR_SHARING_VIOLATION;
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case ETIMEDOUT: return ERROR_SEM_TIMEOUT;
    case EIO: return ERROR_GEN_FAILURE;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENOTTY: return ERROR_INVALID_FUNCTION;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM:
    case ENOLCK: return ERROR_NOT_ENOUGH_MEMORY;
    case ELOOP: return ERROR_CANT_RESOLVE_FILENAME;
    case EFBIG:
    case EOVERFLOW: return ERROR_FILE_TOO_LARGE;
    case EOPNOTSUPP:
    case ENOSYS: return ERROR_NOT_SUPPORTED;
    case EFAULT: return ERROR_NOACCESS;
    case EINTR: return ERROR_OPERATION_ABORTED;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENOMEDIUM: return ERROR_NOT_READY;
    // Never a bare errno: the operator would read it as a code of the other system.
    default: return ERROR_GEN_FAILURE;
    }
}
