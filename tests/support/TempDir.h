// A fresh temporary directory for one test, removed with everything in it afterwards,
// and small helpers to write test files byte for byte.
#pragma once

#include <set>
#include <string>
#include <string_view>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    // Path of `name` inside the directory.
    std::string File(std::string_view name) const;
    // Writes `bytes` to `name` exactly as given and returns the file's path.
    std::string Write(std::string_view name, std::string_view bytes) const;

private:
    std::string m_path;
};

std::string ReadWholeFile(const std::string& path);
// The names in directory `dir` (not its subdirectories).
std::set<std::string> DirectoryEntries(const std::string& dir);
