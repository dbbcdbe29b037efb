#pragma once
// What the files of file encryption share: FileEncryption.cpp opens and classifies files,
// FileOutput.cpp writes an output in place safely, FileEncrypt.cpp and FileDecrypt.cpp run the two
// operations on them.

#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/SafeFile.h"
#include "crypto/Blowfish.h"
#include "fileenc/FileBodyStream.h"
#include "fileenc/FileEncryption.h"

namespace fileenc {

class FileHandle {
public:
    explicit FileHandle(int fd = -1) : m_fd(fd) {}
    ~FileHandle() { close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int fd() const { return m_fd; }
    void reset(int fd) {
        close();
        m_fd = fd;
    }
    void close() {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

// Opens a regular file for reading and tells its length. Returns 0 or an errno value. O_NONBLOCK
// keeps a FIFO from hanging the open; it has no effect on reading a regular file.
int openForReading(const std::string& path, FileHandle& file, std::uint64_t& length);

// Reads `count` bytes at `offset`; `got` tells how many arrived before the end of the file.
bool readBytesAt(int fd, std::uint64_t offset, std::uint8_t* buffer, std::size_t count, std::size_t& got);

// The messages a failed read gives at each step.
struct ReadMessages {
    const char* readError;
    const char* shortRead;
};
constexpr ReadMessages kEncryptReadMessages{"Read bytes in memory Error", "Not all bytes read!"};
constexpr ReadMessages kDecryptReadMessages{"ReadBytesInMemory() Error", "Bytes not read correctly"};

// The source file's permission bits and modification time, which the "~~~" format has no room for:
// they travel beside it in an extended attribute of the "~~~" file ("mode=0755 mtime=SECONDS.NANOS").
struct KeptAttributes {
    unsigned mode = 0;
    FileTime modified;
};

// The kept-attributes value for a source file of status `st`.
std::string formatKeptAttributes(const struct stat& st);

// The attributes kept beside `fd`'s file; nothing when it has none or they are not in our form.
std::optional<KeptAttributes> readKeptAttributes(int fd);

// What goes with an output besides its bytes: an attribute to set on it, or attributes to restore.
struct OutputExtras {
    std::string keepAttributes;              // set as the kept-attributes value when not empty
    std::optional<KeptAttributes> restore;  // the permission bits and time to give the output
    WriteMode mode = WriteMode::CreateOnly;  // Replace once replacing was confirmed
};

// Writes a new file at `outputPath`: `prefix` (may be empty), the body `stream` writes through the
// writer, `trailer` (may be empty), and puts it in place. False after the messages of a failure, or on
// a cancel (status Cancelled); the temporary file is gone either way and the target untouched.
bool writeOutput(const std::string& inputPath, const std::function<StreamResult(SafeFileWriter&)>& stream,
                 const std::string& outputPath, const std::uint8_t* prefix, std::size_t prefixLength,
                 const std::uint8_t* trailer, std::size_t trailerLength, const OutputExtras& extras,
                 const char* stepError, const ReadMessages& readMessages, FileOpResult& result, Prompter& ui);

// The old form: the body through Blowfish, then the trailer.
bool writeStreamedOutput(int input, const std::string& inputPath, const BodyBuffers& buffers, const BlowfishKey& key,
                         BodyCipher how, const std::string& outputPath, const std::uint8_t* trailer,
                         std::size_t trailerLength, const OutputExtras& extras, const char* stepError,
                         const ReadMessages& readMessages, const FileProgress& progress, FileOpResult& result,
                         Prompter& ui);

// A buffer for one sealed or opened chunk; nothing when the memory cannot be had.
std::unique_ptr<std::uint8_t[]> chunkBuffer(std::size_t size);

// True when both names lead to one file on disk (through links or not).
bool sameFileOnDisk(const std::string& a, const std::string& b);

// Whether the output may be written, and how: a free name is taken only while it stays free (a run at
// the same time must not be replaced); an existing file is replaced once that was confirmed. Anything
// with the name counts as existing, a dangling link too.
bool mayWriteOutput(const std::string& path, WriteMode& mode, FileOpResult& result, Prompter& ui);

// Deletes the input once its output is in place: Done, or InputKept when it cannot go.
void removeInput(const std::string& path, FileOpResult& result);

// Holds the input for the whole operation, so that a second encryption or decryption of the same
// file (in this run or another) is refused instead of racing this one. False only when another
// holds it; a file system without locks does not stop the operation.
bool lockForOperation(int fd);

// Opens the selected file for an operation, after clearing what a killed run left in its folder: the
// file is open, held for the operation and not empty, else the message saying which is shown and
// false returned. `emptyMessage` is the operation's own text for an empty file.
bool openSelectedFile(const std::string& path, FileHandle& file, std::uint64_t& length, const char* emptyMessage,
                      Prompter& ui);

// Whether the file is in the strong form: its magic at the start, and, should the old form's magic
// also sit at its end, an intact header (an old file's enciphered body might begin with the magic).
bool readAsStrong(int fd, std::uint64_t length, std::uint8_t* head, std::size_t& headSize);

}  // namespace fileenc
