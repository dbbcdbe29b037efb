// Fuzzes the "~~~" file operations. The first input byte picks the mode: even, the rest is taken as
// a whole file named "x.~~~" and classified and decrypted with the fixed password (hostile trailers,
// short files, odd name tails); odd, the rest is a file's contents that must come back byte for byte
// after encrypting and decrypting it. Its other bits pick the chunk size the body streams in (8 to
// 1,024 bytes), so small inputs cross chunk boundaries too.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "FuzzSupport.h"
#include "common/ByteIO.h"
#include "common/SafeFile.h"
#include "fileenc/FileBodyStream.h"
#include "fileenc/FileEncryption.h"

namespace {

const std::string& workFolder() {
    static const std::string folder = [] {
        std::string base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
        std::string tmpl = base + "/quorvane-fuzz-XXXXXX";
        if (!::mkdtemp(tmpl.data())) std::abort();
        return tmpl;
    }();
    return folder;
}

void emptyFolder() {
    for (const auto& entry : std::filesystem::directory_iterator(workFolder())) std::filesystem::remove_all(entry);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    emptyFolder();
    setFileChunkBytes(std::size_t{8} << ((data[0] >> 1) % 8));
    FixedPrompter ui;
    FileEncryptionState state;
    state.FileEncryptionPassword = kFuzzPassword;
    state.PasswordIsSet = 1;

    if (data[0] % 2 == 0) {
        state.SelectedFile = workFolder() + "/x.~~~";
        if (!writeFileSafely(state.SelectedFile, data + 1, size - 1).ok) std::abort();
        CanOpenForReading(state.SelectedFile, ui);
        IsNonEmptyFile(state.SelectedFile, ui);
        if (IsEncryptedFile(state.SelectedFile, ui)) state.IsEncrypted = 1;
        DecryptSelectedFile(state, ui);
        return 0;
    }

    const Bytes original(data + 1, data + size);
    state.SelectedFile = workFolder() + "/source.txt";
    if (!writeFileSafely(state.SelectedFile, original).ok) std::abort();
    FileOpResult encrypted = EncryptSelectedFile(state, ui);
    if (original.empty()) {
        if (encrypted.outputWritten()) std::abort();  // an empty file is never encrypted
        return 0;
    }
    if (encrypted.status != FileOpStatus::Done) std::abort();
    FileOpResult decrypted = DecryptSelectedFile(state, ui);
    if (decrypted.status != FileOpStatus::Done || state.SelectedFile != workFolder() + "/source.txt") std::abort();
    if (*readWholeFile(state.SelectedFile) != original) std::abort();
    return 0;
}
