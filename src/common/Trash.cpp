#include "common/Trash.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "common/SafeFile.h"

namespace fs = std::filesystem;

namespace {

bool deviceOf(const fs::path& path, dev_t& device) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return false;
    device = st.st_dev;
    return true;
}

// The folder that holds the home trash; its own device is the nearest existing folder's.
fs::path homeTrash() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && *data == '/')
        return fs::path(data) / "Trash";
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : "/") / ".local/share/Trash";
}

bool onDevice(fs::path folder, dev_t device) {
    dev_t found = 0;
    while (!deviceOf(folder, found)) {
        if (folder == folder.root_path() || folder.empty())
            return false;
        folder = folder.parent_path();
    }
    return found == device;
}

// The top of the file system that holds `path`: the highest folder on the same device.
fs::path topOf(const fs::path& path, dev_t device) {
    fs::path top = path.parent_path();
    for (fs::path up = top.parent_path(); up != top; up = up.parent_path()) {
        dev_t found = 0;
        if (!deviceOf(up, found) || found != device)
            break;
        top = up;
    }
    return top;
}

// The file's path as the trash note keeps it: percent-escaped but for the plain characters and "/".
std::string escapedPath(const std::string& path) {
    std::string out;
    for (unsigned char c : path) {
        if (std::isalnum(c) || std::strchr("/-_.~!*'()", c)) {
            out += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            out += escaped;
        }
    }
    return out;
}

std::string now() {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

bool makeFolder(const fs::path& folder) {
    if (::mkdir(folder.c_str(), 0700) == 0)
        return true;
    struct stat st {};
    return errno == EEXIST && ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Moves the file into `trash` (made when missing): its note first, written only under a free name, so
// that two moves never take the same name; then the rename. `notePath` is the path the note keeps.
TrashResult moveInto(const fs::path& trash, const fs::path& file, const std::string& notePath) {
    TrashResult result;
    if (!makeFolder(trash) || !makeFolder(trash / "files") || !makeFolder(trash / "info")) {
        result.error = "The trash folder " + trash.string() + " could not be made.";
        return result;
    }
    const std::string name = file.filename().string();
    const std::string note = "[Trash Info]\nPath=" + escapedPath(notePath) + "\nDeletionDate=" + now() + "\n";
    for (int n = 1; n < 1000; ++n) {
        const std::string taken = n == 1 ? name : name + " (" + std::to_string(n) + ")";
        const fs::path info = trash / "info" / (taken + ".trashinfo");
        const fs::path target = trash / "files" / taken;
        std::error_code error;
        if (fs::exists(fs::symlink_status(target, error)))
            continue;
        const FileResult written = writeFileSafely(info.string(), reinterpret_cast<const std::uint8_t*>(note.data()),
                                                   note.size(), WriteMode::CreateOnly);
        if (written.alreadyExists)
            continue;
        if (!written.ok) {
            result.error = written.error;
            return result;
        }
        if (::rename(file.c_str(), target.c_str()) != 0) {
            const int why = errno;
            ::unlink(info.c_str());
            result.error = std::strerror(why);
            return result;
        }
        result.ok = true;
        result.trashedPath = target.string();
        return result;
    }
    result.error = "The trash holds too many files named " + name + ".";
    return result;
}

}  // namespace

TrashResult moveToTrash(const std::string& path) {
    std::error_code error;
    const fs::path file = fs::absolute(path, error).lexically_normal();
    dev_t device = 0;
    if (error || !deviceOf(file, device)) {
        TrashResult result;
        result.error = std::strerror(errno);
        return result;
    }
    const fs::path home = homeTrash();
    if (onDevice(home, device)) {
        fs::create_directories(home.parent_path(), error);
        return moveInto(home, file, file.string());
    }
    // Another file system: its own trash at its top, the shared ".Trash" (sticky, no link) first.
    const fs::path top = topOf(file, device);
    const std::string uid = std::to_string(::getuid());
    const std::string relative = file.lexically_relative(top).string();
    struct stat shared {};
    if (::lstat((top / ".Trash").c_str(), &shared) == 0 && S_ISDIR(shared.st_mode) && (shared.st_mode & S_ISVTX)) {
        TrashResult result = moveInto(top / ".Trash" / uid, file, relative);
        if (result.ok)
            return result;
    }
    return moveInto(top / (".Trash-" + uid), file, relative);
}
