// Backups before a device is changed: names that sort by time and suit any file system, the
// newest 50 kept, and a backup that loads back as the configuration it was taken from.
#include "core/model/settings_backup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

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

}  // namespace
}  // namespace velta
