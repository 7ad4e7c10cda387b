#include "HostKeyFiles.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

const char kKeyDir[] = "ciplus";

}   // namespace

bool MakeScratchRoot(const std::string& root, std::string* scratch, std::string* error)
{
    const char* tmp = getenv("TMPDIR");
    std::string templ = std::string(tmp != NULL && tmp[0] != '\0' ? tmp : "/tmp") + "/briskui-sim-root-XXXXXX";
    if (mkdtemp(&templ[0]) == NULL) {
        *error = "cannot create a scratch root " + templ + ": " + strerror(errno);
        return false;
    }
    std::error_code ec;
    fs::path from = fs::absolute(root, ec);
    if (!ec && fs::is_directory(from, ec)) {
        for (const fs::directory_entry& entry : fs::directory_iterator(from, ec)) {
            if (entry.path().filename() == kKeyDir) continue;
            fs::create_symlink(entry.path(), fs::path(templ) / entry.path().filename(), ec);
            if (ec) break;
        }
    }
    if (!ec) fs::create_directory(fs::path(templ) / kKeyDir, ec);
    if (!ec && fs::is_directory(from / kKeyDir, ec)) {
        for (const fs::directory_entry& entry : fs::directory_iterator(from / kKeyDir, ec)) {
            if (!entry.is_regular_file(ec)) continue;
            fs::copy_file(entry.path(), fs::path(templ) / kKeyDir / entry.path().filename(), ec);
            if (ec) break;
        }
    }
    if (ec) {
        *error = "cannot prepare the scratch root " + templ + " from " + root + ": " + ec.message();
        RemoveScratchRoot(templ);
        return false;
    }
    *scratch = templ;
    return true;
}

void RemoveScratchRoot(const std::string& scratch)
{
    std::error_code ec;
    fs::remove_all(scratch, ec);   // removes the links themselves
}

bool ChangeKeyFile(const std::string& scratchRoot, const std::string& name, KeyFileChange change, unsigned offset,
                   std::string* error)
{
    std::string path = scratchRoot + "/" + kKeyDir + "/" + name;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        *error = "no key file /" + std::string(kKeyDir) + "/" + name + " in the root";
        return false;
    }
    switch (change) {
    case KeyFileChange::Remove:
        if (unlink(path.c_str()) == 0) return true;
        break;
    case KeyFileChange::Empty:
        if (truncate(path.c_str(), 0) == 0) return true;
        break;
    case KeyFileChange::Corrupt: {
        if ((unsigned long long)offset >= (unsigned long long)st.st_size) {
            *error = "/" + std::string(kKeyDir) + "/" + name + " has " + std::to_string((long long)st.st_size) +
                     " bytes, no byte " + std::to_string(offset);
            return false;
        }
        FILE* f = fopen(path.c_str(), "r+b");
        if (f == NULL) break;
        bool ok = fseek(f, (long)offset, SEEK_SET) == 0;
        int byte = ok ? fgetc(f) : EOF;
        ok = byte != EOF && fseek(f, (long)offset, SEEK_SET) == 0 && fputc(byte ^ 0xFF, f) != EOF;
        if (fclose(f) != 0) ok = false;
        if (ok) return true;
        break;
    }
    }
    *error = "cannot change " + path + ": " + strerror(errno);
    return false;
}
