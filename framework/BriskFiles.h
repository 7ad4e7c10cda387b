// Checks on the files the library reads. Settings and layout files must be
// regular files of at most 1 MiB (iniparser's time grows with the square
// of a file's size); images and fonts must be regular files. Anything else
// (a FIFO, a device, a folder) is never opened: opening a FIFO for reading
// blocks until someone writes to it, and the reader holds the manager lock.
#ifndef BRISKUI_FILES_H
#define BRISKUI_FILES_H

#include <string>

#include "BriskTypes.h"
#include "IniCompat.h"

// Largest settings or layout file read.
enum { E_BRISK_MAX_INI_BYTES = 1 << 20 };

// Whether `path` (links followed) names a regular file of at most
// `maxBytes` bytes (0: any size). When not, `why` (may be null) gets the
// reason to append to a "no such file" message: empty when the file does
// not exist, else " (not a regular file)", " (N bytes, more than M)" or
// the system's reason. Any thread.
BOOL BriskIsReadableFile(const char* path, unsigned long long maxBytes, std::string* why);

// iniparser_load of a settings or layout file, refusing what
// BriskIsReadableFile refuses at E_BRISK_MAX_INI_BYTES; null when the file
// cannot be read, with `why` as above. Any thread.
dictionary* BriskLoadIniFile(const char* path, std::string* why);

#endif   // BRISKUI_FILES_H
