#include "image/append_file.h"

#include "image/file_io_platform.h"

AppendFile::~AppendFile() {
    if (file_ >= 0) {
        CloseAppended(file_);
    }
}

bool AppendFile::Open(const std::string& path) {
    if (file_ >= 0) {
        CloseAppended(file_);
    }
    file_ = OpenForAppend(path.c_str());
    return file_ >= 0;
}

bool AppendFile::Append(const std::string& record) {
    return file_ >= 0 && AppendWhole(file_, record.data(), record.size());
}
