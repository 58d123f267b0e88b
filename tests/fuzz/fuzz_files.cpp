#include "tests/fuzz/fuzz_files.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

namespace {

class Scratch {
  public:
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "dovrane-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        dir_ = pattern;
    }
    ~Scratch() {
        std::error_code error;
        fs::remove_all(dir_, error);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    const fs::path& Dir() const { return dir_; }

  private:
    fs::path dir_;
};

const Scratch& TheScratch() {
    static const Scratch scratch;
    return scratch;
}

}  // namespace

std::string ScratchPath(const std::string& name) {
    return (TheScratch().Dir() / name).string();
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    Require(static_cast<bool>(out), "the scratch file can be written");
}

void ReplaceTail(const std::string& path, size_t offset, const uint8_t* data, size_t size) {
    std::error_code error;
    fs::resize_file(path, offset, error);
    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(static_cast<std::streamoff>(offset));
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    Require(!error && static_cast<bool>(out), "the scratch file's end can be replaced");
}

bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool FileExists(const std::string& path) {
    std::error_code error;
    return fs::exists(path, error);
}

size_t ScratchEntries() {
    size_t count = 0;
    for (auto it = fs::directory_iterator(TheScratch().Dir()); it != fs::directory_iterator();
         ++it) {
        ++count;
    }
    return count;
}

void RemoveFile(const std::string& path) {
    std::remove(path.c_str());
}

void Require(bool holds, const char* promise) {
    if (!holds) {
        std::fprintf(stderr, "broken promise: %s\n", promise);
        std::abort();
    }
}
