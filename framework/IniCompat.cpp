#include "IniCompat.h"

#include <ctype.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

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
int iniparser_setstring(dictionary* ini, const char* entry, const char* val) { return iniparser_set(ini, entry, val); }
#endif

namespace {

bool IsBlank(char c) { return isspace((unsigned char)c) != 0; }

// Whether `key` written before " = " reads back as itself: iniparser
// strips blanks around it, takes everything up to the first '=' and reads
// lines that start with ';', '#' or '[' as something else.
bool WritableKey(const char* key)
{
    size_t n = strlen(key);
    return n > 0 && !IsBlank(key[0]) && !IsBlank(key[n - 1]) && strchr(";#[", key[0]) == NULL &&
           strchr(key, '=') == NULL;
}

// `value` as written after " = "; false when no quoting carries it.
bool WritableValue(const char* value, std::string* out)
{
    size_t n = strlen(value);
    bool plain = n > 0 && !IsBlank(value[0]) && !IsBlank(value[n - 1]) && strpbrk(value, ";#") == NULL &&
                 value[0] != '"' && value[0] != '\'' && value[n - 1] != '\\';
    if (plain) {
        *out = value;
        return true;
    }
    char quote = strchr(value, '"') == NULL ? '"' : strchr(value, '\'') == NULL ? '\'' : 0;
    if (quote == 0) return false;
    *out = std::string(1, quote) + value + quote;
    return true;
}

}   // namespace

BOOL BriskWriteIni(const dictionary* d, FILE* f)
{
    // Sections are the entries without a value; a key "section:name"
    // belongs to the longest section its name starts with, or, starting
    // with ':', to no section (it was written before the first one).
    const ssize_t kGlobal = -1;
    std::vector<ssize_t> sections;
    for (ssize_t i = 0; i < d->size; ++i)
        if (d->key[i] != NULL && d->val[i] == NULL) sections.push_back(i);
    std::vector<ssize_t> owner(d->size, kGlobal);
    std::vector<size_t> nameAt(d->size, 0);   // where the key's own name starts
    for (ssize_t i = 0; i < d->size; ++i) {
        if (d->key[i] == NULL || d->val[i] == NULL) continue;
        const char* key = d->key[i];
        bool found = key[0] == ':' && WritableKey(key + 1);
        nameAt[i] = 1;
        for (ssize_t s : sections) {
            size_t length = strlen(d->key[s]);
            if ((!found || length + 1 > nameAt[i]) && strncmp(key, d->key[s], length) == 0 && key[length] == ':' &&
                WritableKey(key + length + 1)) {
                found = true;
                owner[i] = s;
                nameAt[i] = length + 1;
            }
        }
        if (!found) return FALSE;
    }
    std::string value;
    for (size_t pass = 0; pass <= sections.size(); ++pass) {
        ssize_t section = pass == 0 ? kGlobal : sections[pass - 1];
        bool any = section != kGlobal;
        if (any) fprintf(f, "[%s]\n", d->key[section]);
        for (ssize_t i = 0; i < d->size; ++i) {
            if (d->key[i] == NULL || d->val[i] == NULL || owner[i] != section) continue;
            if (!WritableValue(d->val[i], &value)) return FALSE;
            fprintf(f, "%s = %s\n", d->key[i] + nameAt[i], value.c_str());
            any = true;
        }
        if (any) fputc('\n', f);
    }
    return TRUE;
}

BOOL BriskSameIni(const dictionary* a, const dictionary* b)
{
    if (a == NULL || b == NULL || a->n != b->n) return FALSE;
    static const char kMissing[] = "";
    for (ssize_t i = 0; i < a->size; ++i) {
        if (a->key[i] == NULL) continue;
        // A section reads as a null value; kMissing means no such entry.
        const char* other = iniparser_getstring(b, a->key[i], kMissing);
        if (other == kMissing) return FALSE;
        if (a->val[i] == NULL ? other != NULL : other == NULL || strcmp(other, a->val[i]) != 0) return FALSE;
    }
    return TRUE;
}
