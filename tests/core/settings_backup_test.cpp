// Backups before a device is changed: names that sort by time, suit any file system and tell
// the program's backups from the user's files, the newest 50 of each device kept (never one of
// the running run, never a file the program did not write), a folder another user could swap
// refused, and a backup that loads back as the configuration it was taken from.
#include "core/model/settings_backup.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "core/model/backup_list.h"
#include "core/model/settings_file.h"
#include "support/temp_folder.h"

namespace velta {
namespace {

// A backup's name for the i-th second of a day of January 2000.
std::string backup_at(int day, int i, const std::string& device)
{
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "200001%02d-%02d%02d%02d", day, i / 3600, i / 60 % 60,
                  i % 60);
    return std::string(stamp) + "_" + device + "~velta.dat";
}

TEST(SettingsBackup, NamesSortByTimeAndHoldOnlySafeCharacters)
{
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 9;
    t.tm_hour = 15;
    t.tm_min = 45;
    t.tm_sec = 7;
    EXPECT_EQ(backup_file_name(t, "192.168.1.10"), "20261209-154507_192.168.1.10~velta.dat");
    EXPECT_EQ(backup_file_name(t, "fe80::1%eth0 /x\\y"),
              "20261209-154507_fe80__1_eth0__x_y~velta.dat");
    std::tm earlier = t;
    earlier.tm_mon = 1;
    EXPECT_LT(backup_file_name(earlier, "z"), backup_file_name(t, "a"));
}

TEST(SettingsBackup, KeepsTheNewestFiftyAndLoadsBackEqual)
{
    TempFolder tmp;
    const std::filesystem::path dir = tmp.dir() / "backups";
    std::filesystem::create_directories(dir);
    for (int i = 10; i < 65; ++i)  // 55 older backups, written in the order of their names
        write_aged(dir / backup_at(1, i, "COM1_05"), "x",
                   std::chrono::hours(1) - std::chrono::seconds(i));
    std::ofstream(dir / "notes.dat") << "not a backup";

    DeviceConfig config;
    config.pages.page_title[4] = "\x82\xa0";
    config.device.net_etr = 2;
    const auto now = std::chrono::system_clock::now();
    std::string why;
    const std::string first = save_backup(tmp.path("backups"), "COM1_05", config, now, &why);
    ASSERT_FALSE(first.empty()) << why;
    const std::string second = save_backup(tmp.path("backups"), "COM1_05", config, now, &why);
    EXPECT_NE(second, first);  // the same second does not overwrite the first
    const FileResult loaded = load_settings_file(second);
    ASSERT_EQ(loaded.status, FileStatus::ok) << loaded.message;
    EXPECT_EQ(loaded.config, config);

    std::set<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        left.insert(e.path().filename().string());
    EXPECT_EQ(left.size(), 51u);  // 50 backups and the file that is none
    EXPECT_TRUE(left.count("notes.dat") && left.count("20000101-000017_COM1_05~velta.dat"));
    EXPECT_FALSE(left.count("20000101-000016_COM1_05~velta.dat"));  // the seven oldest went
}

TEST(SettingsBackup, OnlyNamesTheProgramMakesAreBackups)
{
    const struct {
        const char* name;
        const char* device;  // nullptr: not a backup
        int sequence;
    } cases[] = {
        {"20261209-154507_192.168.1.10~velta.dat", "192.168.1.10", 1},
        {"20261209-154507_COM1_05~velta-12.dat", "COM1_05", 12},
        {"20200101-000000_manual-copy.dat", nullptr, 0},  // a user's file of the same look
        {"20261209-154507_COM1_05~velta-1.dat", nullptr, 0},
        {"20261209-154507_COM1_05~velta-02.dat", nullptr, 0},
        {"20261209-154507_COM1_05~velta.dat.bak", nullptr, 0},
        {"20261209-154507_COM1_05~velta.DAT", nullptr, 0},
        {"20261309-154507_COM1_05~velta.dat", nullptr, 0},  // month 13
        {"20261209-154507_~velta.dat", nullptr, 0},
        {"20261209-154507_my copy~velta.dat", nullptr, 0},
    };
    for (const auto& c : cases) {
        const std::optional<BackupName> parsed = parse_backup_name(c.name);
        ASSERT_EQ(parsed.has_value(), c.device != nullptr) << c.name;
        if (parsed) {
            EXPECT_EQ(parsed->device, c.device) << c.name;
            EXPECT_EQ(parsed->sequence, c.sequence) << c.name;
        }
    }
}

// Names of the folder's files, sorted.
std::set<std::string> names_in(const std::filesystem::path& dir)
{
    std::set<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        out.insert(e.path().filename().string());
    return out;
}

TEST(SettingsBackup, PruningKeepsEachDevicesNewestByTimeAndNeverTheRunsOwnOrOthers)
{
    namespace fs = std::filesystem;
    using std::chrono::hours;
    using std::chrono::minutes;
    using std::chrono::seconds;
    TempFolder tmp;
    const fs::path dir = tmp.dir() / "backups";
    fs::create_directories(dir);
    // 52 backups of one device in one second, written in the order of their numbers.
    const std::string second = "20000101-000000_COM1_05~velta";
    for (int n = 1; n <= 52; ++n)
        write_aged(dir / (second + (n == 1 ? "" : "-" + std::to_string(n)) + ".dat"), "x",
                   hours(3) - seconds(n));
    write_aged(dir / "20000101-000000_COM2_01~velta.dat", "x", hours(4));  // another device
    write_aged(dir / "20200101-000000_manual-copy.dat", "x", hours(5));
    const std::vector<std::string> kept_anyway{"20000101-000000_COM2_01~velta.dat",
                                               "20200101-000000_manual-copy.dat"};

    std::string why;
    ASSERT_FALSE(save_backup(tmp.path("backups"), "COM1_05", DeviceConfig{},
                             std::chrono::system_clock::now(), &why)
                     .empty())
        << why;
    std::set<std::string> left = names_in(dir);
    EXPECT_EQ(left.size(), 50u + kept_anyway.size());
    for (const char* gone : {"~velta.dat", "~velta-2.dat", "~velta-3.dat"})
        EXPECT_FALSE(left.count("20000101-000000_COM1_05" + std::string(gone))) << gone;
    EXPECT_TRUE(left.count(second + "-10.dat"));
    for (const std::string& n : kept_anyway) EXPECT_TRUE(left.count(n)) << n;

    // A run that began an hour ago over devices that share a name has made 60 backups of it
    // (after 50 older ones): the next one prunes the older ones, and none of the run's.
    const std::string device = "127.0.0.1";
    for (int i = 0; i < 50; ++i)
        write_aged(dir / backup_at(2, i, device), "x", hours(2) - seconds(i));
    for (int i = 0; i < 60; ++i)
        write_aged(dir / backup_at(3, i, device), "x", minutes(50) - seconds(i));
    const auto run_started = std::chrono::system_clock::now() - hours(1);
    ASSERT_FALSE(save_backup(tmp.path("backups"), device, DeviceConfig{},
                             std::chrono::system_clock::now(), &why, run_started)
                     .empty())
        << why;
    left = names_in(dir);
    int of_the_run = 0;
    int older = 0;
    for (const std::string& n : left) {
        of_the_run += n.starts_with("20000103-");
        older += n.starts_with("20000102-");
    }
    EXPECT_EQ(of_the_run, 60);
    EXPECT_EQ(older, 0);
}

#ifndef _WIN32

TEST(SettingsBackup, AFolderAnotherUserCouldSwapIsRefusedAndNothingInItPruned)
{
    namespace fs = std::filesystem;
    TempFolder tmp;
    // Someone's files, 60 of them named as backups.
    const fs::path victim = tmp.dir() / "victim";
    fs::create_directories(victim);
    for (int i = 10; i < 70; ++i)
        write_aged(victim / backup_at(1, i, "COM1_05"), "x", std::chrono::hours(1));
    const fs::path open_folder = tmp.dir() / "open";
    fs::create_directories(open_folder);
    fs::permissions(open_folder, fs::perms::all);
    const fs::path sticky = tmp.dir() / "sticky";
    fs::create_directories(sticky);
    fs::permissions(sticky, fs::perms::all | fs::perms::sticky_bit);
    fs::create_directory_symlink(victim, tmp.dir() / "planted");
    const bool planted = give_to_another_user(tmp.dir() / "planted");

    const struct {
        const char* folder;
        const char* reason;  // empty: saved
    } cases[] = {
        {"open", "A folder every user may write to, without the sticky bit"},
        {"sticky", ""},
        {"planted", planted ? "A link owned by another user" : ""},
    };
    for (const auto& c : cases) {
        std::string why;
        const std::string saved = save_backup(tmp.path(c.folder), "COM1_05", DeviceConfig{},
                                              std::chrono::system_clock::now(), &why);
        EXPECT_EQ(saved.empty(), *c.reason != '\0') << c.folder;
        EXPECT_EQ(why, c.reason) << c.folder;
    }
    if (planted) {  // only the administrator can plant another user's link here
        EXPECT_EQ(names_in(victim).size(), 60u);
    }
}

#endif

TEST(SettingsBackup, ListsADevicesBackupsNewestFirst)
{
    TempFolder tmp;
    const std::filesystem::path dir = tmp.dir() / "backups";
    std::filesystem::create_directories(dir);
    // The program's names, and those of earlier versions (no mark), which a restore still offers.
    for (const char* name :
         {"20261210-085000_192.168.1.10~velta.dat", "20261210-085000_192.168.1.10~velta-2.dat",
          "20261210-085000_192.168.1.10~velta-10.dat", "20261209-154500_192.168.1.10.dat",
          "20261209-154500_192.168.1.10-2.dat", "20261208-090000_192.168.1.10.dat",
          "20261210-080000_192.168.1.11.dat", "20261210-080000_192.168.1.100.dat",
          "20261210-090000_COM1_05.dat", "notes.dat", "20261210-0900_192.168.1.10.dat"})
        std::ofstream(dir / name) << "x";
    std::filesystem::create_directories(dir / "20261211-000000_192.168.1.10.dat");

    const std::vector<BackupEntry> mine = list_backups(tmp.path("backups"), "192.168.1.10");
    std::vector<std::string> names;
    for (const BackupEntry& e : mine) {
        names.push_back(std::filesystem::path(e.path).filename().string());
        EXPECT_EQ(e.device, "192.168.1.10");
    }
    EXPECT_EQ(
        names,
        (std::vector<std::string>{
            "20261210-085000_192.168.1.10~velta-10.dat", "20261210-085000_192.168.1.10~velta-2.dat",
            "20261210-085000_192.168.1.10~velta.dat", "20261209-154500_192.168.1.10-2.dat",
            "20261209-154500_192.168.1.10.dat", "20261208-090000_192.168.1.10.dat"}));
    ASSERT_FALSE(mine.empty());
    EXPECT_EQ(mine[0].time, "2026-12-10 08:50:00");

    // A device's name is matched as save_backup writes it; without one, every backup.
    ASSERT_EQ(list_backups(tmp.path("backups"), "fe80::1").size(), 0u);
    const std::vector<BackupEntry> all = list_backups(tmp.path("backups"));
    ASSERT_EQ(all.size(), 9u);
    EXPECT_EQ(all[0].device, "COM1_05");
    EXPECT_TRUE(list_backups(tmp.path("missing")).empty());
}

}  // namespace
}  // namespace velta
