#pragma once
// A fresh folder per test, removed afterwards, and small file helpers.

#include <filesystem>
#include <string>
#include <vector>

class TestFolder {
  public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // The path of a child of the folder as a native narrow string.
    std::string Child(const std::string& name) const;

  private:
    std::filesystem::path path_;
};

// The whole content of a text file, or an empty text when it cannot be read.
std::string ReadTextFile(const std::string& path);
std::vector<std::string> ReadLines(const std::string& path);
bool FileExists(const std::string& path);

bool Contains(const std::string& text, const std::string& part);
// The whole line of text that holds part (without its line end), or "" when none does.
std::string LineWith(const std::string& text, const std::string& part);
