#include "IniCompat.h"

#include <stdlib.h>

#ifdef BRISKUI_NEED_GETUNSIGNEDINT
unsigned int iniparser_getunsignedint(const dictionary* d, const char* key, unsigned int notfound)
{
    const char* text = iniparser_getstring(d, key, NULL);
    if (text == NULL) return notfound;
    int base = 10;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) base = 16;
    // strtoull so that the whole 32-bit range reads on 32-bit targets too.
    return (unsigned int)strtoull(text, NULL, base);
}
#endif

#ifdef BRISKUI_NEED_SETSTRING
int iniparser_setstring(dictionary* ini, const char* entry, const char* val)
{
    return iniparser_set(ini, entry, val);
}
#endif
