// A temporary folder for one test, removed with everything in it when the test ends.
#pragma once

#include <string>
#include <string_view>

namespace vellum::test {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    [[nodiscard]] const std::string& path() const { return path_; }
    // path() + "/" + name
    [[nodiscard]] std::string operator/(std::string_view name) const;
    // Writes a file (creating missing parent folders) and returns its full path.
    std::string Write(std::string_view name, std::string_view bytes) const;
    // Creates a folder (and missing parents) and returns its full path.
    std::string MakeDir(std::string_view name) const;

  private:
    std::string path_;
};

// The whole content of a file; empty when it cannot be read.
[[nodiscard]] std::string ReadAll(const std::string& path);

}  // namespace vellum::test
