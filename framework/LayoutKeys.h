// LayoutKeys: one parse of a layout file, read by key ("section:key", case
// folded by the INI reader). The handler base builds its items from it;
// a derived handler reads its own extra keys from the same parse, so no
// layout file is parsed twice.
#ifndef BRISKUI_LAYOUTKEYS_H
#define BRISKUI_LAYOUTKEYS_H

#include <stddef.h>

#include <string>
#include <vector>

#include "BriskTypes.h"

struct _dictionary_;

class LayoutKeys {
public:
    LayoutKeys() : pDictionary(NULL) {}
    // Frees the parse.
    ~LayoutKeys();

    // Parses `path`, dropping any earlier parse; FALSE (and nothing open)
    // when the file cannot be read, is not a regular file or is beyond the
    // limits of BriskIsReadableIniFile. Prints nothing: the caller names
    // itself, adding Problem().
    BOOL Open(const char* path);
    // Why the last Open failed, to append to a "no such file" message: empty
    // when the file does not exist (BriskIsReadableFile).
    const std::string& Problem() const { return strProblem; }
    // TRUE while a parse is held.
    BOOL IsOpen() const { return pDictionary != NULL ? TRUE : FALSE; }

    // Number of sections, and the name of section `i` in file order (null
    // past the end or when nothing is open); both take constant time.
    int SectionCount() const;
    const char* SectionName(int i) const;

    // `key` as an unsigned 32-bit number (decimal or 0x-hex); `def` when the
    // key is missing or nothing is open. Callers cut it to their field width.
    U32 GetUnsigned(const char* key, U32 def) const;
    // `section` + ":" + `key`, for the keys of an item section.
    U32 GetUnsigned(const char* section, const char* key, U32 def) const;
    // The string of `key`, valid while this parse is held; null when missing.
    const char* GetText(const char* key) const;
    const char* GetText(const char* section, const char* key) const;
    // Copies the string of `key` into `out`: at most `size` - 1 characters,
    // always terminated (nothing written when `size` is 0). A missing key
    // gives an empty string and FALSE; TRUE when the key exists, even if it
    // had to be cut.
    BOOL GetString(const char* key, char* out, size_t size) const;

    // Test seam: `hook` (null: none) sees every key any parse is asked for,
    // as "section:key", so a test can hold a handler's reads against its
    // layout declaration. Only while no manager is started.
    typedef void (*ReadHook)(const char* key);
    static void SetReadHook(ReadHook hook);

private:
    LayoutKeys(const LayoutKeys&) = delete;
    LayoutKeys& operator=(const LayoutKeys&) = delete;

    struct _dictionary_* pDictionary;
    std::string strProblem;
    // The section names of the parse, listed once when it opens: iniparser
    // walks its whole dictionary for each name it is asked.
    std::vector<const char*> vSections;
};

#endif   // BRISKUI_LAYOUTKEYS_H
