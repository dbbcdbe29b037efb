#include "ui/fileenc/FolderScan.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QFile>
#include <algorithm>

std::vector<FolderEntry> listFolder(const QString& folder, bool foldersOnly, const std::atomic<bool>& cancel) {
    std::vector<FolderEntry> entries;
    const QByteArray native = QFile::encodeName(folder);
    DIR* dir = ::opendir(native.constData());
    if (!dir) {
        return entries;
    }
    while (!cancel.load(std::memory_order_relaxed)) {
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            break;
        }
        if (entry->d_name[0] == '.') {
            continue;  // hidden, and "." and ".."
        }
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            // Links count as what they lead to; some file systems do not say what an entry is.
            struct stat st {};
            isFolder = ::fstatat(::dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
        }
        if (foldersOnly && !isFolder) {
            continue;
        }
        entries.push_back({QFile::decodeName(entry->d_name), isFolder});
    }
    ::closedir(dir);
    return entries;
}

void sortByName(std::vector<FolderEntry>& entries) {
    std::stable_sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
        const int order = QString::compare(a.name, b.name, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a.name < b.name;
    });
}

QString childPath(const QString& folder, const QString& name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

FileFacts readFileFacts(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0 && ::lstat(native.constData(), &st) != 0) {
        return {};
    }
    return {static_cast<std::int64_t>(st.st_size), static_cast<std::int64_t>(st.st_mtim.tv_sec)};
}

FolderWorker::~FolderWorker() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        for (auto& job : m_jobs) {
            job.first->store(true);
        }
        m_jobs.clear();
        if (m_current) {
            m_current->store(true);
        }
    }
    m_wake.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

FolderWorker::Token FolderWorker::post(Job job) {
    auto token = std::make_shared<std::atomic<bool>>(false);
    {
        std::lock_guard lock(m_mutex);
        m_jobs.emplace_back(token, std::move(job));
        if (!m_thread.joinable()) {
            m_thread = std::thread([this] { run(); });
        }
    }
    m_wake.notify_one();
    return token;
}

void FolderWorker::run() {
    for (;;) {
        std::pair<Token, Job> job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_stopping) {
                return;
            }
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
            m_current = job.first;
        }
        if (!job.first->load()) {
            job.second(*job.first);
        }
        std::lock_guard lock(m_mutex);
        m_current.reset();
    }
}
