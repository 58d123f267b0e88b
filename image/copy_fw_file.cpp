#include "image/copy_fw_file.h"

#include "image/file_io.h"

int CopyFwFile(const char* src, const char* dst) {
    Bytes contents;
    switch (ReadWholeFile(src, &contents)) {
        case ReadResult::kOk:
            break;
        case ReadResult::kNoMemory:
            return -2;
        case ReadResult::kTooLarge:
            return kFileTooLarge;
        case ReadResult::kOpenFailed:
        case ReadResult::kReadFailed:
            return -1;
    }
    return ReplaceFile(dst, contents.data.get(), contents.size) == WriteResult::kOk ? 0 : -1;
}
