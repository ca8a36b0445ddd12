// Backups before a device is changed: names that sort by time and suit any file system, the
// newest 50 kept, and a backup that loads back as the configuration it was taken from.
#include "model/settings_backup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "model/settings_file.h"
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
    EXPECT_EQ(backup_file_name(t, "COM1_05"), "20261209-154507_COM1_05.dat");
    EXPECT_EQ(backup_file_name(t, "fe80::1%eth0 /x\\y"), "20261209-154507_fe80__1_eth0__x_y.dat");
    EXPECT_EQ(backup_file_name(t, ""), "20261209-154507__.dat");
    std::tm earlier = t;
    earlier.tm_mon = 1;
    EXPECT_LT(backup_file_name(earlier, "z"), backup_file_name(t, "a"));
}

TEST(SettingsBackup, KeepsTheNewestFiftyAndLoadsBackEqual)
{
    TempFolder tmp;
    const std::string folder = tmp.path("velta/backups");
    std::filesystem::create_directories(tmp.dir() / "velta" / "backups");
    std::set<std::string> old;
    for (int i = 0; i < 55; ++i) {
        const std::string name =
            "20000101-0000" + std::string(i < 10 ? "0" : "") + std::to_string(i) + "_10.0.0.1.dat";
        std::ofstream(tmp.dir() / "velta" / "backups" / name) << "x";
        old.insert(name);
    }
    std::ofstream(tmp.dir() / "velta" / "backups" / "notes.dat") << "mine";

    DeviceConfig config;
    config.pages.page_title[4] = "\x82\xa0";
    config.device.alarm_hold_time = "045";
    config.device.net_etr = 2;
    const auto when = std::chrono::system_clock::now();
    std::string why;
    const std::string path = save_backup(folder, "10.0.0.1", config, when, &why);
    ASSERT_FALSE(path.empty()) << why;
    const std::string again = save_backup(folder, "10.0.0.1", config, when, &why);
    EXPECT_NE(again, path);  // the same second does not overwrite the first

    const FileResult loaded = load_settings_file(path);
    ASSERT_EQ(loaded.status, FileStatus::ok) << loaded.message;
    EXPECT_EQ(loaded.config, config);

    std::set<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(tmp.dir() / "velta" / "backups"))
        left.insert(e.path().filename().string());
    EXPECT_EQ(left.size(), 51u);  // 50 backups and the file that is none
    EXPECT_TRUE(left.count("notes.dat"));
    EXPECT_TRUE(left.count(std::filesystem::path(path).filename().string()));
    EXPECT_TRUE(left.count(std::filesystem::path(again).filename().string()));
    // The seven oldest went.
    EXPECT_FALSE(left.count(*old.begin()));
    EXPECT_FALSE(left.count("20000101-000006_10.0.0.1.dat"));
    EXPECT_TRUE(left.count("20000101-000007_10.0.0.1.dat"));
}

}  // namespace
}  // namespace velta
