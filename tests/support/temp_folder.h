#pragma once
// A fresh folder under the system's temporary folder for one test, named after the test and
// removed with the object; files written as if long ago, and links another user owns.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#ifndef _WIN32
#include <unistd.h>
#endif

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

// A file last written age ago.
inline void write_aged(const std::filesystem::path& p, const std::string& bytes,
                       std::chrono::seconds age)
{
    std::ofstream(p, std::ios::binary) << bytes;
    std::filesystem::last_write_time(p, std::filesystem::file_time_type::clock::now() - age);
}

#ifndef _WIN32
// Gives a file or a link (not what it points to) to the user "nobody", as if that user had put
// it there. Only the administrator can; false otherwise.
inline bool give_to_another_user(const std::filesystem::path& p)
{
    constexpr uid_t k_nobody = 65534;
    return ::geteuid() == 0 && ::lchown(p.c_str(), k_nobody, k_nobody) == 0;
}
#endif

}  // namespace velta
