// iniparser access for the library. Some iniparser builds (Debian's 4.1
// among them) lack the unsigned getter and the string setter the library
// uses; this header adds them, only where the installed iniparser has none.
#ifndef BRISKUI_INICOMPAT_H
#define BRISKUI_INICOMPAT_H

#include <iniparser.h>

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

#endif  // BRISKUI_INICOMPAT_H
