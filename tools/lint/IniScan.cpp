#include "IniScan.h"

#include <ctype.h>
#include <stdio.h>

#include <fstream>

namespace {

std::string Trim(const std::string& text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && isspace((unsigned char)text[begin])) ++begin;
    while (end > begin && isspace((unsigned char)text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// The value after '=' as iniparser takes it: the text inside double or
// single quotes, else everything up to a ';' or '#', trimmed.
std::string ValueOf(const std::string& raw)
{
    std::string value = Trim(raw);
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'')) {
        size_t close = value.find(value[0], 1);
        if (close != std::string::npos) return value.substr(1, close - 1);
    }
    size_t comment = value.find_first_of(";#");
    if (comment != std::string::npos) value = Trim(value.substr(0, comment));
    return value;
}

}   // namespace

std::string LowerCase(const std::string& text)
{
    std::string lower(text);
    for (char& c : lower) c = (char)tolower((unsigned char)c);
    return lower;
}

bool ScanIni(const std::string& path, ST_SCAN_RESULT* result)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    if (!in) return false;
    result->vSections.clear();
    result->vFindings.clear();
    result->iSyntaxErrorLine = 0;

    ST_SCAN_SECTION* current = NULL;
    std::string line, pending;
    int number = 0, pendingLine = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line[line.size() - 1] == '\r') line.erase(line.size() - 1);
        // A closing backslash continues the line on the next one.
        std::string trimmed = Trim(line);
        if (!trimmed.empty() && trimmed[trimmed.size() - 1] == '\\') {
            if (pending.empty()) pendingLine = number;
            pending += trimmed.substr(0, trimmed.size() - 1);
            continue;
        }
        int at = pending.empty() ? number : pendingLine;
        trimmed = Trim(pending + trimmed);
        pending.clear();
        if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#') continue;

        if (trimmed[0] == '[') {
            // iniparser takes a header only when the line ends with its ']':
            // not even a comment may follow.
            if (trimmed[trimmed.size() - 1] != ']') {
                if (result->iSyntaxErrorLine == 0) result->iSyntaxErrorLine = at;
                result->vFindings.push_back({ at, true, "section header does not end the line with ']'" });
                continue;
            }
            std::string name = Trim(trimmed.substr(1, trimmed.size() - 2));
            std::string lower = LowerCase(name);
            current = NULL;
            for (ST_SCAN_SECTION& s : result->vSections)
                if (s.strLower == lower) current = &s;
            if (current != NULL) {
                char text[200];
                snprintf(text, sizeof(text), "duplicate section [%s] (first at line %d): iniparser merges the two",
                         name.c_str(), current->iLine);
                result->vFindings.push_back({ at, true, text });
                ++current->iHeaders;
                continue;
            }
            result->vSections.push_back({ name, lower, at, 1, {} });
            current = &result->vSections.back();
            continue;
        }

        size_t equals = trimmed.find('=');
        if (equals == std::string::npos) {
            if (result->iSyntaxErrorLine == 0) result->iSyntaxErrorLine = at;
            result->vFindings.push_back({ at, true, "line is neither a section, a key = value nor a comment" });
            continue;
        }
        ST_SCAN_KEY key;
        key.strName = Trim(trimmed.substr(0, equals));
        key.strLower = LowerCase(key.strName);
        key.strValue = ValueOf(trimmed.substr(equals + 1));
        key.iLine = at;
        key.iHeader = current != NULL ? current->iHeaders - 1 : 0;
        if (current == NULL) {
            result->vFindings.push_back({ at, false, "key '" + key.strName + "' before any section is never read" });
            continue;
        }
        // A key repeated under a later header of the same section is part of
        // the duplicate section already reported.
        const ST_SCAN_KEY* before = FindScanKey(*current, key.strLower);
        if (before != NULL && before->iHeader == key.iHeader) {
            char text[200];
            snprintf(text, sizeof(text), "duplicate key '%s' in [%s] (first at line %d): only this value counts",
                     key.strName.c_str(), current->strName.c_str(), before->iLine);
            result->vFindings.push_back({ at, true, text });
        }
        current->vKeys.push_back(key);
    }
    return true;
}

const ST_SCAN_SECTION* FindScanSection(const ST_SCAN_RESULT& scan, const std::string& lower)
{
    for (const ST_SCAN_SECTION& s : scan.vSections)
        if (s.strLower == lower) return &s;
    return NULL;
}

const ST_SCAN_KEY* FindScanKey(const ST_SCAN_SECTION& section, const std::string& lower)
{
    const ST_SCAN_KEY* found = NULL;
    for (const ST_SCAN_KEY& k : section.vKeys)
        if (k.strLower == lower) found = &k;
    return found;
}
