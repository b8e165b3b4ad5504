// TChildProcess: a program run as a child process, its standard input and
// output connected to this process, waited for by polling on the thread that
// owns the object (no event loop needed). Used from one thread at a time.
//
// The child is started with posix_spawn. QProcess starts its children through
// a clone() that shares the parent's memory, which ThreadSanitizer takes for a
// fork of the calling thread: it stops checking that thread and refuses to
// start any thread after it. posix_spawn makes the same kind of start inside
// the C library, where the sanitizer does not misread it, so the threads that
// run children stay checked.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <sys/types.h>

class TChildProcess {
public:
    // Where the child's standard error goes.
    enum class TErrors { Discarded, MergedIntoOutput };

    TChildProcess() = default;
    // A child still running is killed and reaped.
    ~TChildProcess();
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    // Runs `program` (looked up in PATH when it names no folder). False when
    // it could not be started; Error() then says why.
    bool Start(const QString& program, const QStringList& arguments = {},
               TErrors errors = TErrors::Discarded);
    QString Error() const { return error; }

    // Queues bytes for the child's standard input; they are written while
    // this side waits (WaitForOutput, WaitForFinished). Input the child no
    // longer reads is dropped.
    void Write(const QByteArray& bytes);
    // The child reads end of file once the queued input is written.
    void CloseInput();

    // Waits up to timeoutMs for output, less when the output and the child
    // have both ended. True when output is at hand.
    bool WaitForOutput(int timeoutMs);
    // The output not taken yet.
    QByteArray TakeOutput();

    // Whether the child has not ended yet (it is reaped when it has).
    bool Running();
    // Ends the child with SIGKILL.
    void Kill();
    // Waits up to timeoutMs for the child to end, taking in its output
    // meanwhile. True once it has ended.
    bool WaitForFinished(int timeoutMs);

    // How it ended: by a signal, or else with an exit code.
    bool Crashed() const { return crashed; }
    int ExitCode() const { return exitCode; }

private:
    void Pump(int timeoutMs);
    void FlushInput();
    void ReadAvailable();
    void Reap(bool block);
    void CloseInputFd();

    pid_t pid = -1;
    bool ended = false;
    bool crashed = false;
    int exitCode = 0;
    int inputFd = -1;   // our end of the child's standard input (a socket)
    int outputFd = -1;  // our end of the child's standard output (a pipe)
    QByteArray pendingInput;
    bool closeInputWhenWritten = false;
    QByteArray output;
    QString error;
};
