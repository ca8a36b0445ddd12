// Protects the file layer under every save and open: names in Japanese, a target replaced on
// every platform, reads that refuse folders, FIFOs, devices, oversized files and read errors
// with the system's reason instead of aborting, saves that never write through a planted link,
// never put a file in the place of a FIFO or device, keep the target's permissions, clear the
// stale leftovers of killed saves and never another save's live temporary file, and a trace
// file that a planted link cannot redirect.
#include "core/common/file_io.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_folder.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/sysmacros.h>
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

TEST(FileIo, StaleLeftoversOfKilledSavesGoAtTheNextSaveInTheFolder)
{
    TempFolder t;
    const auto stale = k_stale_temp_age + std::chrono::seconds(30);
    const std::vector<std::string> gone{
        ".a.dat.velta-0123456789abcdef.tmp",
        // a backup's, whose name no later save reuses
        ".20261209-154500_COM1~velta.dat.velta-0123456789abcdef.tmp"};
    const std::vector<std::string> kept{".a.dat.velta-operator-notes.tmp", "a.dat.tmp0",
                                        ".b.dat.velta-0123456789ABCDEF.tmp"};
    for (const std::string& n : gone) write_aged(t.dir() / n, "left", stale);
    for (const std::string& n : kept) write_aged(t.dir() / n, "left", stale);
    // Another program's save of the same file, still going.
    const std::string live = ".a.dat.velta-fedcba9876543210.tmp";
    write_aged(t.dir() / live, "live", std::chrono::seconds(10));
    ASSERT_TRUE(write_file_atomically(t.path("a.dat"), "new"));
    for (const std::string& n : gone) EXPECT_FALSE(fs::exists(t.dir() / n)) << n;
    for (const std::string& n : kept) EXPECT_TRUE(fs::exists(t.dir() / n)) << n;  // not ours
    EXPECT_TRUE(fs::exists(t.dir() / live));
}

#ifndef _WIN32
// On Windows a rename over a file that another save is replacing at the same instant can be
// refused by the system itself (a sharing violation), whoever's temporary it is.
TEST(FileIo, TwoSavesOfTheSameFileAtOnceBothSucceed)
{
    TempFolder t;
    const std::string file = t.path("shared.dat");
    constexpr int k_saves = 150;
    std::atomic<int> failed{0};
    std::string reason;
    auto saver = [&](char mark) {
        const std::string bytes(4096, mark);
        for (int i = 0; i < k_saves; ++i) {
            std::string why;
            if (!write_file_atomically(file, bytes, &why) && failed++ == 0)
                reason = why;
        }
    };
    std::thread first(saver, 'a');
    std::thread second(saver, 'b');
    first.join();
    second.join();
    EXPECT_EQ(failed.load(), 0) << reason;
    const std::string now = read_file_bytes(file).value_or("");
    EXPECT_TRUE(now == std::string(4096, 'a') || now == std::string(4096, 'b'));
    EXPECT_EQ(entries(t.dir()).size(), 1u);
}
#endif

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

TEST(FileIo, WhatIsNoFileAtTheTargetIsRefusedAndLeftAsItWas)
{
    TempFolder t;
    const fs::path fifo = t.dir() / "pipe.dat";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::vector<fs::path> targets{fifo};
    // A device node, as root finds /dev/null; only the administrator can make one.
    const fs::path device = t.dir() / "null.dat";
    if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        targets.push_back(device);
    for (const fs::path& p : targets) {
        std::string why;
        EXPECT_FALSE(can_replace(p.string(), &why)) << p;
        EXPECT_EQ(why, "Not a regular file") << p;
        why.clear();
        EXPECT_FALSE(write_file_atomically(p.string(), "x", &why)) << p;
        EXPECT_EQ(why, "Not a regular file") << p;
        EXPECT_FALSE(fs::is_regular_file(fs::symlink_status(p))) << p;
    }
    EXPECT_EQ(entries(t.dir()).size(), targets.size());  // no temporary file left
    EXPECT_TRUE(can_replace(t.path("new.dat")));
}

TEST(FileIo, TraceFileRefusesPlantedLinksAndFoldersAnyoneCanSwap)
{
    TempFolder t;
    const fs::path victim = t.dir() / "victim.conf";
    write_plain(victim, "precious");
    fs::create_symlink(victim, t.dir() / "mine.txt");
    fs::create_symlink(victim, t.dir() / "planted.txt");
    const bool planted = give_to_another_user(t.dir() / "planted.txt");
    fs::create_directory(t.dir() / "open");
    fs::permissions(t.dir() / "open", fs::perms::all);
    const struct {
        std::string path;
        std::string reason;  // empty: opened
    } cases[] = {
        {t.path("new.txt"), ""},
        {t.path("planted.txt"), planted ? "A link owned by another user" : ""},
        {t.path("open/trace.txt"), "A folder every user may write to, without the sticky bit"},
    };
    for (const auto& c : cases) {
        StreamFile f;
        std::string why;
        EXPECT_EQ(f.open(c.path, &why), c.reason.empty()) << c.path;
        EXPECT_EQ(why, c.reason) << c.path;
    }
    if (planted) {
        std::ifstream in(victim, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "precious");
    }
    // The user's own link is followed.
    StreamFile own;
    ASSERT_TRUE(own.open(t.path("mine.txt")));
    own.write("trace line\n");
    own.close();
    EXPECT_EQ(read_file_bytes(victim.string()).value_or(""), "trace line\n");
}

#endif

}  // namespace
}  // namespace velta
