// A private temporary directory for a test program, removed again when the program ends.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

inline const std::string &scratch_dir() {
    static std::string dir;
    if (dir.empty()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "haystack-XXXXXX").string();
        dir = mkdtemp(pattern.data());
        std::atexit([] { std::filesystem::remove_all(dir); });
    }
    return dir;
}
