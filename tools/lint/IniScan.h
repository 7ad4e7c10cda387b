// IniScan: a layout or settings file read line by line, the way iniparser
// reads it, keeping what iniparser forgets: the line of every section and
// key, sections written twice, keys written twice. What the library will
// actually read is still asked of iniparser (LayoutKeys); this only
// places things in the file.
#ifndef BRISKUI_LINT_INISCAN_H
#define BRISKUI_LINT_INISCAN_H

#include <string>
#include <vector>

struct ST_SCAN_KEY {
    std::string strName;    // as written
    std::string strLower;   // folded, as iniparser stores it
    std::string strValue;   // as iniparser reads it (unquoted, trimmed)
    int iLine;
    int iHeader;   // which header of its section it follows (0: the first)
};

struct ST_SCAN_SECTION {
    std::string strName;   // as written at its first header
    std::string strLower;
    int iLine;                        // of its first header
    int iHeaders;                     // headers of that name seen so far
    std::vector<ST_SCAN_KEY> vKeys;   // of every header of that name, in file order
};

// Something the scan found wrong, with its line.
struct ST_SCAN_FINDING {
    int iLine;
    bool bError;
    std::string strMessage;
};

struct ST_SCAN_RESULT {
    std::vector<ST_SCAN_SECTION> vSections;   // in order of first appearance
    std::vector<ST_SCAN_FINDING> vFindings;   // in line order
    int iSyntaxErrorLine;                     // first line iniparser cannot read; 0 when none
};

// Scans the file at `path`; FALSE when it cannot be opened.
bool ScanIni(const std::string& path, ST_SCAN_RESULT* result);

// The section of that folded name; null when none.
const ST_SCAN_SECTION* FindScanSection(const ST_SCAN_RESULT& scan, const std::string& lower);
// The last key of that folded name in `section` (the one iniparser keeps); null when none.
const ST_SCAN_KEY* FindScanKey(const ST_SCAN_SECTION& section, const std::string& lower);

std::string LowerCase(const std::string& text);

#endif   // BRISKUI_LINT_INISCAN_H
