#include "sim/app/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sim/errors.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

constexpr size_t BLOCK_SIZE = 1 << 16;  // [bytes] handed to the system at once
constexpr mode_t NEW_FILE_MODE = 0666;  // before the umask, as any new file
constexpr int NAME_ATTEMPTS = 100;      // temporary names tried before giving up

std::string Reason(int error) { return std::strerror(error); }

// A name in the folder that no file has yet, for the new file until it takes the target's place.
fs::path TemporaryName(const fs::path& folder, const fs::path& target, int attempt) {
    return folder / ("." + target.filename().string() + ".new-" + std::to_string(::getpid()) + "-" +
                     std::to_string(attempt));
}

}  // namespace

OutputFile::OutputFile(fs::path target) : target_(std::move(target)) {
    // A symbolic link keeps pointing at the file it names: the new file replaces that file.
    std::error_code ec;
    const fs::path real = fs::weakly_canonical(target_, ec);
    const fs::path file = ec ? target_ : real;
    folder_ = file.parent_path();
    struct stat old {};
    const bool exists = ::stat(file.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) {
        Fail("it is a folder", EISDIR);
        return;
    }
    if (exists && !S_ISREG(old.st_mode)) {
        inPlace_ = true;
        fd_ = ::open(file.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd_ < 0) Fail("opening it failed", errno);
        return;
    }
    // Unnamed until Commit: a run killed before then leaves nothing behind in the folder.
    fd_ = ::open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, NEW_FILE_MODE);
    if (fd_ < 0) {
        const int error = errno;
        // File systems without unnamed files get a named one, removed if the run fails.
        if (error != EOPNOTSUPP && error != EISDIR && error != EINVAL) {
            Fail("no new file can be made in its folder", error);
            return;
        }
        for (int attempt = 0; fd_ < 0 && attempt < NAME_ATTEMPTS; ++attempt) {
            temp_ = TemporaryName(folder_, file, attempt);
            fd_ = ::open(temp_.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, NEW_FILE_MODE);
            if (fd_ < 0 && errno != EEXIST) break;
        }
        if (fd_ < 0) {
            const int failed = errno;
            temp_.clear();
            Fail("no new file can be made in its folder", failed);
            return;
        }
    }
    // The new file keeps the permissions of the one it replaces.
    if (exists) (void)::fchmod(fd_, old.st_mode & 07777);
    real_ = file;
}

OutputFile::~OutputFile() { Discard(); }

void OutputFile::Write(std::string_view text) {
    if (!failure_.empty() || committed_) return;
    buffer_.append(text);
    if (buffer_.size() >= BLOCK_SIZE) Flush();
}

void OutputFile::Flush() {
    size_t done = 0;
    while (failure_.empty() && done < buffer_.size()) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Fail("writing failed", errno);
        else done += static_cast<size_t>(n);
    }
    buffer_.clear();
}

void OutputFile::Fail(const std::string& what, int error) {
    if (failure_.empty()) failure_ = what + ": " + Reason(error);
    buffer_.clear();
}

void OutputFile::Discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
}

void OutputFile::Commit() {
    if (committed_) return;
    if (failure_.empty()) Flush();
    if (failure_.empty() && !inPlace_) {
        // On the disk before it replaces anything: a crash then finds the old file or the new one.
        if (::fsync(fd_) != 0) Fail("writing failed", errno);
        if (failure_.empty() && temp_.empty()) {
            // The unnamed file takes a name beside the target, then the target's place.
            const std::string self = "/proc/self/fd/" + std::to_string(fd_);
            for (int attempt = 0; temp_.empty() && attempt < NAME_ATTEMPTS; ++attempt) {
                const fs::path name = TemporaryName(folder_, real_, attempt);
                if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) temp_ = name;
                else if (errno != EEXIST) break;
            }
            if (temp_.empty()) Fail("the new file could not be named in its folder", errno);
        }
    }
    if (fd_ >= 0) {
        const int closed = ::close(fd_);
        fd_ = -1;
        if (closed != 0) Fail("writing failed", errno);
    }
    if (failure_.empty() && !inPlace_ && ::rename(temp_.c_str(), real_.c_str()) != 0)
        Fail("the new file could not replace the old one", errno);
    else if (failure_.empty())
        temp_.clear();  // it is the target now
    if (!failure_.empty()) {
        Discard();
        throw InputError(Where(target_.string(), 0,
                               "cannot be written (" + failure_ + ")" +
                                   (inPlace_ ? "" : "; a file that stood there is left as it was")));
    }
    committed_ = true;
}

void WriteTextFile(const fs::path& path, std::string_view text) {
    OutputFile out(path);
    out.Write(text);
    out.Commit();
}

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    if (fs::equivalent(a, b, ec)) return true;  // both exist, one file (hard links too)
    std::error_code ecA, ecB;
    const fs::path realA = fs::weakly_canonical(a, ecA), realB = fs::weakly_canonical(b, ecB);
    return !ecA && !ecB && realA == realB;
}

}  // namespace sim
