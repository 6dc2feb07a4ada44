#!/usr/bin/env python3
"""Runs a command in which no 32-bit program can start, as on a machine
whose kernel refuses them: the kernel's Landlock bars every program under
the 32-bit library folder (the i386 ELF interpreter among them) and Wine's
32-bit loader and server from being executed, for the command and all its
children. Nothing outside this process tree is touched.

Usage: no-32bit.py --check | COMMAND ARGS...
--check exits 0 when the kernel offers Landlock (version 2 or later), 1
otherwise."""
import ctypes
import os
import sys

SYS_CREATE_RULESET, SYS_ADD_RULE, SYS_RESTRICT_SELF = 444, 445, 446
ACCESS_EXECUTE = 1 << 0
# Landlock bars moving and linking files between folders unless the rule
# set handles and allows it (version 2 and later).
ACCESS_REFER = 1 << 13
RULE_PATH_BENEATH = 1
PR_SET_NO_NEW_PRIVS = 38

# What a 32-bit program needs to start on Debian: the i386 libraries (with
# the ELF interpreter) and Wine's 32-bit loader and server.
BARRED = ["/usr/lib/i386-linux-gnu", "/lib/i386-linux-gnu", "/lib/ld-linux.so.2", "/usr/lib32", "/lib32",
          "/usr/lib/wine/wine", "/usr/lib/wine/wineserver32"]

libc = ctypes.CDLL(None, use_errno=True)
libc.syscall.restype = ctypes.c_long


class RulesetAttr(ctypes.Structure):
    _fields_ = [("handled_access_fs", ctypes.c_uint64)]


class PathBeneathAttr(ctypes.Structure):
    _pack_ = 1
    _fields_ = [("allowed_access", ctypes.c_uint64), ("parent_fd", ctypes.c_int32)]


def landlock_abi():
    return libc.syscall(SYS_CREATE_RULESET, None, ctypes.c_size_t(0), ctypes.c_uint32(1))


def fail(what):
    err = ctypes.get_errno()
    sys.exit("no-32bit: %s failed: %s" % (what, os.strerror(err)))


def allow(ruleset, path):
    try:
        fd = os.open(path, os.O_PATH | os.O_CLOEXEC)
    except OSError:
        return
    access = ACCESS_EXECUTE | (ACCESS_REFER if os.path.isdir(path) else 0)
    rule = PathBeneathAttr(access, fd)
    if libc.syscall(SYS_ADD_RULE, ruleset, RULE_PATH_BENEATH, ctypes.byref(rule), ctypes.c_uint32(0)) != 0:
        fail("adding a rule for " + path)
    os.close(fd)


def allow_all_but(ruleset, folder, barred):
    """Allows execution beneath every entry of folder except the barred
    paths, descending only where a barred path lies deeper."""
    for name in os.listdir(folder):
        path = os.path.join(folder, name)
        if path in barred or os.path.islink(path):
            continue  # a link's target is allowed or barred where it lies
        if any(b.startswith(path + "/") for b in barred):
            allow_all_but(ruleset, path, barred)
        else:
            allow(ruleset, path)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    available = landlock_abi() >= 2
    if sys.argv[1] == "--check":
        sys.exit(0 if available else 1)
    if not available:
        sys.exit("no-32bit: the kernel offers no Landlock")
    barred = [os.path.realpath(p) for p in BARRED if os.path.lexists(p)]
    attr = RulesetAttr(ACCESS_EXECUTE | ACCESS_REFER)
    ruleset = libc.syscall(SYS_CREATE_RULESET, ctypes.byref(attr), ctypes.c_size_t(ctypes.sizeof(attr)),
                           ctypes.c_uint32(0))
    if ruleset < 0:
        fail("creating the rule set")
    allow_all_but(ruleset, "/", barred)
    if libc.prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0:
        fail("prctl")
    if libc.syscall(SYS_RESTRICT_SELF, ctypes.c_int(ruleset), ctypes.c_uint32(0)) != 0:
        fail("restricting")
    os.close(ruleset)
    os.execvp(sys.argv[1], sys.argv[1:])


main()
