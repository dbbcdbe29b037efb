#pragma once
// Enciphering or deciphering a file body of any size in constant memory: the body goes through in
// chunks, read and ciphered by worker threads and written in order by the calling thread, with a
// few chunk buffers in between. The output is byte for byte what encipherFileBody or
// decipherFileBody gives for the whole body in one buffer.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/SafeFile.h"
#include "crypto/Blowfish.h"

/// Told the bytes done of the total between chunks; returning false cancels the operation.
using FileProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

/// The chunk size when none is set for testing: large enough that per-chunk costs vanish, small
/// enough that a few buffers stay far below the memory a file of any size may take.
inline constexpr std::size_t kDefaultFileChunkBytes = 2 * 1024 * 1024;

/// Test seam: while set, bodies go through in chunks of this many bytes (rounded down to whole
/// cipher blocks, at least one), so tests cross chunk boundaries with small files.
void setFileChunkBytes(std::optional<std::size_t> bytes);
/// The chunk size in force (what a new strong file states).
std::size_t fileChunkBytes();

enum class BodyCipher { Encipher, Decipher };

enum class StreamOutcome {
    Done,
    ReadError,   // reading the input failed
    ShortRead,   // the input ended before the body did (it shrank while being read)
    WriteError,  // SafeFileWriter::write failed; see StreamResult::write
    Cancelled,   // the progress callback said stop
    Refused,     // a chunk failed its authentication (strong form): the input was changed or damaged
};

struct StreamResult {
    StreamOutcome outcome = StreamOutcome::Done;
    FileResult write;  // the failed write, for WriteError
};

/// The chunk buffers for one body, taken before any file is written so that a lack of memory is
/// reported before anything else happens.
class BodyBuffers {
public:
    /// Buffers for a body of `length` bytes; nothing when the memory cannot be had.
    static std::unique_ptr<BodyBuffers> allocate(std::uint64_t length);
    /// Buffers for reading `length` bytes from offset `start` in chunks of exactly `chunkBytes` (the
    /// last one shorter), none merged with another: the chunks of the strong form.
    static std::unique_ptr<BodyBuffers> allocateChunks(std::uint64_t start, std::uint64_t length,
                                                       std::size_t chunkBytes);

    std::uint64_t length() const { return m_length; }
    std::size_t chunkBytes() const { return m_chunkBytes; }
    std::size_t chunkCount() const { return m_chunkCount; }
    std::size_t slotCount() const { return m_slotCount; }
    std::uint8_t* slot(std::size_t i) const { return m_memory.get() + i * m_slotBytes; }

    /// Offset and length of chunk `i`. Every chunk but the last is whole cipher blocks; the last one
    /// also takes a final partial block together with the block before it, so it can be ciphered alone.
    std::uint64_t chunkOffset(std::size_t i) const { return m_start + static_cast<std::uint64_t>(i) * m_chunkBytes; }
    std::size_t chunkLength(std::size_t i) const;

private:
    static std::unique_ptr<BodyBuffers> make(std::uint64_t start, std::uint64_t length, std::size_t chunkBytes,
                                             std::uint64_t chunks);
    std::uint64_t m_start = 0;
    std::uint64_t m_length = 0;
    std::size_t m_chunkBytes = 0;
    std::size_t m_chunkCount = 0;
    std::size_t m_slotCount = 0;
    std::size_t m_slotBytes = 0;
    std::unique_ptr<std::uint8_t[]> m_memory;
};

/// Reads the body (buffers.length() bytes from the start of `fd`), ciphers it as one file body under
/// `key` and appends it to `out`, in order. `progress`, when set, is called on the calling thread
/// with (0, total) before the first chunk and after each chunk is written; false stops the stream.
/// Uses the worker threads that the machine's cores allow.
StreamResult streamFileBody(int fd, const BodyBuffers& buffers, const BlowfishKey& key, BodyCipher how,
                            SafeFileWriter& out, const FileProgress& progress);

/// What is done with each chunk, in order, on the calling thread: chunk `index`'s `length` bytes at
/// `data`. Returns Done, or WriteError with `write` set, or Refused.
using ChunkConsumer =
    std::function<StreamOutcome(std::size_t index, std::uint8_t* data, std::size_t length, FileResult& write)>;

/// Reads the chunks of `buffers` from `fd` on the worker threads and hands each to `consume` on the
/// calling thread, in order; `progress` as for streamFileBody (the bytes read of buffers.length()).
/// The strong form's cipher is a chain from chunk to chunk, so it runs in `consume`, not on the workers.
StreamResult streamChunks(int fd, const BodyBuffers& buffers, const ChunkConsumer& consume,
                          const FileProgress& progress);
