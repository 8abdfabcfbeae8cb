#include "platform/AtomicFile.h"

#include "platform/DataPath.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <iostream>

namespace platform
{

namespace
{

bool writeAll(int descriptor, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(descriptor, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += std::size_t(written);
    }
    return true;
}

bool report(const char* what, const std::string& file)
{
    std::cerr << "Could not " << what << " file \"" << file << "\"\n";
    return false;
}

bool overwriteInPlace(const std::string& file, const std::string& text)
{
    const int descriptor = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (descriptor < 0)
        return report("open", file);
    const bool written = writeAll(descriptor, text);
    if (::close(descriptor) != 0 || !written)
        return report("write", file);
    return true;
}

bool isWritable(const std::string& path)
{
    return ::access(path.empty() ? "." : path.c_str(), W_OK) == 0;
}

} // namespace

std::string followLinks(const std::string& file)
{
    namespace fs = std::filesystem;
    fs::path path = file;
    std::error_code error;
    for (int depth = 0; depth < 40 && fs::is_symlink(path, error); ++depth) {
        const fs::path target = fs::read_symlink(path, error);
        if (error)
            break;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path.string();
}

bool canSaveAt(const std::string& path)
{
    const std::string native = nativePath(path);
    const std::string file = followLinks(native);
    return isWritable(directoryOf(native)) || isWritable(directoryOf(file)) ||
           ::access(file.c_str(), W_OK) == 0;
}

bool replaceFile(const std::string& path, const std::string& contents)
{
    const std::string file = followLinks(nativePath(path));
    const std::string temporary = file + ".tmp";
    ::unlink(temporary.c_str()); // left by a save that was interrupted
    const int descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        if (errno == ENOSPC || errno == EDQUOT)
            return report("open", temporary);
        return overwriteInPlace(file, contents);
    }
    struct stat old;
    if (::stat(file.c_str(), &old) == 0)
        ::fchmod(descriptor, old.st_mode & 07777);
    // On the disk before it takes the old file's place, so that not even a power cut leaves an
    // empty file behind.
    const bool written = writeAll(descriptor, contents) && ::fsync(descriptor) == 0;
    if (::close(descriptor) != 0 || !written) {
        ::unlink(temporary.c_str());
        return report("write", temporary);
    }
    if (::rename(temporary.c_str(), file.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return report("replace", file);
    }
    return true;
}

} // namespace platform
