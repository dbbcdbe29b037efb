#pragma once
// Settings every Quorvane program makes for itself at start, before it reads a password or writes a
// file.

/// Ignores SIGXFSZ, so that a write cut short by a file-size limit fails with EFBIG (reported, its
/// temporary file removed) instead of killing the program; and keeps the process from dumping core
/// (PR_SET_DUMPABLE 0), so that passwords and key schedules in its memory never land in a core
/// file. Unlike a core-size limit of 0, that also holds where core files go to a program (systemd-
/// coredump, apport), and it keeps other processes of the same user from reading our memory through
/// ptrace or /proc/PID/mem. QUORVANE_ALLOW_CORE_DUMPS=1 in the environment leaves core dumps on, for
/// debugging, in a build made for the tests only (common/TestSeams.h); other builds say on standard
/// error that they ignore it and every other test switch set.
void guardProcess();
