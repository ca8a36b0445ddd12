// Protects the file layer under every save and open: names in Japanese, a target replaced on
// every platform, reads that refuse folders, FIFOs, devices, oversized files and read errors
// with the system's reason instead of aborting, saves that never write through a planted link,
// keep the target's permissions and clear the leftovers of killed saves.
#include "core/common/file_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/temp_folder.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/types.h>
#endif

namespace velta {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> entries(const fs::path& dir)
{
    std::vector<fs::path> out;
    for (const fs::directory_entry& e : fs::directory_iterator(dir))
        out.push_back(e.path().filename());
    return out;
}

void write_plain(const fs::path& p, const std::string& bytes)
{
    std::ofstream out(p, std::ios::binary);
    out << bytes;
}

TEST(FileIo, JapaneseNamesAreSavedReplacedAndReadBackByteForByte)
{
    TempFolder t;
    const std::string folder = t.path("現場の設定");
    ASSERT_TRUE(fs::create_directory(path_from_utf8(folder)));
    const std::string file = folder + "/第１スタジオ.dat";
    ASSERT_TRUE(write_file_atomically(file, "1\r\n"));
    // The second save replaces an existing target, which a plain rename refuses on Windows.
    ASSERT_TRUE(write_file_atomically(file, "2\r\ns\r\n"));
    EXPECT_EQ(read_file_bytes(file).value_or("<unread>"), "2\r\ns\r\n");
    EXPECT_EQ(entries(path_from_utf8(folder)),
              std::vector<fs::path>{path_from_utf8("第１スタジオ.dat")});
}

TEST(FileIo, ReadsRefuseWhatIsNoSoundRegularFileAndSayWhy)
{
    TempFolder t;
    write_plain(t.dir() / "ten.dat", "0123456789");
    fs::create_directory(t.dir() / "folder.dat");
    struct Case {
        std::string path;
        std::uintmax_t cap;
        std::string reason;  // empty: read
    };
    std::vector<Case> cases{
        {t.path("ten.dat"), 10, ""},
        {t.path("ten.dat"), 9, "File too large (more than 9 bytes)"},
        {t.path("folder.dat"), k_read_limit_bytes,
         std::make_error_code(std::errc::is_a_directory).message()},
        {t.path("none.dat"), k_read_limit_bytes,
         std::make_error_code(std::errc::no_such_file_or_directory).message()},
    };
#ifndef _WIN32
    ASSERT_EQ(::mkfifo((t.dir() / "pipe.dat").c_str(), 0600), 0);
    cases.push_back({t.path("pipe.dat"), k_read_limit_bytes, "Not a regular file"});
    cases.push_back({"/dev/null", k_read_limit_bytes, "Not a regular file"});
#endif
#ifdef __linux__
    // A regular file whose first read fails with EIO.
    cases.push_back({"/proc/self/mem", k_read_limit_bytes,
                     std::make_error_code(std::errc::io_error).message()});
#endif
    for (const Case& c : cases) {
        std::string why;
        const std::optional<std::string> bytes = read_file_bytes(c.path, c.cap, &why);
        EXPECT_EQ(bytes.has_value(), c.reason.empty()) << c.path;
        EXPECT_EQ(why, c.reason) << c.path;
    }
}

TEST(FileIo, FailedSaveSaysWhyAndLeavesTheOldFile)
{
    TempFolder t;
    const std::string file = t.path("a.dat");
    ASSERT_TRUE(write_file_atomically(file, "old"));
    std::string why;
    EXPECT_FALSE(write_file_atomically(t.path("missing/b.dat"), "x", &why));
    EXPECT_FALSE(why.empty());
    why.clear();
    fs::create_directory(t.dir() / "folder.dat");
    EXPECT_FALSE(write_file_atomically(t.path("folder.dat"), "x", &why));
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(read_file_bytes(file).value_or(""), "old");
    EXPECT_EQ(entries(t.dir()).size(), 2u);  // nothing of the failed saves left behind
}

TEST(FileIo, LeftoversOfKilledSavesGoAtTheNextSaveOfTheSameFile)
{
    TempFolder t;
    const std::vector<std::string> names{".a.dat.velta-0123456789abcdef.tmp",
                                         ".b.dat.velta-0123456789abcdef.tmp",
                                         ".a.dat.velta-operator-notes.tmp", "a.dat.tmp0"};
    for (const std::string& n : names) write_plain(t.dir() / n, "left");
    ASSERT_TRUE(write_file_atomically(t.path("a.dat"), "new"));
    EXPECT_FALSE(fs::exists(t.dir() / names[0]));
    for (std::size_t i = 1; i < names.size(); ++i)
        EXPECT_TRUE(fs::exists(t.dir() / names[i])) << names[i];  // not this file's, or not ours
}

#ifndef _WIN32

TEST(FileIo, SaveInASharedFolderNeverWritesThroughAPlantedLink)
{
    TempFolder t;
    const fs::path victim = t.dir() / "victim.conf";
    write_plain(victim, "precious");
    const fs::path shared = t.dir() / "shared";
    fs::create_directory(shared);
    // Links at the names a predictable saver would use, at the leftover pattern, and the
    // target itself replaced by a link.
    for (const char* n :
         {"site.dat.tmp0", "site.dat.tmp1", ".site.dat.velta-00000000deadbeef.tmp", "site.dat"})
        fs::create_symlink(victim, shared / n);
    ASSERT_TRUE(write_file_atomically((shared / "site.dat").string(), "settings"));
    std::ifstream in(victim, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "precious");
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(shared / "site.dat")));
    EXPECT_EQ(read_file_bytes((shared / "site.dat").string()).value_or(""), "settings");
    EXPECT_FALSE(fs::exists(fs::symlink_status(shared / ".site.dat.velta-00000000deadbeef.tmp")));
}

TEST(FileIo, SaveKeepsTheTargetsPermissionsAndANewFileFollowsTheUmask)
{
    TempFolder t;
    const std::string kept = t.path("kept.dat");
    ASSERT_TRUE(write_file_atomically(kept, "1"));
    ASSERT_EQ(::chmod(kept.c_str(), 0640), 0);
    ASSERT_TRUE(write_file_atomically(kept, "2"));
    struct stat st {};
    ASSERT_EQ(::stat(kept.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    const mode_t previous = ::umask(027);
    const std::string fresh = t.path("fresh.dat");
    const bool saved = write_file_atomically(fresh, "1");
    ::umask(previous);
    ASSERT_TRUE(saved);
    ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

#endif

}  // namespace
}  // namespace velta
