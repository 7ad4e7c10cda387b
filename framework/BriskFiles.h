// Checks on the files the library reads. Settings and layout files must be
// regular files within E_BRISK_MAX_INI_BYTES and E_BRISK_MAX_INI_ENTRIES
// (iniparser's time grows with the square of the entries); images and
// fonts must be regular files. Anything else (a FIFO, a device, a folder)
// is never opened: opening a FIFO for reading blocks until someone writes
// to it, and the reader holds the manager lock.
#ifndef BRISKUI_FILES_H
#define BRISKUI_FILES_H

#include <string>

#include "BriskTypes.h"
#include "IniCompat.h"

// Largest settings or layout file read: its bytes, and its entries, the
// section headers and key lines counted as written (a repeated one again).
// The largest layout of the sample root has 660 entries (61 sections, 599
// keys); iniparser's time grows with the square of the entries, and at
// this many a load takes milliseconds.
enum { E_BRISK_MAX_INI_BYTES = 1 << 20, E_BRISK_MAX_INI_ENTRIES = 2048 };

// Whether `path` (links followed) names a regular file of at most
// `maxBytes` bytes (0: any size). When not, `why` (may be null) gets the
// reason to append to a "no such file" message: empty when the file does
// not exist, else " (not a regular file)", " (N bytes, more than M)" or
// the system's reason. Any thread.
BOOL BriskIsReadableFile(const char* path, unsigned long long maxBytes, std::string* why);

// The entries of the INI file at `path` as iniparser reads its lines:
// section headers and key lines, a line continued with a closing backslash
// counted once; blank lines, comments and lines iniparser refuses do not
// count. -1 when the file cannot be opened. Reads the whole file: check its
// size first. Any thread.
long BriskCountIniEntries(const char* path);

// Whether `path` names a settings or layout file the library reads:
// BriskIsReadableFile at E_BRISK_MAX_INI_BYTES, then at most
// E_BRISK_MAX_INI_ENTRIES entries. When not, `why` (may be null) gets the
// reason as BriskIsReadableFile gives it, or " (N sections and keys, more
// than M)". Any thread.
BOOL BriskIsReadableIniFile(const char* path, std::string* why);

// iniparser_load of a settings or layout file, refusing what
// BriskIsReadableIniFile refuses; null when the file cannot be read, with
// `why` as above. Any thread.
dictionary* BriskLoadIniFile(const char* path, std::string* why);

#endif   // BRISKUI_FILES_H
