// iniparser access for the library. Some iniparser builds (Debian's 4.1
// among them) lack the unsigned getter and the string setter the library
// uses; this header adds them, only where the installed iniparser has none.
// It also writes a dictionary back so that iniparser reads it back as it
// was, which iniparser's own dump does not promise.
#ifndef BRISKUI_INICOMPAT_H
#define BRISKUI_INICOMPAT_H

#include <stdio.h>

#include <iniparser.h>

#include "BriskTypes.h"

#ifdef BRISKUI_NEED_GETUNSIGNEDINT
// Reads `key` as an unsigned 32-bit number written in decimal or in 0x-hex
// ("4294967295" and "0xFFFFFFFF" both give the full word); `notfound` when
// the key is missing. A value that is not a number reads as 0.
unsigned int iniparser_getunsignedint(const dictionary* d, const char* key, unsigned int notfound);
#endif

#ifdef BRISKUI_NEED_SETSTRING
// Sets `entry` ("section:key") to `val`; 0 on success, -1 on failure.
int iniparser_setstring(dictionary* ini, const char* entry, const char* val);
#endif

// Writes `d` to `f` as an INI file: keys stored without a section first,
// then each section with its keys, one "key = value" a line. A value that
// iniparser would change if written plainly (a ';' or '#' inside, blanks
// or a quote at its ends, a closing backslash, nothing at all) is written
// in double quotes, or in single quotes when it holds a double one. FALSE
// (`f` partly written) when an entry cannot be written so: a key under no
// section of `d`, a value that needs quotes and holds both kinds. Whether
// the result reads back still wants checking (BriskSameIni): iniparser
// also limits the length of a line.
BOOL BriskWriteIni(const dictionary* d, FILE* f);

// Whether `b` holds exactly the entries of `a`: the same sections and the
// same keys, each with the same value.
BOOL BriskSameIni(const dictionary* a, const dictionary* b);

#endif   // BRISKUI_INICOMPAT_H
