#include "BriskFiles.h"

#include <ctype.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

namespace {

// Whether iniparser makes an entry of `line` (continuations joined, closing
// blanks stripped): a section header "[...]" or a key line "name = ...".
bool IsIniEntry(const std::string& line)
{
    size_t begin = 0;
    while (begin < line.size() && isspace((unsigned char)line[begin])) ++begin;
    if (begin == line.size() || line[begin] == ';' || line[begin] == '#') return false;
    if (line[begin] == '[' && line[line.size() - 1] == ']') return true;
    size_t equals = line.find('=', begin);
    return equals != std::string::npos && equals > begin;
}

}   // namespace

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

long BriskCountIniEntries(const char* path)
{
    FILE* in = fopen(path, "rb");
    if (in == NULL) return -1;
    long entries = 0;
    std::string line;   // the lines read since the last one that did not continue
    char* read = NULL;
    size_t capacity = 0;
    ssize_t length;
    while ((length = getline(&read, &capacity, in)) != -1) {
        line.append(read, (size_t)length);
        size_t end = line.size();
        while (end > 0 && isspace((unsigned char)line[end - 1])) --end;
        line.resize(end);
        // A closing backslash joins the next line in its place, as iniparser reads it.
        if (end > 0 && line[end - 1] == '\\') {
            line.resize(end - 1);
            continue;
        }
        if (IsIniEntry(line)) ++entries;
        line.clear();
    }
    // A last line that continues is never read.
    free(read);
    fclose(in);
    return entries;
}

BOOL BriskIsReadableIniFile(const char* path, std::string* why)
{
    if (!BriskIsReadableFile(path, E_BRISK_MAX_INI_BYTES, why)) return FALSE;
    long entries = BriskCountIniEntries(path);
    if (entries < 0) {
        if (why != NULL) *why = std::string(" (") + strerror(errno) + ")";
        return FALSE;
    }
    if (entries > E_BRISK_MAX_INI_ENTRIES) {
        if (why != NULL)
            *why = " (" + std::to_string(entries) + " sections and keys, more than " +
                   std::to_string((int)E_BRISK_MAX_INI_ENTRIES) + ")";
        return FALSE;
    }
    return TRUE;
}

dictionary* BriskLoadIniFile(const char* path, std::string* why)
{
    if (!BriskIsReadableIniFile(path, why)) return NULL;
    return iniparser_load(path);
}
