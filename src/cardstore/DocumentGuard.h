#pragma once
// Keeping changes made elsewhere: what was read of a card document (its identity and a digest of
// its bytes), the check that the file on disk is still that before it is replaced, and the lock
// file that makes one writer at a time.

#include <sys/types.h>

#include <ctime>
#include <optional>
#include <string>

#include "crypto/Sha1.h"

/// What a document's file was when it was read or written.
struct FileFingerprint {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    Sha1Bytes digest{};
};

/// The fingerprint of the file at `path` (links followed), reading it whole for the digest; a
/// fingerprint with exists false when there is no such file; nothing when it cannot be read.
std::optional<FileFingerprint> fingerprintFile(const std::string& path);

/// Whether the file at `path` is still what `known` describes. Same identity, size and time: yes,
/// without reading it. Otherwise the bytes decide, so that a file rewritten with the same bytes (a
/// sync program, a save of an unchanged document) does not count as changed. A file that cannot
/// be read counts as changed.
bool fileStillMatches(const std::string& path, const FileFingerprint& known);

/// The lock that makes one writer of a document at a time: ".NAME.lock" beside it, holding the host
/// name and process id of its holder, made exclusively and removed when released. A lock left by
/// a process of this host that no longer runs is taken over. Locks are advisory.
class DocumentLock {
public:
    DocumentLock() = default;
    ~DocumentLock() { release(); }
    DocumentLock(const DocumentLock&) = delete;
    DocumentLock& operator=(const DocumentLock&) = delete;

    enum class Outcome { Acquired, HeldElsewhere, Unavailable };
    /// Takes the lock of the document at `path`. HeldElsewhere when a live holder has it (see
    /// holder()); Unavailable when no lock file can be made (a read-only folder): the document may
    /// still be written, with the change check alone.
    Outcome acquire(const std::string& path);
    /// Removes the lock file, if this object made it.
    void release();

    bool held() const { return !m_lockPath.empty(); }
    /// Who holds the lock after HeldElsewhere, as "process 1234 on host".
    const std::string& holder() const { return m_holder; }

    /// The lock file's name for a document.
    static std::string lockPathFor(const std::string& path);

private:
    std::string m_lockPath;
    std::string m_holder;
};
