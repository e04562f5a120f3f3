#include "cli/output.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace virelo {
namespace {

// The temporary file being written, for the handler of the signals that end a program to
// remove; the programs write one file at a time.
char pendingTemp[PATH_MAX + 16];

extern "C" void RemovePendingAndEnd(int signal) {
    if (pendingTemp[0] != '\0') unlink(pendingTemp);
    ::signal(signal, SIG_DFL);
    raise(signal);
}

// Handlers only where the program keeps the default (which would end it with the file left).
void RemoveOnEndingSignals() {
    for (int s : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old{};
        if (sigaction(s, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) continue;
        struct sigaction sa{};
        sa.sa_handler = RemovePendingAndEnd;
        sigemptyset(&sa.sa_mask);
        sigaction(s, &sa, nullptr);
    }
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

int outputErrno = 0;  // of the first failed write to stdout

}  // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path)), target_(path_) {
    struct stat st{};
    // Links are followed by hand: a dangling one names the file to create.
    for (int hops = 0; lstat(target_.c_str(), &st) == 0 && S_ISLNK(st.st_mode); ++hops) {
        char link[PATH_MAX];
        const ssize_t n = readlink(target_.c_str(), link, sizeof link - 1);
        if (n < 0 || hops == 40) {
            Fail(n < 0 ? errno : ELOOP);
            return;
        }
        link[n] = '\0';
        target_ = link[0] == '/' ? std::string(link) : DirectoryOf(target_) + "/" + link;
    }
    const bool exists = lstat(target_.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        Fail(EISDIR);
        return;
    }
    if (exists && !S_ISREG(st.st_mode)) {
        fd_ = open(target_.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd_ < 0) Fail(errno);
        return;
    }
    const std::size_t slash = target_.rfind('/');
    temp_ = DirectoryOf(target_) + "/." + target_.substr(slash == std::string::npos ? 0 : slash + 1) + ".XXXXXX";
    if (temp_.size() >= sizeof pendingTemp) {
        temp_.clear();
        Fail(ENAMETOOLONG);
        return;
    }
    RemoveOnEndingSignals();
    std::memcpy(pendingTemp, temp_.c_str(), temp_.size() + 1);
    fd_ = mkostemp(pendingTemp, O_CLOEXEC);
    if (fd_ < 0) {
        pendingTemp[0] = '\0';
        temp_.clear();
        Fail(errno);
        return;
    }
    temp_ = pendingTemp;
    // The replaced file's mode and owner, or what a new file would get.
    if (exists) {
        fchmod(fd_, st.st_mode & 07777);
        [[maybe_unused]] const int kept = fchown(fd_, st.st_uid, st.st_gid);
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd_, 0666 & ~mask);
    }
}

OutputFile::~OutputFile() {
    if (fd_ >= 0) close(fd_);
    if (!temp_.empty()) {
        unlink(temp_.c_str());
        pendingTemp[0] = '\0';
    }
}

bool OutputFile::Fail(int err) {
    if (error_.empty()) error_ = "cannot write " + path_ + ": " + std::strerror(err);
    return false;
}

bool OutputFile::Drain() {
    for (std::size_t at = 0; at < buffer_.size();) {
        const ssize_t n = write(fd_, buffer_.data() + at, buffer_.size() - at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Fail(n < 0 ? errno : EIO);
        at += static_cast<std::size_t>(n);
    }
    buffer_.clear();
    return true;
}

bool OutputFile::Write(const void* data, std::size_t size) {
    if (!error_.empty()) return false;
    buffer_.append(static_cast<const char*>(data), size);
    return buffer_.size() < (std::size_t{1} << 16) || Drain();
}

bool OutputFile::Commit() {
    if (!error_.empty() || !Drain()) return false;
    // On disk before it has the name: a crash after the rename finds the whole file.
    if (!temp_.empty() && fsync(fd_) != 0) return Fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) return Fail(errno);
    if (temp_.empty()) return true;
    if (rename(temp_.c_str(), target_.c_str()) != 0) return Fail(errno);
    temp_.clear();
    pendingTemp[0] = '\0';
    return true;
}

void GuardOutput() {
    signal(SIGPIPE, SIG_IGN);
    for (int fd = 0; fd < 3; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int held = open("/dev/null", O_RDONLY);
        if (held >= 0 && held != fd) {
            dup2(held, fd);
            close(held);
        }
    }
}

bool WriteOut(std::string_view bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size()) return true;
    if (outputErrno == 0) outputErrno = errno ? errno : EIO;
    return false;
}

int FinishOutput(const char* program, int code) {
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return code;
    const int err = outputErrno ? outputErrno : errno ? errno : EIO;
    if (err == EPIPE) {
        signal(SIGPIPE, SIG_DFL);
        raise(SIGPIPE);
    }
    std::fprintf(stderr, "%s: cannot write the output: %s\n", program, std::strerror(err));
    return 1;
}

}  // namespace virelo
