#pragma once
// A fresh, empty home for one test: XDG_DATA_HOME and XDG_CONFIG_HOME point into a folder
// of its own under the one the test runner gave (or the system's temporary folder), so the
// data store and the settings start from nothing and never touch the real home. The
// variables are restored when the object goes.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

class TempDataFolder {
public:
    TempDataFolder()
    {
        namespace fs = std::filesystem;
        static const fs::path root = [] {
            const char* base = std::getenv("XDG_DATA_HOME");
            fs::path path = base != nullptr && base[0] == '/' ? fs::path(base) : fs::temp_directory_path() / "quillon-test";
            return path / "cases";
        }();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info != nullptr ? std::string(info->test_suite_name()) + "." + info->name() : "global";
        for (char& c : name)
            if (c == '/') c = '_';
        root_ = root / name;
        fs::remove_all(root_);
        fs::create_directories(root_ / "data");
        fs::create_directories(root_ / "config");
        Save("XDG_DATA_HOME", savedData_);
        Save("XDG_CONFIG_HOME", savedConfig_);
        setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
    }
    ~TempDataFolder()
    {
        Restore("XDG_DATA_HOME", savedData_);
        Restore("XDG_CONFIG_HOME", savedConfig_);
    }
    TempDataFolder(const TempDataFolder&) = delete;
    TempDataFolder& operator=(const TempDataFolder&) = delete;

    const std::filesystem::path& Root() const { return root_; }
    std::filesystem::path AppData() const { return root_ / "data"; }
    std::filesystem::path DataFolder() const { return root_ / "data" / "Velto" / "Quillon"; }
    std::filesystem::path ConfigFolder() const { return root_ / "config"; }

private:
    static void Save(const char* name, std::optional<std::string>& saved)
    {
        if (const char* value = std::getenv(name)) saved = value;
    }
    static void Restore(const char* name, const std::optional<std::string>& saved)
    {
        if (saved) setenv(name, saved->c_str(), 1);
        else unsetenv(name);
    }

    std::filesystem::path root_;
    std::optional<std::string> savedData_;
    std::optional<std::string> savedConfig_;
};
