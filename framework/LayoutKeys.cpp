#include "LayoutKeys.h"

#include <string.h>

#include <string>

#include "BriskFiles.h"

namespace {

LayoutKeys::ReadHook g_readHook = NULL;

std::string SectionKey(const char* section, const char* key)
{
    std::string k(section != NULL ? section : "");
    k += ':';
    k += key != NULL ? key : "";
    return k;
}

}   // namespace

LayoutKeys::~LayoutKeys()
{
    if (pDictionary != NULL) iniparser_freedict(pDictionary);
}

BOOL LayoutKeys::Open(const char* path)
{
    vSections.clear();
    if (pDictionary != NULL) {
        iniparser_freedict(pDictionary);
        pDictionary = NULL;
    }
    pDictionary = BriskLoadIniFile(path, &strProblem);
    if (pDictionary == NULL) return FALSE;
    // What iniparser_getsecname counts as a section, in its order: an entry
    // whose name holds no ':'.
    for (ssize_t i = 0; i < pDictionary->size; ++i)
        if (pDictionary->key[i] != NULL && strchr(pDictionary->key[i], ':') == NULL)
            vSections.push_back(pDictionary->key[i]);
    return TRUE;
}

int LayoutKeys::SectionCount() const { return (int)vSections.size(); }

const char* LayoutKeys::SectionName(int i) const
{
    if (i < 0 || i >= SectionCount()) return NULL;
    return vSections[(size_t)i];
}

void LayoutKeys::SetReadHook(ReadHook hook) { g_readHook = hook; }

U32 LayoutKeys::GetUnsigned(const char* key, U32 def) const
{
    if (g_readHook != NULL && key != NULL) g_readHook(key);
    if (pDictionary == NULL || key == NULL) return def;
    return iniparser_getunsignedint(pDictionary, key, def);
}

U32 LayoutKeys::GetUnsigned(const char* section, const char* key, U32 def) const
{
    return GetUnsigned(SectionKey(section, key).c_str(), def);
}

const char* LayoutKeys::GetText(const char* key) const
{
    if (g_readHook != NULL && key != NULL) g_readHook(key);
    if (pDictionary == NULL || key == NULL) return NULL;
    return iniparser_getstring(pDictionary, key, NULL);
}

const char* LayoutKeys::GetText(const char* section, const char* key) const
{
    return GetText(SectionKey(section, key).c_str());
}

BOOL LayoutKeys::GetString(const char* key, char* out, size_t size) const
{
    if (out == NULL || size == 0) return GetText(key) != NULL ? TRUE : FALSE;
    const char* text = GetText(key);
    if (text == NULL) {
        out[0] = '\0';
        return FALSE;
    }
    size_t length = strnlen(text, size - 1);
    memcpy(out, text, length);
    out[length] = '\0';
    return TRUE;
}
