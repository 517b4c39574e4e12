#include "sim/app/output_file.h"

#include <system_error>

#include "sim/errors.h"

namespace fs = std::filesystem;

namespace sim {

namespace {
constexpr size_t BLOCK_SIZE = 1 << 16;  // [bytes] handed to the system at once
}  // namespace

OutputFile::OutputFile(fs::path target) : target_(std::move(target)) {
    // A symbolic link keeps pointing at the file it names: the new file replaces that file.
    std::error_code ec;
    const fs::path real = fs::weakly_canonical(target_, ec);
    const fs::path file = ec ? target_ : real;
    std::error_code statusError;
    const fs::file_status old = fs::status(file, statusError);
    if (fs::is_directory(old)) {
        failure_ = "it is a folder: " + std::make_error_code(std::errc::is_a_directory).message();
        return;
    }
    if (fs::exists(old) && !fs::is_regular_file(old)) {
        inPlace_ = true;
        if (const auto e = file_.OpenInPlace(file)) Fail("opening it failed", e);
        else open_ = true;
        return;
    }
    if (const auto e = file_.CreateBeside(file)) {
        Fail("no new file can be made in its folder", e);
        return;
    }
    open_ = true;
    real_ = file;
}

OutputFile::~OutputFile() = default;

void OutputFile::Write(std::string_view text) {
    if (!failure_.empty() || committed_) return;
    buffer_.append(text);
    if (buffer_.size() >= BLOCK_SIZE) Flush();
}

void OutputFile::Flush() {
    if (failure_.empty())
        if (const auto e = file_.Write(buffer_.data(), buffer_.size())) Fail("writing failed", e);
    buffer_.clear();
}

void OutputFile::Fail(const std::string& what, platform::SystemError error) {
    if (failure_.empty()) failure_ = what + ": " + platform::Describe(error);
    buffer_.clear();
}

void OutputFile::Commit() {
    if (committed_) return;
    if (failure_.empty()) Flush();
    if (failure_.empty() && !inPlace_) {
        // On the disk before it replaces anything: a crash then finds the old file or the new one.
        if (const auto e = file_.Sync()) Fail("writing failed", e);
        else if (const auto k = file_.Keep()) Fail("the new file could not be named in its folder", k);
    }
    if (open_) {
        open_ = false;
        if (const auto e = file_.Close()) Fail("writing failed", e);
    }
    if (failure_.empty() && !inPlace_)
        if (const auto e = file_.Replace(real_)) Fail("the new file could not replace the old one", e);
    if (!failure_.empty()) {
        file_.Discard();
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
