"""Checked output files for tarnbench: every file is written to a temporary
file beside its target and renamed into place once every write and the
close have succeeded, so a failure never leaves a truncated file under the
final name. Failures raise OutputError("FILE: cannot write (reason)").
Special files (/dev/null, /dev/full, pipes) cannot be replaced by a rename:
they are written in place, still checked. Standard library only.
"""

import errno
import os
import stat
import tempfile


class OutputError(Exception):
    pass


def _reason(error):
    return error.strerror or str(error)


def _cannot_write(path, reason):
    return OutputError("%s: cannot write (%s)" % (path, reason))


def _umask():
    mask = os.umask(0)
    os.umask(mask)
    return mask


def write_output(path, text):
    """Writes text (UTF-8) to path through a temporary file and a rename."""
    data = text.encode("utf-8")
    try:
        st = os.stat(path)
    except OSError:
        st = None
    if st is not None and stat.S_ISDIR(st.st_mode):
        raise _cannot_write(path, os.strerror(errno.EISDIR))
    if st is not None and not stat.S_ISREG(st.st_mode):
        try:
            with open(path, "wb") as f:
                f.write(data)
        except OSError as e:
            raise _cannot_write(path, _reason(e))
        return
    folder = os.path.dirname(path) or "."
    try:
        fd, temporary = tempfile.mkstemp(prefix=os.path.basename(path) + ".tmp-", dir=folder)
    except OSError as e:
        raise _cannot_write(path, _reason(e))
    try:
        with os.fdopen(fd, "wb") as f:
            f.write(data)
        os.chmod(temporary, 0o666 & ~_umask())
        os.replace(temporary, path)
    except OSError as e:
        try:
            os.remove(temporary)
        except OSError:
            pass
        raise _cannot_write(path, _reason(e))


def check_output_folder(folder):
    """Creates folder if needed and checks it can be written, before any
    work is done."""
    try:
        os.makedirs(folder, exist_ok=True)
    except OSError as e:
        raise _cannot_write(folder, _reason(e))
    if not os.access(folder, os.W_OK | os.X_OK):
        raise _cannot_write(folder, os.strerror(errno.EACCES))


def check_output_path(path):
    """Checks, before any work, that path can be written later: its folder
    exists and is writable and path is not a folder."""
    if not path:
        raise _cannot_write('""', "empty file name")
    if os.path.isdir(path):
        raise _cannot_write(path, os.strerror(errno.EISDIR))
    if os.path.exists(path) and not os.path.isfile(path):
        if not os.access(path, os.W_OK):
            raise _cannot_write(path, os.strerror(errno.EACCES))
        return
    folder = os.path.dirname(path) or "."
    if not os.path.isdir(folder):
        raise _cannot_write(path, os.strerror(errno.ENOENT if not os.path.exists(folder) else errno.ENOTDIR))
    if not os.access(folder, os.W_OK | os.X_OK):
        raise _cannot_write(path, os.strerror(errno.EACCES))
