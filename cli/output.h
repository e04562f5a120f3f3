#pragma once
// What every program writes, written whole or not at all, and never lost without a word:
// files replaced only once complete, standard output checked to its last byte.
#include <cstddef>
#include <string>
#include <string_view>

namespace virelo {

// A file written whole or not at all. The bytes go to a temporary file beside the target,
// renamed over it by Commit once they are all on disk; until then, and whatever fails or
// whatever signal ends the program, the target is as it was and only the temporary file,
// ours, is removed. A symbolic link is followed (the file it names is replaced, the link
// stays); a target that exists and is no regular file (a device, a pipe) cannot be
// replaced and is written in place.
class OutputFile {
public:
    explicit OutputFile(std::string path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // False once anything failed; error() then says what, "cannot write PATH: why".
    bool Write(const void* data, std::size_t size);
    bool Commit();
    const std::string& error() const { return error_; }

private:
    bool Fail(int err);
    bool Drain();

    std::string path_;    // as given, for the message
    std::string target_;  // the file that is replaced, links followed
    std::string temp_;    // ours, empty when writing in place
    int fd_ = -1;
    std::string buffer_;
    std::string error_;
};

// First thing in every program: SIGPIPE ignored, so that a write to a reader that has gone
// fails where it can be told (and the display connections report their loss); a standard
// stream that came closed is held by /dev/null opened for reading, so that writes to it
// still fail and no file the program opens takes its place.
void GuardOutput();

// Writes all of `bytes` to standard output; false when it fails.
bool WriteOut(std::string_view bytes);

// The program's last word on standard output: flushed, then `code` when everything was
// written. Otherwise 1 with "program: cannot write the output: why" on stderr; or, when
// the reader has gone (a pipe that head closed), an end by SIGPIPE, quiet, as the shell's
// tools end.
int FinishOutput(const char* program, int code);

}  // namespace virelo
