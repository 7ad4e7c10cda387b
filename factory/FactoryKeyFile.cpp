#include "FactoryKeyFile.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <new>

#include "BriskPlatform.h"

namespace {

const char* const kKeyDir = "/ciplus/";

// A descriptor of the key file at `path`, or -1 when it does not open as a
// regular file. O_NONBLOCK keeps a FIFO from blocking the open; it has no
// effect on the reads of a regular file.
int OpenKeyFile(const std::string& path)
{
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return -1;
    }
    return fd;
}

}   // namespace

std::string FactoryKeyFilePath(const char* name) { return BriskResolvePath((std::string(kKeyDir) + name).c_str()); }

bool FactoryKeyFileOpens(const std::string& path)
{
    int fd = OpenKeyFile(path);
    if (fd < 0) return false;
    close(fd);
    return true;
}

FactoryKeyFileBuffer::FactoryKeyFileBuffer() : data_(new (std::nothrow) U8[kFactoryKeyFileBytes]) { Clear(); }

FactoryKeyFileBuffer::~FactoryKeyFileBuffer() { delete[] data_; }

void FactoryKeyFileBuffer::Clear()
{
    if (data_ != NULL) memset(data_, 0, kFactoryKeyFileBytes);
}

bool FactoryKeyFileBuffer::Read(const std::string& path, size_t* count)
{
    *count = 0;
    if (data_ == NULL) return false;
    int fd = OpenKeyFile(path);
    if (fd < 0) return false;
    while (*count < kFactoryKeyFileBytes) {
        ssize_t n = read(fd, data_ + *count, kFactoryKeyFileBytes - *count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        *count += (size_t)n;
    }
    close(fd);
    return true;
}
