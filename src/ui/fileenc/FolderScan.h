#pragma once
// Reading folders away from the window's thread: a folder of 100,000 entries, or one on a slow
// disk, must not stop the window. A FolderWorker runs jobs one after another on a thread of its
// own; each job has a token its poster may cancel, and reports back by posting to a QObject.

#include <QString>
#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

/// One visible entry of a folder.
struct FolderEntry {
    QString name;
    bool isFolder = false;  // a folder, or a link to one
};

/// The visible entries of `folder` (names starting with '.' are hidden and left out); nothing when it
/// cannot be read. `foldersOnly` leaves files out. Stops early, with what it has, once `cancel` is set.
std::vector<FolderEntry> listFolder(const QString& folder, bool foldersOnly, const std::atomic<bool>& cancel);

/// Sorts entries into name order: without regard to case, ties by the exact name.
void sortByName(std::vector<FolderEntry>& entries);

/// `folder` + "/" + `name`, without doubling the root's slash.
QString childPath(const QString& folder, const QString& name);

/// A file's size and last change, as far as they can be read.
struct FileFacts {
    std::int64_t size = -1;              // -1 when unknown
    std::int64_t modified = INT64_MIN;   // seconds since 1970 UTC; INT64_MIN when unknown
};
FileFacts readFileFacts(const QString& path);

class FolderWorker {
public:
    using Token = std::shared_ptr<std::atomic<bool>>;
    using Job = std::function<void(const std::atomic<bool>& cancelled)>;

    FolderWorker() = default;
    /// Cancels every job and waits for the one running.
    ~FolderWorker();
    FolderWorker(const FolderWorker&) = delete;
    FolderWorker& operator=(const FolderWorker&) = delete;

    /// Queues `job`; setting the returned token cancels it (before or while it runs).
    Token post(Job job);

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::pair<Token, Job>> m_jobs;
    Token m_current;
    bool m_stopping = false;
    std::thread m_thread;
};
