// Saving through a temporary file: who may read the result, and names as long as the system allows.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "common/ByteIO.h"
#include "common/SafeFile.h"

namespace {

namespace fs = std::filesystem;

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
