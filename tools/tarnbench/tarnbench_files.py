"""Files of tarnbench: checked writes that never damage anything, reads
with a size limit, the exit on a termination signal, and the time-stamped
results folders. Standard library only.

A file is written to a temporary file in its real folder (symbolic links
followed first, so a link stays a link) and renamed into place once every
write and the close have succeeded: a failure or a signal never leaves a
truncated file under the final name, and the temporary file is removed.
What a rename cannot replace is written in place, still checked: this
process's own descriptors (/dev/stdout, /dev/fd/N, /proc/self/fd/N: written
at their current position, after what was printed), character devices,
pipes and /proc entries. Failures raise OutputError("FILE: cannot write
(reason)").

Sections: signals; writing; reading; results folders.
"""

import errno
import json
import os
import re
import signal
import stat
import sys
import tempfile
import time


class OutputError(Exception):
    pass


# ---- signals --------------------------------------------------------------------------------


class Stopped(BaseException):
    """A termination signal arrived; status is the exit status it asks for
    (128 + the signal's number: 130 for Ctrl-C, 143 for SIGTERM). Raised
    from the signal handler, so every write's clean-up runs on the way out."""

    def __init__(self, signum):
        super().__init__(signum)
        self.status = 128 + signum


def stop_on_signals():
    def handler(signum, _frame):
        raise Stopped(signum)

    for signum in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(signum, handler)


# ---- writing --------------------------------------------------------------------------------


def _complete_or_remove(finish, temporary, path):
    """Runs finish(), which ends by renaming temporary into place; on any
    failure or interruption the temporary is removed, and an OSError
    becomes the one-line error for path."""
    try:
        finish()
    except BaseException as e:
        try:
            os.remove(temporary)
        except OSError:
            pass
        if isinstance(e, OSError):
            raise _cannot_write(path, e.strerror or str(e))
        raise


def _cannot_write(path, reason):
    return OutputError("%s: cannot write (%s)" % (path, reason))


# Links that name one of this process's open descriptors.
_STANDARD_STREAMS = {"/dev/stdin": 0, "/dev/stdout": 1, "/dev/stderr": 2}
_DESCRIPTOR_LINK = re.compile(r"/(?:dev/fd|proc/(self|thread-self|[0-9]+)/fd)/([0-9]+)")


def _descriptor(path):
    if path in _STANDARD_STREAMS:
        return _STANDARD_STREAMS[path]
    match = _DESCRIPTOR_LINK.fullmatch(path)
    if match and match.group(1) in (None, "self", "thread-self", str(os.getpid())):
        return int(match.group(2))
    return None


def resolve(path):
    """Where a write to path goes: ("descriptor", N) for a link to this
    process's descriptor N, else ("path", the path with every symbolic link
    followed)."""
    current = os.path.abspath(path)
    for _ in range(40):
        fd = _descriptor(current)
        if fd is not None:
            return "descriptor", fd
        if not os.path.islink(current):
            break
        current = os.path.join(os.path.dirname(current), os.readlink(current))
        current = os.path.normpath(current)
    return "path", os.path.realpath(current)


def _in_place(real, st):
    """True for what a rename cannot replace; raises for what must not be
    written at all (folders, block devices, sockets)."""
    if st is None:
        return real.startswith("/proc/")
    if stat.S_ISDIR(st.st_mode):
        raise OSError(errno.EISDIR, os.strerror(errno.EISDIR))
    if stat.S_ISCHR(st.st_mode) or stat.S_ISFIFO(st.st_mode) or real.startswith(("/proc/", "/sys/")):
        return True
    if not stat.S_ISREG(st.st_mode):
        raise OSError(errno.EINVAL, "not a file, character device or pipe")
    return False


def _write_all(fd, data):
    view = memoryview(data)
    while view:
        view = view[os.write(fd, view):]


def _umask():
    mask = os.umask(0)
    os.umask(mask)
    return mask


def write_output(path, text):
    """Writes text (UTF-8) to path, checked, without damaging what is there
    on a failure or a signal (see the module's text)."""
    data = text.encode("utf-8")
    try:
        kind, target = resolve(path)
        if kind == "descriptor":
            sys.stdout.flush()
            sys.stderr.flush()
            _write_all(target, data)
            return
        try:
            st = os.stat(target)
        except FileNotFoundError:
            st = None
        if _in_place(target, st):
            fd = os.open(target, os.O_WRONLY | os.O_NOCTTY | os.O_CLOEXEC)
            try:
                _write_all(fd, data)
            finally:
                os.close(fd)
            return
    except OSError as e:
        raise _cannot_write(path, e.strerror or str(e))
    _replace(path, target, data, st)


def write_json(path, document):
    """Writes document as JSON; a number that is not finite (which JSON
    cannot hold) is refused rather than written as NaN or Infinity."""
    try:
        text = json.dumps(document, indent=1, allow_nan=False) + "\n"
    except ValueError:
        raise _cannot_write(path, "a number is not finite")
    write_output(path, text)


def _replace(path, target, data, st):
    # A short temporary name, so a final name of up to the file system's
    # limit still works.
    try:
        fd, temporary = tempfile.mkstemp(prefix=".tarnbench-", dir=os.path.dirname(target))
    except OSError as e:
        raise _cannot_write(path, e.strerror or str(e))
    def finish():
        with os.fdopen(fd, "wb") as f:
            f.write(data)
        os.chmod(temporary, stat.S_IMODE(st.st_mode) if st is not None else 0o666 & ~_umask())
        os.replace(temporary, target)

    _complete_or_remove(finish, temporary, path)


def check_output_folder(folder):
    """Creates folder if needed and checks it can be written, before any
    work is done."""
    try:
        os.makedirs(folder, exist_ok=True)
    except OSError as e:
        raise _cannot_write(folder, e.strerror or str(e))
    if not os.access(folder, os.W_OK | os.X_OK):
        raise _cannot_write(folder, os.strerror(errno.EACCES))


def check_output_path(path):
    """Checks, before any work, that path can be written later: an open
    descriptor, a writable special file, or a writable folder and a name
    that fits its file system."""
    if not path:
        raise _cannot_write('""', "empty file name")
    try:
        kind, target = resolve(path)
        if kind == "descriptor":
            os.fstat(target)
            return
        try:
            st = os.stat(target)
        except FileNotFoundError:
            st = None
        if _in_place(target, st):
            if not os.access(target, os.W_OK):
                raise OSError(errno.EACCES, os.strerror(errno.EACCES))
            return
        folder = os.path.dirname(target)
        if not os.path.isdir(folder):
            raise OSError(errno.ENOTDIR if os.path.exists(folder) else errno.ENOENT, "no such folder")
        if not os.access(folder, os.W_OK | os.X_OK):
            raise OSError(errno.EACCES, os.strerror(errno.EACCES))
        if len(os.fsencode(os.path.basename(target))) > os.pathconf(folder, "PC_NAME_MAX"):
            raise OSError(errno.ENAMETOOLONG, os.strerror(errno.ENAMETOOLONG))
    except OSError as e:
        raise _cannot_write(path, e.strerror or str(e))


# ---- reading --------------------------------------------------------------------------------


class InputError(Exception):
    pass


def read_limited(path, limit, what):
    """The bytes of path, refusing more than limit bytes (so /dev/zero or a
    huge file cannot exhaust the memory). Raises InputError("FILE: cannot
    read WHAT (reason)")."""
    try:
        with open(path, "rb") as f:
            data = f.read(limit + 1)
    except OSError as e:
        raise InputError("%s: cannot read %s (%s)" % (path, what, e.strerror or e))
    if len(data) > limit:
        raise InputError("%s: cannot read %s (larger than %d MB)" % (path, what, limit >> 20))
    return data


# ---- results folders ------------------------------------------------------------------------


def new_results_folder(parent):
    """Creates a folder of its own for one run's results in parent, named
    after the time (UTC) it started, and returns it."""
    check_output_folder(parent)
    stamp = time.strftime("%Y%m%dT%H%M%SZ", time.gmtime())
    for attempt in range(1, 1000):
        folder = os.path.join(parent, stamp if attempt == 1 else "%s-%d" % (stamp, attempt))
        try:
            os.mkdir(folder)
            return folder
        except FileExistsError:
            continue
        except OSError as e:
            raise _cannot_write(folder, e.strerror or str(e))
    raise _cannot_write(parent, "too many results folders named %s" % stamp)


def point_latest(parent, folder):
    """Points parent/latest at folder (a relative link, replaced in one
    rename, so it always names a complete run)."""
    link = os.path.join(parent, "latest")
    temporary = os.path.join(parent, ".latest-%d" % os.getpid())
    def finish():
        os.symlink(os.path.basename(folder), temporary)
        os.replace(temporary, link)

    _complete_or_remove(finish, temporary, link)
