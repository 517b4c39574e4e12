// Every file talvek-sim writes goes through OutputFile: the text goes to a new file in the
// target's folder, which replaces the target only once it is whole. A full disk, a write limit or
// a run killed half way leaves the previous file as it was.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "sim/platform.h"

namespace sim {

class OutputFile {
public:
    // Starts the new file beside `target`. Nothing throws here: a failure is kept and reported
    // by Commit, so that a run can go on and still write its other outputs. A target that exists
    // and is no regular file (a device such as /dev/null, a pipe) is written in place.
    explicit OutputFile(std::filesystem::path target);
    // Without a Commit, the new file is discarded and the target left alone.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Appends text; after a failure the rest is dropped.
    void Write(std::string_view text);
    // Puts the new file in the target's place. Throws InputError naming the target, what failed
    // and the system's reason.
    void Commit();
    const std::filesystem::path& Target() const { return target_; }

private:
    void Flush();
    void Fail(const std::string& what, platform::SystemError error);

    std::filesystem::path target_;  // as given, for the messages
    std::filesystem::path real_;    // the file it names, links followed
    platform::NewFile file_;
    bool open_ = false;
    bool inPlace_ = false;
    bool committed_ = false;
    std::string buffer_;   // written in blocks of BLOCK_SIZE bytes
    std::string failure_;  // the first failure, "what failed: reason"
};

// One whole text to a file, through OutputFile.
void WriteTextFile(const std::filesystem::path& path, std::string_view text);

// True when the two paths name the same file as the file system resolves them (".", "..",
// symbolic links, hard links), whether or not the file exists yet.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace sim
