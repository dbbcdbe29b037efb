#include "fileenc/FileBodyStream.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "fileenc/EncryptedFileFormat.h"

namespace {

std::atomic<std::size_t> g_chunkBytes{kDefaultFileChunkBytes};

// Worker threads for reading and ciphering. The calling thread only writes, which costs little, so
// every core can cipher.
std::size_t workerCount() {
    const unsigned cores = std::thread::hardware_concurrency();
    return std::clamp<std::size_t>(cores, 1, 4);
}

enum class ChunkState { Pending, Ready, ReadError, ShortRead };

// Reads `size` bytes at `offset` in full.
ChunkState readChunk(int fd, std::uint64_t offset, std::uint8_t* data, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        ssize_t n = ::pread(fd, data + got, size - got, static_cast<off_t>(offset + got));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return ChunkState::ReadError;
        }
        if (n == 0)
            return ChunkState::ShortRead;
        got += static_cast<std::size_t>(n);
    }
    return ChunkState::Ready;
}

// Reads chunk `i` into `data` and ciphers it under `key` when there is one. Each chunk is a body of
// its own to the cipher: its blocks stand alone, and only the last chunk has a partial block, with its
// preceding block inside it.
ChunkState fillChunk(int fd, const BodyBuffers& buffers, std::size_t i, std::uint8_t* data, const BlowfishKey* key,
                     BodyCipher how) {
    const std::size_t length = buffers.chunkLength(i);
    ChunkState state = readChunk(fd, buffers.chunkOffset(i), data, length);
    if (state != ChunkState::Ready)
        return state;
    // The input is read once and then usually deleted: dropping its cached pages now, on the worker,
    // spares the deletion at the end from freeing them all while nothing else runs.
    ::posix_fadvise(fd, static_cast<off_t>(buffers.chunkOffset(i)), static_cast<off_t>(length), POSIX_FADV_DONTNEED);
    if (!key)
        return state;
    if (how == BodyCipher::Encipher)
        encipherFileBody(*key, data, length);
    else
        decipherFileBody(*key, data, length);
    return state;
}

StreamOutcome outcomeOf(ChunkState state) {
    return state == ChunkState::ReadError ? StreamOutcome::ReadError : StreamOutcome::ShortRead;
}

// Workers claim chunks in order and fill the slot each chunk maps to (chunk i uses slot i mod
// slots) once the chunk that held it before has been written; the calling thread writes the chunks
// in order as they become ready. One mutex guards the counters and slot states below.
class Pipeline {
public:
    Pipeline(int fd, const BodyBuffers& buffers, const BlowfishKey* key, BodyCipher how)
        : m_fd(fd), m_buffers(buffers), m_key(key), m_how(how), m_slots(buffers.slotCount()) {}

    // Starts up to `workers` threads; returns how many could be started (the system may refuse some).
    std::size_t start(std::size_t workers) {
        try {
            for (std::size_t w = 0; w < workers; ++w)
                m_workers.emplace_back([this] { work(); });
        } catch (const std::exception&) {
            // Fewer workers only make it slower.
        }
        return m_workers.size();
    }

    // Waits for chunk `i` (each chunk in turn); its bytes are in slot i mod slots when Ready.
    ChunkState waitFor(std::size_t i) {
        std::unique_lock lock(m_mutex);
        Slot& slot = m_slots[i % m_slots.size()];
        m_changed.wait(lock, [&] { return slot.chunk == i && slot.state != ChunkState::Pending; });
        return slot.state;
    }

    // Chunk `i` is out; its slot may take the next chunk.
    void written(std::size_t i) {
        {
            std::lock_guard lock(m_mutex);
            m_written = i + 1;
        }
        m_changed.notify_all();
    }

    // Stops the workers after the chunk they are on and waits for them.
    void finish() {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        for (std::thread& worker : m_workers)
            worker.join();
        m_workers.clear();
    }

    ~Pipeline() { finish(); }

private:
    struct Slot {
        std::size_t chunk = SIZE_MAX;
        ChunkState state = ChunkState::Pending;
    };

    void work() {
        const std::size_t chunks = m_buffers.chunkCount();
        const std::size_t slots = m_slots.size();
        for (;;) {
            std::size_t i;
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock,
                               [&] { return m_stop || m_nextClaim >= chunks || m_nextClaim < m_written + slots; });
                if (m_stop || m_nextClaim >= chunks)
                    return;
                i = m_nextClaim++;
                m_slots[i % slots] = Slot{i, ChunkState::Pending};
            }
            // The slot is this worker's alone until it is marked done.
            ChunkState state = fillChunk(m_fd, m_buffers, i, m_buffers.slot(i % slots), m_key, m_how);
            {
                std::lock_guard lock(m_mutex);
                m_slots[i % slots].state = state;
            }
            m_changed.notify_all();
        }
    }

    const int m_fd;
    const BodyBuffers& m_buffers;
    const BlowfishKey* m_key;
    const BodyCipher m_how;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Slot> m_slots;
    std::size_t m_nextClaim = 0;
    std::size_t m_written = 0;
    bool m_stop = false;
    std::vector<std::thread> m_workers;
};

}  // namespace

void setFileChunkBytes(std::optional<std::size_t> bytes) {
    g_chunkBytes = bytes ? std::max<std::size_t>(8, *bytes / 8 * 8) : kDefaultFileChunkBytes;
}

std::size_t fileChunkBytes() { return g_chunkBytes; }

std::unique_ptr<BodyBuffers> BodyBuffers::allocate(std::uint64_t length) {
    const std::size_t chunk = g_chunkBytes;
    std::uint64_t chunks = length / chunk + (length % chunk != 0 ? 1 : 0);
    // A final partial block must not stand alone in a chunk of its own: it goes with the chunk before.
    if (chunks > 1 && length - (chunks - 1) * chunk < 8)
        --chunks;
    return make(0, length, chunk, chunks);
}

std::unique_ptr<BodyBuffers> BodyBuffers::allocateChunks(std::uint64_t start, std::uint64_t length,
                                                         std::size_t chunkBytes) {
    if (chunkBytes == 0)
        return nullptr;
    return make(start, length, chunkBytes, length / chunkBytes + (length % chunkBytes != 0 ? 1 : 0));
}

std::unique_ptr<BodyBuffers> BodyBuffers::make(std::uint64_t start, std::uint64_t length, std::size_t chunk,
                                               std::uint64_t chunks) {
    auto buffers = std::unique_ptr<BodyBuffers>(new (std::nothrow) BodyBuffers);
    if (!buffers)
        return nullptr;
    if (chunks > SIZE_MAX / 2)
        return nullptr;
    buffers->m_start = start;
    buffers->m_length = length;
    buffers->m_chunkBytes = chunk;
    buffers->m_chunkCount = static_cast<std::size_t>(chunks);
    if (chunks <= 1) {
        buffers->m_slotCount = 1;
        buffers->m_slotBytes = static_cast<std::size_t>(std::max<std::uint64_t>(length, 1));
    } else {
        // Room for each worker's chunk, one being written, and one ready to be.
        buffers->m_slotCount = static_cast<std::size_t>(std::min<std::uint64_t>(chunks, workerCount() + 2));
        buffers->m_slotBytes = chunk + 8;
    }
    buffers->m_memory.reset(new (std::nothrow) std::uint8_t[buffers->m_slotCount * buffers->m_slotBytes]);
    if (!buffers->m_memory)
        return nullptr;
    return buffers;
}

std::size_t BodyBuffers::chunkLength(std::size_t i) const {
    if (i + 1 < m_chunkCount)
        return m_chunkBytes;
    return static_cast<std::size_t>(m_length - static_cast<std::uint64_t>(i) * m_chunkBytes);
}

namespace {

StreamResult runStream(int fd, const BodyBuffers& buffers, const BlowfishKey* key, BodyCipher how,
                       const ChunkConsumer& consume, const FileProgress& progress) {
    StreamResult result;
    const std::uint64_t total = buffers.length();
    if (progress && !progress(0, total)) {
        result.outcome = StreamOutcome::Cancelled;
        return result;
    }
    const std::size_t chunks = buffers.chunkCount();
    if (chunks == 0)
        return result;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);

    // A body of one chunk is not worth a thread; without any, the chunks go through one by one here.
    std::optional<Pipeline> pipeline;
    if (chunks > 1) {
        pipeline.emplace(fd, buffers, key, how);
        if (pipeline->start(std::min(workerCount(), chunks)) == 0)
            pipeline.reset();
    }
    std::uint64_t done = 0;
    for (std::size_t i = 0; i < chunks; ++i) {
        const ChunkState state =
            pipeline ? pipeline->waitFor(i) : fillChunk(fd, buffers, i, buffers.slot(i % buffers.slotCount()), key, how);
        if (state != ChunkState::Ready) {
            result.outcome = outcomeOf(state);
            return result;
        }
        const std::size_t length = buffers.chunkLength(i);
        result.outcome = consume(i, buffers.slot(i % buffers.slotCount()), length, result.write);
        if (result.outcome != StreamOutcome::Done)
            return result;
        if (pipeline)
            pipeline->written(i);
        done += length;
        if (progress && !progress(done, total)) {
            result.outcome = StreamOutcome::Cancelled;
            return result;
        }
    }
    return result;
}

}  // namespace

StreamResult streamFileBody(int fd, const BodyBuffers& buffers, const BlowfishKey& key, BodyCipher how,
                            SafeFileWriter& out, const FileProgress& progress) {
    return runStream(fd, buffers, &key, how,
                     [&out](std::size_t, std::uint8_t* data, std::size_t length, FileResult& write) {
                         write = out.write(data, length);
                         return write.ok ? StreamOutcome::Done : StreamOutcome::WriteError;
                     },
                     progress);
}

StreamResult streamChunks(int fd, const BodyBuffers& buffers, const ChunkConsumer& consume,
                          const FileProgress& progress) {
    return runStream(fd, buffers, nullptr, BodyCipher::Encipher, consume, progress);
}
