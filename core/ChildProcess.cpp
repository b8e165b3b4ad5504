#include "core/ChildProcess.h"

#include <QDeadlineTimer>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;  // NOLINT(readability-redundant-declaration): POSIX leaves it to the program

namespace {

// How long a wait for output lasts before it looks for the child's end
// again: the end of a child is not something poll() can wait for.
constexpr qint64 kReapSliceMs = 10;

void CloseFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

int PollTimeout(const QDeadlineTimer& deadline, qint64 slice)
{
    if (deadline.isForever())
        return int(slice);
    return int(std::clamp<qint64>(deadline.remainingTime(), 0, slice));
}

}  // namespace

TChildProcess::~TChildProcess()
{
    CloseInputFd();
    if (pid > 0 && !ended) {
        ::kill(pid, SIGKILL);
        Reap(true);
    }
    CloseFd(outputFd);
}

bool TChildProcess::Start(const QString& program, const QStringList& arguments, TErrors errors)
{
    if (pid > 0) {
        error = QStringLiteral("already started");
        return false;
    }
    // Standard input is a socket, so that writing to a child that has gone
    // gives EPIPE (send with MSG_NOSIGNAL) instead of killing us by SIGPIPE.
    int input[2] = {-1, -1};
    int out[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, input) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
        error = qt_error_string(errno);
        CloseFd(input[0]);
        CloseFd(input[1]);
        CloseFd(out[0]);
        CloseFd(out[1]);
        return false;
    }
    std::vector<std::string> texts{QFile::encodeName(program).toStdString()};
    for (const QString& argument : arguments)
        texts.push_back(argument.toLocal8Bit().toStdString());
    std::vector<char*> argv;
    argv.reserve(texts.size() + 1);
    for (std::string& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    if (errors == TErrors::MergedIntoOutput)
        posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const int spawned = program.contains(QLatin1Char('/'))
                          ? posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ)
                          : posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    CloseFd(input[1]);
    CloseFd(out[1]);
    if (spawned != 0) {
        pid = -1;
        error = qt_error_string(spawned);
        CloseFd(input[0]);
        CloseFd(out[0]);
        return false;
    }
    inputFd = input[0];
    outputFd = out[0];
    ::fcntl(outputFd, F_SETFL, ::fcntl(outputFd, F_GETFL) | O_NONBLOCK);
    return true;
}

void TChildProcess::Write(const QByteArray& bytes)
{
    if (inputFd < 0 || closeInputWhenWritten)
        return;
    pendingInput += bytes;
    FlushInput();
}

void TChildProcess::CloseInput()
{
    closeInputWhenWritten = true;
    FlushInput();
}

bool TChildProcess::WaitForOutput(int timeoutMs)
{
    const QDeadlineTimer deadline(std::max(timeoutMs, 0));
    FlushInput();
    ReadAvailable();
    while (output.isEmpty() && !deadline.hasExpired()) {
        if (outputFd < 0 && !Running())
            break;  // nothing more can come
        Pump(PollTimeout(deadline, outputFd < 0 ? kReapSliceMs : timeoutMs));
    }
    return !output.isEmpty();
}

QByteArray TChildProcess::TakeOutput()
{
    ReadAvailable();
    return std::exchange(output, QByteArray());
}

bool TChildProcess::Running()
{
    Reap(false);
    return pid > 0 && !ended;
}

void TChildProcess::Kill()
{
    if (pid > 0 && !ended)
        ::kill(pid, SIGKILL);
}

bool TChildProcess::WaitForFinished(int timeoutMs)
{
    if (pid <= 0)
        return false;
    const QDeadlineTimer deadline(std::max(timeoutMs, 0));
    for (;;) {
        Reap(false);
        if (ended) {
            ReadAvailable();
            return true;
        }
        if (deadline.hasExpired())
            return false;
        Pump(PollTimeout(deadline, kReapSliceMs));
    }
}

// One wait of at most timeoutMs for output to read or input to write; with
// neither to wait for, a plain sleep.
void TChildProcess::Pump(int timeoutMs)
{
    pollfd fds[2] = {};
    nfds_t count = 0;
    if (outputFd >= 0)
        fds[count++] = {outputFd, POLLIN, 0};
    if (inputFd >= 0 && !pendingInput.isEmpty())
        fds[count++] = {inputFd, POLLOUT, 0};
    if (::poll(fds, count, timeoutMs) <= 0)
        return;
    FlushInput();
    ReadAvailable();
}

void TChildProcess::FlushInput()
{
    while (inputFd >= 0 && !pendingInput.isEmpty()) {
        const ssize_t sent = ::send(inputFd, pendingInput.constData(), size_t(pendingInput.size()),
                                    MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            pendingInput.remove(0, sent);
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        } else {
            // The child reads no more (EPIPE): the rest is of no use to it.
            pendingInput.clear();
            CloseInputFd();
        }
    }
    if (inputFd >= 0 && closeInputWhenWritten)
        CloseInputFd();
}

void TChildProcess::ReadAvailable()
{
    while (outputFd >= 0) {
        char buffer[16384];
        const ssize_t got = ::read(outputFd, buffer, sizeof buffer);
        if (got > 0)
            output.append(buffer, got);
        else if (got < 0 && errno == EINTR)
            continue;
        else if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        else
            CloseFd(outputFd);  // the end of the output
    }
}

void TChildProcess::Reap(bool block)
{
    if (pid <= 0 || ended)
        return;
    int status = 0;
    pid_t got = 0;
    do {
        got = ::waitpid(pid, &status, block ? 0 : WNOHANG);
    } while (got < 0 && errno == EINTR);
    if (got == pid) {
        ended = true;
        crashed = WIFSIGNALED(status);
        exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    } else if (got < 0) {
        // Reaped by somebody else: ended, how is not known.
        ended = true;
        exitCode = -1;
    }
}

void TChildProcess::CloseInputFd()
{
    CloseFd(inputFd);
    pendingInput.clear();
}
