// Drive paths mapped under the root folder, port names, and wide/UTF-8 path text.
#include "platform/posix/kernel_internal.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::string WideToUtf8(const wchar_t *text) {
    std::string out;
    if (!text) return out;
    for (; *text; ++text) {
        uint32_t c = (uint32_t)*text;
        if (c < 0x80) {
            out += (char)c;
        } else if (c < 0x800) {
            out += (char)(0xC0 | (c >> 6));
            out += (char)(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += (char)(0xE0 | (c >> 12));
            out += (char)(0x80 | ((c >> 6) & 0x3F));
            out += (char)(0x80 | (c & 0x3F));
        } else if (c < 0x110000) {
            out += (char)(0xF0 | (c >> 18));
            out += (char)(0x80 | ((c >> 12) & 0x3F));
            out += (char)(0x80 | ((c >> 6) & 0x3F));
            out += (char)(0x80 | (c & 0x3F));
        } else {
            out += '?';
        }
    }
    return out;
}

std::wstring Utf8ToWide(const std::string &text) {
    std::wstring out;
    size_t i = 0, n = text.size();
    while (i < n) {
        unsigned char b = (unsigned char)text[i];
        uint32_t c;
        int extra;
        if (b < 0x80) { c = b; extra = 0; }
        else if ((b & 0xE0) == 0xC0) { c = b & 0x1F; extra = 1; }
        else if ((b & 0xF0) == 0xE0) { c = b & 0x0F; extra = 2; }
        else if ((b & 0xF8) == 0xF0) { c = b & 0x07; extra = 3; }
        else { out += (wchar_t)b; ++i; continue; }  // not UTF-8: keep the byte
        if (i + extra >= n) { out += (wchar_t)b; ++i; continue; }
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            unsigned char cb = (unsigned char)text[i + k];
            if ((cb & 0xC0) != 0x80) { ok = false; break; }
            c = (c << 6) | (cb & 0x3F);
        }
        if (!ok) { out += (wchar_t)b; ++i; continue; }
        out += (wchar_t)c;
        i += 1 + extra;
    }
    return out;
}

std::string PlatformRootFolder() {
    std::string root;
    const char *env = getenv("ULVANE_ROOT");
    if (env && *env) {
        root = env;
    } else {
        const char *xdg = getenv("XDG_DATA_HOME");
        if (xdg && *xdg) {
            root = std::string(xdg) + "/ulvane-root";
        } else {
            const char *home = getenv("HOME");
            root = std::string(home && *home ? home : "/tmp") + "/.local/share/ulvane-root";
        }
    }
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    return root;
}

int ParseComPortName(const char *name) {
    if (!name) return 0;
    const char *p = name;
    if (p[0] == '\\' && p[1] == '\\' && p[2] == '.' && p[3] == '\\') p += 4;
    if (strncasecmp(p, "COM", 3) != 0) return 0;
    p += 3;
    if (!isdigit((unsigned char)*p)) return 0;
    long n = 0;
    while (isdigit((unsigned char)*p)) {
        n = n * 10 + (*p - '0');
        if (n > 4096) return 0;
        ++p;
    }
    if (*p == ':') ++p;
    if (*p != '\0' || n < 1) return 0;
    return (int)n;
}

std::string ResolveComPortPath(int n) {
    std::string own = PlatformRootFolder() + "/dev/COM" + std::to_string(n);
    struct stat st;
    if (lstat(own.c_str(), &st) == 0) return own;
    return "/dev/ttyS" + std::to_string(n - 1);
}

std::string MapDrivePath(const char *drivePath) {
    if (!drivePath) return std::string();
    int port = ParseComPortName(drivePath);
    if (port > 0) return ResolveComPortPath(port);
    std::string in(drivePath);
    if (!in.empty() && in[0] == '/') return in;  // already a POSIX path
    for (char &c : in)
        if (c == '\\') c = '/';
    std::string out;
    if (in.size() >= 2 && isalpha((unsigned char)in[0]) && in[1] == ':') {
        out = PlatformRootFolder() + "/" + (char)toupper((unsigned char)in[0]);
        std::string rest = in.substr(2);
        if (!rest.empty() && rest[0] != '/') rest = "/" + rest;
        out += rest;
    } else if (!in.empty() && in[0] == '/') {
        out = PlatformRootFolder() + "/C" + in;  // root of the current drive
    } else {
        out = in;  // relative to the current folder
    }
    // Doubled separators (C:\\folder\\\\name) name the same place.
    std::string clean;
    clean.reserve(out.size());
    for (char c : out) {
        if (c == '/' && !clean.empty() && clean.back() == '/') continue;
        clean += c;
    }
    return clean;
}

std::string MapDrivePath(const wchar_t *drivePath) {
    if (!drivePath) return std::string();
    return MapDrivePath(WideToUtf8(drivePath).c_str());
}

static void MakeFolders(const std::string &path) {
    std::string sofar;
    size_t i = 0;
    while (i <= path.size()) {
        size_t j = path.find('/', i);
        if (j == std::string::npos) j = path.size();
        sofar = path.substr(0, j);
        if (!sofar.empty()) mkdir(sofar.c_str(), 0755);
        i = j + 1;
    }
}

void EnsureRootFolders() { MakeFolders(MapDrivePath("C:\\ProgramData\\Ulvane")); }

BOOL MoveFileEx(const wchar_t *from, const wchar_t *to, DWORD flags) {
    std::string src = MapDrivePath(from);
    std::string dst = MapDrivePath(to);
    if (src.empty() || dst.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    int r = (flags & MOVEFILE_REPLACE_EXISTING)
                ? rename(src.c_str(), dst.c_str())
                : renameat2(AT_FDCWD, src.c_str(), AT_FDCWD, dst.c_str(), RENAME_NOREPLACE);
    if (r != 0) {
        int err = errno;
        SetLastError(err == EEXIST ? ERROR_ALREADY_EXISTS : ErrnoToError(err));
        return FALSE;
    }
    if (flags & MOVEFILE_WRITE_THROUGH) {
        // The rename lives in the folder: it is on the disk once the folder is.
        size_t slash = dst.rfind('/');
        std::string folder = slash == std::string::npos ? std::string(".")
                             : slash == 0               ? std::string("/")
                                                        : dst.substr(0, slash);
        int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            SetLastError(ErrnoToError(errno));
            return FALSE;
        }
        int s;
        while ((s = fsync(fd)) != 0 && errno == EINTR) {
        }
        int err = errno;
        close(fd);
        if (s != 0 && err != EINVAL && err != EROFS) {
            SetLastError(ErrnoToError(err));
            return FALSE;
        }
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL SetCurrentDirectory(const wchar_t *drivePath) {
    std::string p = MapDrivePath(drivePath);
    if (p.empty() || chdir(p.c_str()) != 0) {
        SetLastError(p.empty() ? ERROR_PATH_NOT_FOUND : (errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrnoToError(errno)));
        return FALSE;
    }
    return TRUE;
}

// The current folder as a drive path (C:\...) when it lies under the root, else as it is.
DWORD GetCurrentDirectory(DWORD len, wchar_t *buf) {
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) {
        SetLastError(ErrnoToError(errno));
        return 0;
    }
    std::string path(cwd);
    std::string root = PlatformRootFolder();
    char realRoot[4096];
    if (realpath(root.c_str(), realRoot)) root = realRoot;
    std::string shown = path;
    if (path.size() >= root.size() + 2 && path.compare(0, root.size(), root) == 0 && path[root.size()] == '/' &&
        isalpha((unsigned char)path[root.size() + 1]) &&
        (path.size() == root.size() + 2 || path[root.size() + 2] == '/')) {
        std::string rest = path.substr(root.size() + 2);
        shown = std::string(1, path[root.size() + 1]) + ":" + (rest.empty() ? std::string("\\") : rest);
        for (char &c : shown)
            if (c == '/') c = '\\';
    }
    std::wstring w = Utf8ToWide(shown);
    if (!buf || len < w.size() + 1) return (DWORD)(w.size() + 1);
    wcscpy(buf, w.c_str());
    return (DWORD)w.size();
}
