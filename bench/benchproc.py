"""What the bench drivers share: free loopback ports and the starting and
stopping of the processes they measure."""

import os
import signal
import socket
import subprocess


def free_port(kind=socket.SOCK_DGRAM):
    s = socket.socket(socket.AF_INET, kind)
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def start(args, env=None, stdout=subprocess.DEVNULL):
    return subprocess.Popen(args, env=env, stdout=stdout, stderr=subprocess.DEVNULL)


def stop(proc):
    """Stops proc by its pid, also when it was stopped (SIGSTOP) by the bench."""
    if proc.poll() is None:
        os.kill(proc.pid, signal.SIGCONT)
        os.kill(proc.pid, signal.SIGTERM)
        try:
            proc.wait(10)
        except subprocess.TimeoutExpired:
            os.kill(proc.pid, signal.SIGKILL)
            proc.wait()
