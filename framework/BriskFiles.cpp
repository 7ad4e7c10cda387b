#include "BriskFiles.h"

#include <errno.h>
#include <string.h>
#include <sys/stat.h>

BOOL BriskIsReadableFile(const char* path, unsigned long long maxBytes, std::string* why)
{
    std::string reason;
    struct stat st;
    if (path == NULL || stat(path, &st) != 0) {
        if (path != NULL && errno != ENOENT) reason = std::string(" (") + strerror(errno) + ")";
    } else if (!S_ISREG(st.st_mode)) {
        reason = " (not a regular file)";
    } else if (maxBytes != 0 && (unsigned long long)st.st_size > maxBytes) {
        reason = " (" + std::to_string((unsigned long long)st.st_size) + " bytes, more than " +
                 std::to_string(maxBytes) + ")";
    } else {
        if (why != NULL) why->clear();
        return TRUE;
    }
    if (why != NULL) *why = reason;
    return FALSE;
}

dictionary* BriskLoadIniFile(const char* path, std::string* why)
{
    if (!BriskIsReadableFile(path, E_BRISK_MAX_INI_BYTES, why)) return NULL;
    return iniparser_load(path);
}
