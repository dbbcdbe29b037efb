// Saving through a temporary file: who may read the result, and names as long as the system allows.
#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "common/ByteIO.h"
#include "common/SafeFile.h"

namespace {

namespace fs = std::filesystem;

void writeData(const std::string& path, const Bytes& data) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()),
                                                static_cast<std::streamsize>(data.size()));
}

class SafeFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "safefile-XXXXXX").string();
        m_dir = ::mkdtemp(tmpl.data());
        m_oldMask = ::umask(0022);
    }
    void TearDown() override {
        ::umask(m_oldMask);
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    std::string path(const std::string& name) const { return m_dir + "/" + name; }
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()));
    }

private:
    std::string m_dir;
    mode_t m_oldMask = 0;
};

mode_t modeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

TEST_F(SafeFileTest, NewFilesAreOwnerOnlyAndReplacedFilesKeepTheirPermissions) {
    const Bytes data{1, 2, 3};
    ASSERT_TRUE(writeFileSafely(path("new.qvf"), data).ok);
    EXPECT_EQ(modeOf(path("new.qvf")), 0600u);

    for (mode_t mode : {0640u, 0604u, 0400u}) {
        const std::string existing = path("existing-" + std::to_string(mode) + ".qvf");
        ASSERT_TRUE(writeFileSafely(existing, Bytes{9}).ok);
        ASSERT_EQ(::chmod(existing.c_str(), mode), 0);
        FileResult result = writeFileSafely(existing, data);
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(modeOf(existing), mode);
        EXPECT_EQ(readWholeFile(existing).value_or(Bytes{}), data);
    }
    EXPECT_EQ(entries(), 4u);  // no temporary file stays behind
}

TEST_F(SafeFileTest, SavingThroughALinkUpdatesTheFileItPointsTo) {
    ASSERT_TRUE(writeFileSafely(path("real.qvf"), Bytes{1}).ok);
    ASSERT_EQ(::symlink(path("real.qvf").c_str(), path("link.qvf").c_str()), 0);
    ASSERT_TRUE(writeFileSafely(path("link.qvf"), Bytes{2, 3}).ok);
    EXPECT_TRUE(fs::is_symlink(path("link.qvf")));
    EXPECT_EQ(readWholeFile(path("real.qvf")).value_or(Bytes{}), (Bytes{2, 3}));
    EXPECT_EQ(entries(), 2u);
}

TEST_F(SafeFileTest, TheLongestNameTheSystemAllowsCanBeWritten) {
    std::string accented(199, 'a');
    for (int i = 0; i < 28; ++i) accented += "\xC3\xA9";  // "é": a cut at byte 200 would split the first one
    const std::string names[] = {std::string(251, 'x') + ".qvf", accented};  // both 255 bytes
    for (const std::string& name : names) {
        ASSERT_LE(name.size(), 255u);
        FileResult result = writeFileSafely(path(name), Bytes{7, 7});
        EXPECT_TRUE(result.ok) << result.error;
        EXPECT_EQ(readWholeFile(path(name)).value_or(Bytes{}), (Bytes{7, 7}));
    }
    EXPECT_EQ(entries(), 2u);
}

// A save must never put a regular file in place of a FIFO, a device or a folder (through a link
// either): "convert x /dev/null" as root used to turn /dev/null into a file holding the cards.
TEST_F(SafeFileTest, TargetsThatAreNoRegularFileAreRefused) {
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    ASSERT_EQ(::symlink(path("fifo").c_str(), path("to-fifo").c_str()), 0);
    ASSERT_EQ(::symlink("/dev/null", path("to-null").c_str()), 0);
    fs::create_directory(path("folder"));
    for (const std::string name : {"fifo", "to-fifo", "to-null", "folder"}) {
        FileResult result = writeFileSafely(path(name), Bytes{1, 2});
        EXPECT_FALSE(result.ok) << name;
        EXPECT_TRUE(result.notCreated) << name;
        EXPECT_FALSE(result.error.empty()) << name;
    }
    EXPECT_TRUE(fs::is_fifo(path("fifo")));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_EQ(entries(), 4u);
}

// Create-only writes: an existing name of any kind, a dangling link too, is never replaced, neither
// when it was there at the start nor when it appears while the file is being written (a second
// encryption to the same "~~~" name at the same time).
TEST_F(SafeFileTest, CreateOnlyNeverReplacesAName) {
    ASSERT_TRUE(writeFileSafely(path("taken"), Bytes{1}).ok);
    ASSERT_EQ(::symlink(path("nowhere").c_str(), path("dangling").c_str()), 0);
    for (const std::string name : {"taken", "dangling"}) {
        FileResult result = writeFileSafely(path(name), Bytes{9}, WriteMode::CreateOnly);
        EXPECT_FALSE(result.ok) << name;
        EXPECT_TRUE(result.alreadyExists) << name;
    }
    EXPECT_EQ(readWholeFile(path("taken")).value_or(Bytes{}), Bytes{1});
    EXPECT_TRUE(fs::is_symlink(path("dangling")));
    EXPECT_TRUE(fileExists(path("dangling")));

    SafeFileWriter writer;
    ASSERT_TRUE(writer.open(path("raced"), WriteMode::CreateOnly).ok);
    ASSERT_TRUE(writer.write(Bytes{5, 5}.data(), 2).ok);
    ASSERT_TRUE(writeFileSafely(path("raced"), Bytes{7}, WriteMode::CreateOnly).ok);  // the other run wins
    FileResult lost = writer.commit();
    EXPECT_FALSE(lost.ok);
    EXPECT_TRUE(lost.alreadyExists);
    EXPECT_EQ(readWholeFile(path("raced")).value_or(Bytes{}), Bytes{7});
    EXPECT_EQ(entries(), 3u);  // its temporary file is gone
}

// A temporary file left by a killed run is removed by the next write in its folder; one that a
// running writer holds, and files that are not ours, stay.
TEST_F(SafeFileTest, StaleTemporaryFilesOfKilledRunsAreRemoved) {
    const std::string stale = path(".report.txt.quorvane-a1b2c3");
    const std::string notOurs = path(".report.txt.other-a1b2c3");
    SafeFileWriter running;
    ASSERT_TRUE(running.open(path("busy.qvf")).ok);
    writeData(stale, Bytes{'p', 'l', 'a', 'i', 'n'});
    writeData(notOurs, Bytes{1});
    ASSERT_EQ(entries(), 3u);

    ASSERT_TRUE(writeFileSafely(path("other.qvf"), Bytes{1}).ok);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(notOurs));
    EXPECT_EQ(entries(), 3u);  // other.qvf, the file not ours, the running writer's temporary file
    EXPECT_TRUE(running.write(Bytes{3}.data(), 1).ok);
    EXPECT_TRUE(running.commit().ok);
    EXPECT_EQ(readWholeFile(path("busy.qvf")).value_or(Bytes{}), Bytes{3});
}

// The permission bits and modification time a decryption restores.
TEST_F(SafeFileTest, AttributesAreSetBeforeTheFileIsPutInPlace) {
    SafeFileWriter writer;
    ASSERT_TRUE(writer.open(path("restored")).ok);
    ASSERT_TRUE(writer.setAttributes(0755, FileTime{1'000'000'000, 123'456'789}).ok);
    ASSERT_TRUE(writer.commit().ok);
    struct stat st {};
    ASSERT_EQ(::stat(path("restored").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1'000'000'000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 123'456'789);
}

// A file larger than any memory (here a sparse one of 4 TiB) is reported as unreadable; it used to
// end the program with an uncaught allocation failure.
TEST_F(SafeFileTest, FileLargerThanMemoryIsAnErrorNotACrash) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer stops the process on any oversized allocation";
#endif
    std::string overcommit;
    std::ifstream("/proc/sys/vm/overcommit_memory") >> overcommit;
    if (overcommit == "1") GTEST_SKIP() << "with unconditional overcommit the allocation succeeds";
    const std::string huge = path("huge.qvf");
    std::ofstream{huge};
    if (::truncate(huge.c_str(), off_t{1} << 42) != 0)
        GTEST_SKIP() << "this file system holds no sparse file of 4 TiB";
    std::string error;
    EXPECT_FALSE(readWholeFile(huge, &error).has_value());
    EXPECT_NE(error.find("huge.qvf"), std::string::npos) << error;
}

}  // namespace
