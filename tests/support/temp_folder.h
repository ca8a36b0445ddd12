#pragma once
// A fresh folder under the system's temporary folder for one test, named after the test and
// removed with the object.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace velta {

class TempFolder {
public:
    TempFolder()
    {
        const ::testing::UnitTest* t = ::testing::UnitTest::GetInstance();
        dir_ = std::filesystem::temp_directory_path() /
               ("velta_" + std::string(t->current_test_info()->test_suite_name()) + "_" +
                t->current_test_info()->name() + "_" + std::to_string(t->random_seed()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& dir() const { return dir_; }
    // A path inside the folder, as the file functions take it (UTF-8).
    std::string path(const std::string& name) const
    {
        const std::u8string utf8 =
            (dir_ / std::filesystem::path(std::u8string(name.begin(), name.end()))).u8string();
        return std::string(utf8.begin(), utf8.end());
    }

private:
    std::filesystem::path dir_;
};

}  // namespace velta
