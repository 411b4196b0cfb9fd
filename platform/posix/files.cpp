// File handles: open dispositions, append-only writes under one lock, own read offsets, fsync, cut-back, identity.
#include "platform/posix/kernel_internal.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct FileObject : KernelObject {
    FileObject() : KernelObject(KernelKind::File) {}
    int fd = -1;
    std::string path;
    std::mutex writeLock;  // one writer at a time: every write appends whole
    std::mutex readLock;   // the read offset and the read buffer
    int64_t readOffset = 0;
    std::vector<char> buffer;  // bytes [bufStart, bufStart + buffer.size()) of the file
    int64_t bufStart = 0;

    void ReleaseResources() override {
        if (fd >= 0) close(fd);
        fd = -1;
        std::vector<char>().swap(buffer);
    }
};

constexpr size_t kReadChunk = 64 * 1024;

// The entry of `path`'s folder whose name equals the last part of `path`, letter case ignored ("" if none).
std::string FindIgnoringCase(const std::string &path, bool wantDirectory, bool anyKind) {
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) return std::string();
    DIR *d = opendir(dir.c_str());
    if (!d) return std::string();
    std::string found;
    while (struct dirent *e = readdir(d)) {
        if (strcasecmp(e->d_name, name.c_str()) != 0) continue;
        std::string candidate = (dir == "/" ? std::string("/") : dir + "/") + e->d_name;
        struct stat st;
        if (stat(candidate.c_str(), &st) != 0) continue;
        if (!anyKind && S_ISDIR(st.st_mode) != wantDirectory) continue;
        found = candidate;
        break;
    }
    closedir(d);
    return found;
}

bool FolderOfExists(const std::string &path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return true;
    std::string dir = slash == 0 ? "/" : path.substr(0, slash);
    struct stat st;
    return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// ENOENT is "file not found" when the folder exists, else "path not found".
DWORD MissingError(const std::string &path) {
    return FolderOfExists(path) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

}  // namespace

HANDLE CreateFile(const wchar_t *path, DWORD access, DWORD, void *, DWORD disposition, DWORD, HANDLE) {
    std::string narrow = WideToUtf8(path);
    if (ParseComPortName(narrow.c_str()) > 0) return OpenSerialPort(path);
    std::string p = MapDrivePath(narrow.c_str());
    if (p.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    bool wantRead = (access & GENERIC_READ) != 0;
    bool wantWrite = (access & GENERIC_WRITE) != 0;
    int flags = O_CLOEXEC;
    if (wantWrite) flags |= (wantRead ? O_RDWR : O_WRONLY) | O_APPEND;
    else flags |= O_RDONLY;

    struct stat st;
    bool existed = stat(p.c_str(), &st) == 0;
    // A file whose name differs only in letter case is the same file to the program's users.
    if (!existed && errno == ENOENT) {
        std::string other = FindIgnoringCase(p, false, false);
        if (!other.empty()) {
            p = other;
            existed = stat(p.c_str(), &st) == 0;
        }
    }
    if (existed && S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    switch (disposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS:
        flags |= O_CREAT | O_TRUNC;
        if (!wantWrite) flags = (flags & ~O_ACCMODE) | O_RDWR;
        break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
    }
    int fd = open(p.c_str(), flags, 0644);
    if (fd < 0) {
        int err = errno;
        SetLastError(err == ENOENT ? MissingError(p) : ErrnoToError(err));
        return INVALID_HANDLE_VALUE;
    }
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    auto *obj = new FileObject;
    obj->fd = fd;
    obj->path = p;
    SetLastError((existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS)) ? ERROR_ALREADY_EXISTS
                                                                                           : ERROR_SUCCESS);
    return RegisterKernelObject(obj);
}

BOOL ReadFile(HANDLE h, void *buf, DWORD len, DWORD *read, void *) {
    if (read) *read = 0;
    KernelKind kind;
    if (KernelHandleKind(h, &kind) && kind == KernelKind::Port) return PortReadFile(h, buf, len, read);
    KernelRef ref(h, KernelKind::File);
    if (!ref) {
        // A reader looping on a closed port handle still stops at its gate while suspended.
        if (CurrentThreadIsProgramThread()) WaitAtThreadGate(nullptr);
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    FileObject *f = ref.as<FileObject>();
    std::lock_guard<std::mutex> g(f->readLock);
    char *out = static_cast<char *>(buf);
    DWORD got = 0;
    while (got < len) {
        int64_t off = f->readOffset;
        int64_t bufEnd = f->bufStart + (int64_t)f->buffer.size();
        if (off >= f->bufStart && off < bufEnd) {
            size_t n = (size_t)std::min<int64_t>(bufEnd - off, (int64_t)(len - got));
            memcpy(out + got, f->buffer.data() + (off - f->bufStart), n);
            got += (DWORD)n;
            f->readOffset += (int64_t)n;
            continue;
        }
        if (len - got >= kReadChunk) {  // large reads go straight to the caller's buffer
            ssize_t n = pread(f->fd, out + got, len - got, off);
            if (n < 0) {
                if (errno == EINTR) continue;
                SetLastError(ErrnoToError(errno));
                if (read) *read = got;
                return FALSE;
            }
            if (n == 0) break;
            got += (DWORD)n;
            f->readOffset += n;
            continue;
        }
        f->buffer.resize(kReadChunk);
        ssize_t n = pread(f->fd, f->buffer.data(), kReadChunk, off);
        if (n < 0) {
            int err = errno;
            f->buffer.clear();
            if (err == EINTR) continue;
            SetLastError(ErrnoToError(err));
            if (read) *read = got;
            return FALSE;
        }
        f->buffer.resize((size_t)n);
        f->bufStart = off;
        if (n == 0) break;
    }
    if (read) *read = got;
    return TRUE;
}

BOOL WriteFile(HANDLE h, const void *buf, DWORD len, DWORD *written, void *) {
    if (written) *written = 0;
    KernelKind kind;
    if (KernelHandleKind(h, &kind) && kind == KernelKind::Port) return PortWriteFile(h, buf, len, written);
    KernelRef ref(h, KernelKind::File);
    if (!ref) return FALSE;
    FileObject *f = ref.as<FileObject>();
    std::lock_guard<std::mutex> g(f->writeLock);
    const char *in = static_cast<const char *>(buf);
    DWORD done = 0;
    while (done < len) {
        ssize_t n = write(f->fd, in + done, len - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            SetLastError(ErrnoToError(errno));
            if (written) *written = done;
            return FALSE;
        }
        if (n == 0) {
            SetLastError(ERROR_DISK_FULL);
            if (written) *written = done;
            return FALSE;
        }
        done += (DWORD)n;
    }
    if (written) *written = done;
    return TRUE;
}

DWORD SetFilePointer(HANDLE h, int32_t distance, int32_t *high, DWORD method) {
    KernelRef ref(h, KernelKind::File);
    if (!ref) return INVALID_SET_FILE_POINTER;
    FileObject *f = ref.as<FileObject>();
    int64_t move = high ? (int64_t)(((uint64_t)(uint32_t)*high << 32) | (uint32_t)distance) : (int64_t)distance;
    std::lock_guard<std::mutex> g(f->readLock);
    int64_t base;
    switch (method) {
    case FILE_BEGIN: base = 0; break;
    case FILE_CURRENT: base = f->readOffset; break;
    case FILE_END: {
        struct stat st;
        if (fstat(f->fd, &st) != 0) {
            SetLastError(ErrnoToError(errno));
            return INVALID_SET_FILE_POINTER;
        }
        base = st.st_size;
        break;
    }
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_SET_FILE_POINTER;
    }
    int64_t target = base + move;
    if (target < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    f->readOffset = target;
    f->buffer.clear();  // a rewind reads the file afresh (another handle may have replaced it)
    if (high) *high = (int32_t)(target >> 32);
    SetLastError(ERROR_SUCCESS);
    return (DWORD)(target & 0xFFFFFFFFu);
}

BOOL SetFilePointerEx(HANDLE h, int64_t distance, int64_t *newOffset, DWORD method) {
    int32_t high = (int32_t)((uint64_t)distance >> 32);
    DWORD low = SetFilePointer(h, (int32_t)(uint32_t)((uint64_t)distance & 0xFFFFFFFFu), &high, method);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != ERROR_SUCCESS) return FALSE;
    if (newOffset) *newOffset = (int64_t)(((uint64_t)(uint32_t)high << 32) | low);
    return TRUE;
}

BOOL GetFileSizeEx(HANDLE h, int64_t *size) {
    DWORD high = 0;
    DWORD low = GetFileSize(h, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) return FALSE;
    if (size) *size = (int64_t)(((uint64_t)high << 32) | low);
    return TRUE;
}

DWORD GetFileSize(HANDLE h, DWORD *high) {
    KernelRef ref(h, KernelKind::File);
    if (!ref) return INVALID_FILE_SIZE;
    struct stat st;
    if (fstat(ref.as<FileObject>()->fd, &st) != 0) {
        SetLastError(ErrnoToError(errno));
        return INVALID_FILE_SIZE;
    }
    if (high) *high = (DWORD)((uint64_t)st.st_size >> 32);
    SetLastError(ERROR_SUCCESS);
    return (DWORD)((uint64_t)st.st_size & 0xFFFFFFFFu);
}

BOOL FlushFileBuffers(HANDLE h) {
    KernelKind kind;
    if (KernelHandleKind(h, &kind) && kind == KernelKind::Port) return PortFlushFileBuffers(h);
    KernelRef ref(h, KernelKind::File);
    if (!ref) return FALSE;
    FileObject *f = ref.as<FileObject>();
    std::lock_guard<std::mutex> g(f->writeLock);
    while (fsync(f->fd) != 0) {
        int err = errno;
        if (err == EINTR) continue;
        if (err == EINVAL || err == EROFS) return TRUE;  // a device or pipe that keeps nothing to sync
        SetLastError(err == ENOSPC || err == EDQUOT ? ERROR_DISK_FULL : ERROR_GEN_FAILURE);
        return FALSE;
    }
    return TRUE;
}

BOOL SetEndOfFileAt(HANDLE h, int64_t size) {
    KernelRef ref(h, KernelKind::File);
    if (!ref) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    FileObject *f = ref.as<FileObject>();
    std::lock_guard<std::mutex> g(f->writeLock);
    struct stat st;
    if (size < 0 || fstat(f->fd, &st) != 0 || size > (int64_t)st.st_size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    while (ftruncate(f->fd, (off_t)size) != 0) {
        if (errno == EINTR) continue;
        SetLastError(ErrnoToError(errno));
        return FALSE;
    }
    {
        // Bytes read ahead past the new end are gone.
        std::lock_guard<std::mutex> r(f->readLock);
        f->buffer.clear();
    }
    return TRUE;
}

BOOL GetFileInformationByHandle(HANDLE h, BY_HANDLE_FILE_INFORMATION *info) {
    KernelRef ref(h, KernelKind::File);
    if (!ref || !info) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    struct stat st;
    if (fstat(ref.as<FileObject>()->fd, &st) != 0) {
        SetLastError(ErrnoToError(errno));
        return FALSE;
    }
    const uint64_t dev = (uint64_t)st.st_dev, ino = (uint64_t)st.st_ino, size = (uint64_t)st.st_size;
    info->dwVolumeSerialNumber = (DWORD)(dev ^ (dev >> 32));
    info->nFileSizeHigh = (DWORD)(size >> 32);
    info->nFileSizeLow = (DWORD)(size & 0xFFFFFFFFu);
    info->nNumberOfLinks = (DWORD)st.st_nlink;
    info->nFileIndexHigh = (DWORD)(ino >> 32);
    info->nFileIndexLow = (DWORD)(ino & 0xFFFFFFFFu);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL DeleteFile(const wchar_t *path) {
    std::string p = MapDrivePath(path);
    if (unlink(p.c_str()) == 0) return TRUE;
    int err = errno;
    if (err == ENOENT) {
        std::string other = FindIgnoringCase(p, false, false);
        if (!other.empty() && unlink(other.c_str()) == 0) return TRUE;
        SetLastError(MissingError(p));
        return FALSE;
    }
    SetLastError(err == EISDIR ? ERROR_ACCESS_DENIED : ErrnoToError(err));
    return FALSE;
}

BOOL CreateDirectory(const wchar_t *path, void *) {
    std::string p = MapDrivePath(path);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    if (mkdir(p.c_str(), 0755) == 0) return TRUE;
    int err = errno;
    SetLastError(err == EEXIST ? ERROR_ALREADY_EXISTS : err == ENOENT ? ERROR_PATH_NOT_FOUND : ErrnoToError(err));
    return FALSE;
}

BOOL FileExistsIgnoreCase(const wchar_t *path) {
    std::string p = MapDrivePath(path);
    if (p.empty()) return FALSE;
    struct stat st;
    if (stat(p.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) return TRUE;
    return FindIgnoringCase(p, false, false).empty() ? FALSE : TRUE;
}
