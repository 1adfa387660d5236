#include "FileIO.h"
#include "platform/FileDescriptor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <system_error>

namespace brisel {

namespace {

[[noreturn]] void throwErrno(int error) {
    throw std::system_error(error, std::generic_category());
}

std::string randomSuffix() {
    thread_local std::mt19937_64 generator{std::random_device{}()};
    static const char digits[] = "0123456789abcdef";
    std::string suffix;
    auto bits = generator();
    for (int i = 0; i < 12; ++i, bits >>= 4)
        suffix += digits[bits & 0xF];
    return suffix;
}

void writeAll(int fd, const std::string& bytes) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            throwErrno(errno);
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

} // namespace

bool fileExistsAtPath(const std::filesystem::path& path) {
    struct stat info;
    if (::stat(path.c_str(), &info) == 0) return true;
    if (errno == ENOENT || errno == ENOTDIR) return false;
    throwErrno(errno);
}

std::string readWholeFile(const std::filesystem::path& path) {
    int fd;
    // Non-blocking so that a pipe or device put in place of the file cannot stall the queue.
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) throwErrno(errno);
    FileDescriptor file(fd);
    struct stat info;
    if (::fstat(file.get(), &info) != 0) throwErrno(errno);
    if (S_ISDIR(info.st_mode)) throwErrno(EISDIR);
    if (!S_ISREG(info.st_mode)) throwErrno(EINVAL);
    std::string contents;
    char buffer[16384];
    for (;;) {
        ssize_t count = ::read(file.get(), buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR) continue;
            throwErrno(errno);
        }
        if (count == 0) break;
        contents.append(buffer, static_cast<std::size_t>(count));
    }
    return contents;
}

void createDirectories(const std::filesystem::path& path) {
    std::filesystem::create_directories(path);
}

void writeFileAtomically(const std::string& bytes, const std::filesystem::path& path) {
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temporary = folder / ("." + path.filename().string() + "." + randomSuffix());
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && !(errno == EEXIST && attempt < 100) && errno != EINTR) throwErrno(errno);
    }
    FileDescriptor file(fd);
    try {
        writeAll(file.get(), bytes);
        if (::fsync(file.get()) != 0) throwErrno(errno);
        if (!file.close()) throwErrno(errno);
        if (::rename(temporary.c_str(), path.c_str()) != 0) throwErrno(errno);
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    // Make the rename itself durable; the new file is already in place, so a failure here is not
    // worth failing the save for.
    int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
}

} // namespace brisel
