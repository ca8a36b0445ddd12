// Backups before a device is changed: names that sort by time and suit any file system, the
// newest 50 kept, and a backup that loads back as the configuration it was taken from.
#include "core/model/settings_backup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "core/model/backup_list.h"
#include "core/model/settings_file.h"
#include "support/temp_folder.h"

namespace velta {
namespace {

TEST(SettingsBackup, NamesSortByTimeAndHoldOnlySafeCharacters)
{
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 9;
    t.tm_hour = 15;
    t.tm_min = 45;
    t.tm_sec = 7;
    EXPECT_EQ(backup_file_name(t, "192.168.1.10"), "20261209-154507_192.168.1.10.dat");
    EXPECT_EQ(backup_file_name(t, "fe80::1%eth0 /x\\y"), "20261209-154507_fe80__1_eth0__x_y.dat");
    std::tm earlier = t;
    earlier.tm_mon = 1;
    EXPECT_LT(backup_file_name(earlier, "z"), backup_file_name(t, "a"));
}

TEST(SettingsBackup, KeepsTheNewestFiftyAndLoadsBackEqual)
{
    TempFolder tmp;
    const std::filesystem::path dir = tmp.dir() / "backups";
    std::filesystem::create_directories(dir);
    for (int i = 10; i < 65; ++i)  // 55 older backups
        std::ofstream(dir / ("20000101-0000" + std::to_string(i) + "_COM1_05.dat")) << "x";
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
    EXPECT_TRUE(left.count("notes.dat") && left.count("20000101-000017_COM1_05.dat"));
    EXPECT_FALSE(left.count("20000101-000016_COM1_05.dat"));  // the seven oldest went
}

TEST(SettingsBackup, ListsADevicesBackupsNewestFirst)
{
    TempFolder tmp;
    const std::filesystem::path dir = tmp.dir() / "backups";
    std::filesystem::create_directories(dir);
    for (const char* name :
         {"20261209-154500_192.168.1.10.dat", "20261209-154500_192.168.1.10-2.dat",
          "20261208-090000_192.168.1.10.dat", "20261210-080000_192.168.1.11.dat",
          "20261210-080000_192.168.1.100.dat", "20261210-090000_COM1_05.dat", "notes.dat",
          "20261210-0900_192.168.1.10.dat"})
        std::ofstream(dir / name) << "x";
    std::filesystem::create_directories(dir / "20261211-000000_192.168.1.10.dat");

    const std::vector<BackupEntry> mine = list_backups(tmp.path("backups"), "192.168.1.10");
    std::vector<std::string> names;
    for (const BackupEntry& e : mine) {
        names.push_back(std::filesystem::path(e.path).filename().string());
        EXPECT_EQ(e.device, "192.168.1.10");
    }
    EXPECT_EQ(names, (std::vector<std::string>{"20261209-154500_192.168.1.10-2.dat",
                                               "20261209-154500_192.168.1.10.dat",
                                               "20261208-090000_192.168.1.10.dat"}));
    ASSERT_FALSE(mine.empty());
    EXPECT_EQ(mine[0].time, "2026-12-09 15:45:00");

    // A device's name is matched as save_backup writes it; without one, every backup.
    ASSERT_EQ(list_backups(tmp.path("backups"), "fe80::1").size(), 0u);
    const std::vector<BackupEntry> all = list_backups(tmp.path("backups"));
    ASSERT_EQ(all.size(), 6u);
    EXPECT_EQ(all[0].device, "COM1_05");
    EXPECT_TRUE(list_backups(tmp.path("missing")).empty());
}

}  // namespace
}  // namespace velta
