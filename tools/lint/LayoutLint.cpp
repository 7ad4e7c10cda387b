#include "LayoutLint.h"

#include <dirent.h>
#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <set>
#include <vector>

#include "BriskFiles.h"
#include "BriskPlatform.h"
#include "BriskUiLanguages.h"
#include "BriskUiStatus.h"
#include "DrawItem.h"
#include "ImageDecode.h"
#include "IniScan.h"
#include "LayoutKeys.h"

namespace {

const char* const kLayoutDir = kBriskLayoutFolder;
// What a settings file that does not load costs.
const char kNoSettings[] =
    ": every setting takes its default (country group EU, the language folder of the set's OSD language) and "
    "the viewer's settings cannot be stored";
const long long kScreenWidth = 1280, kScreenHeight = 720;

// The keys of an item section the base reads (EventHandler::LoadLayout).
const ST_ITEM_KEY kItemKeys[] = {
    { "u8type", "u8Type", 8, E_FOR_BOTH, false },
    { "bvisible", "bVisible", 8, E_FOR_BOTH, false },
    { "u32left", "u32Left", 32, E_FOR_BOTH, true },
    { "u32top", "u32Top", 32, E_FOR_BOTH, true },
    { "u32width", "u32Width", 32, E_FOR_BOTH, true },
    { "u32height", "u32Height", 32, E_FOR_BOTH, true },
    { "pimagepath", "pImagePath", 0, E_FOR_IMAGE, false },
    { "u8fontsize", "u8FontSize", 8, E_FOR_TEXT, false },
    { "u32fontcolor", "u32FontColor", 32, E_FOR_TEXT, false },
    { "pfontpath", "pFontPath", 0, E_FOR_TEXT, false },
    { "ptext", "pText", 0, E_FOR_TEXT, false },
};

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    return text;
}

}   // namespace

const ST_ITEM_KEY* LintItemKeys(size_t* count)
{
    *count = sizeof(kItemKeys) / sizeof(kItemKeys[0]);
    return kItemKeys;
}

namespace {

const ST_ITEM_KEY* FindItemKey(const std::string& lower)
{
    for (const ST_ITEM_KEY& k : kItemKeys)
        if (lower == k.pLower) return &k;
    return NULL;
}

const char* KindName(int type) { return type == E_DRAW_ITEM_IMAGE ? "image" : "text"; }

// "an image" / "a text".
const char* AKindName(int type) { return type == E_DRAW_ITEM_IMAGE ? "an image" : "a text"; }

bool FileExists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string BaseName(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The value of `text` as a number written the library's way (decimal or
// 0x-hex, nothing else); false when it is no such number or passes 64 bits.
bool StrictNumber(const std::string& text, unsigned long long* value)
{
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    size_t start = hex ? 2 : 0;
    if (text.size() <= start) return false;
    for (size_t i = start; i < text.size(); ++i)
        if (!(hex ? isxdigit((unsigned char)text[i]) : isdigit((unsigned char)text[i]))) return false;
    errno = 0;
    *value = strtoull(text.c_str() + start, NULL, hex ? 16 : 10);
    return errno == 0;
}

int KeyBits(U8 type)
{
    switch (type) {
    case E_LAYOUT_KEY_U8:
        return 8;
    case E_LAYOUT_KEY_U16:
        return 16;
    case E_LAYOUT_KEY_U32:
        return 32;
    default:
        return 0;
    }
}

// The handler's name for messages.
std::string HandlerName(const ST_BRISKUI_HANDLER_ROW* row)
{
    return row != NULL ? BriskUiOsdName((unsigned)row->eStatus) : "the handler";
}

const ST_LAYOUT_ITEM* DeclaredItem(const ST_BRISKUI_HANDLER_ROW* row, const std::string& lower)
{
    if (row == NULL || row->pLayoutNeeds == NULL) return NULL;
    for (size_t i = 0; i < row->pLayoutNeeds->uItemCount; ++i)
        if (lower == row->pLayoutNeeds->pItems[i].pName) return &row->pLayoutNeeds->pItems[i];
    return NULL;
}

// The row that loads a layout file named `name`; null when none does.
const ST_BRISKUI_HANDLER_ROW* RowOfFile(const std::string& name)
{
    size_t count = 0;
    const ST_BRISKUI_HANDLER_ROW* rows = BriskHandlerTable(&count);
    for (size_t i = 0; i < count; ++i)
        if (name == rows[i].pLayoutNA || name == rows[i].pLayoutEU) return &rows[i];
    return NULL;
}

}   // namespace

LayoutLint::~LayoutLint()
{
    for (auto& font : mFonts)
        if (font.second != NULL) font.second->Release(font.second);
}

void LayoutLint::Report(const std::string& file, int line, bool error, const std::string& message)
{
    printf("%s:%d: %s: %s\n", file.c_str(), line, error ? "error" : "warning", message.c_str());
    if (error)
        ++iErrors;
    else
        ++iWarnings;
}

void LayoutLint::CheckRoot(const std::string& root)
{
    std::string dir = root + kLayoutDir;
    // The folders the library can read: that of the default language (also
    // every language the table does not name) and those of the table.
    std::string fallback = BriskLanguageFolder(E_BRISKUI_DEFAULT_OSD_LANGUAGE);
    size_t tableSize = 0;
    const ST_BRISKUI_LANGUAGE_FOLDER* table = BriskLanguageFolders(&tableSize);
    std::set<std::string> readable = { fallback };
    for (size_t i = 0; i < tableSize; ++i) readable.insert(table[i].pFolder);

    // The folders to look at: every one there is, and the fallback, there or not.
    std::set<std::string> folders = { fallback };
    DIR* d = opendir(dir.c_str());
    if (d != NULL) {
        while (struct dirent* entry = readdir(d)) {
            std::string name = entry->d_name;
            struct stat st;
            if (name[0] != '.' && stat((dir + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode))
                folders.insert(name + "/");
        }
        closedir(d);
    }

    size_t count = 0;
    const ST_BRISKUI_HANDLER_ROW* rows = BriskHandlerTable(&count);
    std::string required;   // the handlers start-up cannot go without
    int requiredCount = 0;
    for (size_t i = 0; i < count; ++i)
        if (rows[i].bLayoutRequired) required += (requiredCount++ == 0 ? "" : ", ") + HandlerName(&rows[i]);
    std::string absentCost = requiredCount == 0 ? "no OSD draws"
                             : requiredCount == 1
                                 ? "start-up aborts, as " + required + " cannot go without its layout"
                                 : "start-up aborts, as " + required + " cannot go without their layouts";

    // The languages whose folder is not there: one line for them all, since
    // a set may well offer only some languages.
    std::string absent;
    for (size_t i = 0; i < tableSize; ++i)
        if (folders.count(table[i].pFolder) == 0)
            absent +=
                Format("%s%lu (%s)", absent.empty() ? "" : ", ", (unsigned long)table[i].u32Language, table[i].pFolder);
    if (!absent.empty())
        Report(dir, 1, false, "no folder for OSD languages " + absent + ": on a set in one of them " + absentCost);

    for (const std::string& folder : folders) {
        bool there = FileExists(dir + folder);
        if (!there)
            Report(dir + folder, 1, false,
                   Format("no such folder: the library reads its layouts here for OSD language %d (its default, "
                          "also on a set without a system database) and every language without a folder of its "
                          "own",
                          (int)E_BRISKUI_DEFAULT_OSD_LANGUAGE));
        if (readable.count(folder) == 0) {
            // Never read, so nothing in it matters to a set: its name is the fault.
            Report(dir + folder, 1, false,
                   Format("no OSD language reads this folder, so its layouts are not checked: the library reads "
                          "%s and the folders of its language table",
                          fallback.c_str()));
            continue;
        }
        for (size_t i = 0; i < count; ++i) {
            const ST_BRISKUI_HANDLER_ROW& row = rows[i];
            const char* files[] = { row.pLayoutNA, row.pLayoutEU };
            const char* groups[] = { "NA", "EU" };
            for (int g = 0; g < 2; ++g) {
                if (g == 1 && strcmp(files[0], files[1]) == 0) break;   // one file for both groups
                std::string path = dir + folder + files[g];
                if (FileExists(path)) {
                    CheckLayout(path, &row);
                } else if (row.bLayoutRequired) {
                    Report(path, 1, true,
                           Format("missing: %s needs it and start-up aborts without it on %s sets",
                                  HandlerName(&row).c_str(), groups[g]));
                } else if (there) {
                    Report(path, 1, false,
                           Format("missing: %s draws nothing on %s sets", HandlerName(&row).c_str(), groups[g]));
                }
            }
        }
    }
}

void LayoutLint::CheckLayoutFile(const std::string& path)
{
    const ST_BRISKUI_HANDLER_ROW* row = RowOfFile(BaseName(path));
    if (!FileExists(path)) {
        Report(path, 1, true, "no such file");
        return;
    }
    if (row == NULL) Report(path, 1, false, "no handler loads a layout of this name: only the base's keys are checked");
    CheckLayout(path, row);
}

void LayoutLint::CheckLayout(const std::string& path, const ST_BRISKUI_HANDLER_ROW* row)
{
    // What a layout that does not load costs.
    std::string cost = row != NULL && row->bLayoutRequired ? ": start-up aborts without it" : ": the OSD gets no items";
    std::string why;
    if (!BriskIsReadableIniFile(path.c_str(), &why)) {
        Report(path, 1, true, "cannot be read" + why + cost);
        return;
    }
    ST_SCAN_RESULT scan;
    if (!ScanIni(path, &scan)) {
        Report(path, 1, true, "cannot be opened");
        return;
    }
    for (const ST_SCAN_FINDING& f : scan.vFindings) Report(path, f.iLine, f.bError, f.strMessage);
    LayoutKeys keys;
    if (!keys.Open(path.c_str())) {
        Report(path, scan.iSyntaxErrorLine > 0 ? scan.iSyntaxErrorLine : 1, true,
               "iniparser cannot read the file" + keys.Problem() + cost);
        return;
    }
    for (const ST_SCAN_SECTION& section : scan.vSections) {
        if (section.strLower == "setting")
            CheckSettingSection(path, section, keys, row);
        else if (section.strLower != kSpeechSection)
            CheckItemSection(path, section, keys, row);
    }
    CheckDeclaredItems(path, scan, keys, row);
    CheckSpeech(path, scan, keys, row);
}

void LayoutLint::CheckItemSection(const std::string& path, const ST_SCAN_SECTION& section, const LayoutKeys& keys,
                                  const ST_BRISKUI_HANDLER_ROW* row)
{
    const char* name = section.strLower.c_str();
    U32 rawType = keys.GetUnsigned(name, "u8Type", 0);
    U8 type = (U8)rawType;
    const ST_SCAN_KEY* typeKey = FindScanKey(section, "u8type");
    bool looksLikeItem = false;
    for (const ST_SCAN_KEY& k : section.vKeys)
        if (k.strLower != "u8type" && FindItemKey(k.strLower) != NULL) looksLikeItem = true;
    if (type != E_DRAW_ITEM_IMAGE && type != E_DRAW_ITEM_TEXT) {
        if (looksLikeItem || DeclaredItem(row, section.strLower) != NULL) {
            if (typeKey != NULL)
                Report(path, typeKey->iLine, true,
                       Format("[%s] has u8Type %s, read as %u: only 1 (image) and 2 (text) make an item, so the "
                              "library skips the section",
                              section.strName.c_str(), typeKey->strValue.c_str(), (unsigned)type));
            else
                Report(path, section.iLine, true,
                       Format("[%s] has no u8Type: the library skips the section (1 makes an image, 2 a text)",
                              section.strName.c_str()));
        }
        return;
    }

    // Keys: known, of this kind, numbers that fit.
    int kind = type == E_DRAW_ITEM_IMAGE ? E_FOR_IMAGE : E_FOR_TEXT;
    bool geometryOk = true;
    for (const ST_SCAN_KEY& k : section.vKeys) {
        const ST_ITEM_KEY* known = FindItemKey(k.strLower);
        if (known == NULL) {
            Report(path, k.iLine, false,
                   Format("unknown key '%s' in item [%s] is not read", k.strName.c_str(), section.strName.c_str()));
            continue;
        }
        if ((known->iKinds & kind) == 0) {
            Report(path, k.iLine, false, Format("%s is not read for %s item", known->pName, AKindName(type)));
            continue;
        }
        if (known->iBits == 0) continue;
        U32 read = keys.GetUnsigned(name, known->pName, 0);
        int before = iErrors;
        CheckNumber(path, k, known->iBits, known->bGeometry, read);
        if (known->bGeometry && iErrors != before) geometryOk = false;
    }

    // The rectangle on the screen.
    long long left = keys.GetUnsigned(name, "u32Left", 0), top = keys.GetUnsigned(name, "u32Top", 0);
    long long width = keys.GetUnsigned(name, "u32Width", 0), height = keys.GetUnsigned(name, "u32Height", 0);
    if (geometryOk && (left + width > kScreenWidth || top + height > kScreenHeight))
        Report(path, section.iLine, false,
               Format("[%s] at %lld,%lld size %lldx%lld reaches beyond the %lldx%lld screen", section.strName.c_str(),
                      left, top, width, height, kScreenWidth, kScreenHeight));

    const ST_LAYOUT_ITEM* declared = DeclaredItem(row, section.strLower);
    if (type == E_DRAW_ITEM_IMAGE) {
        const ST_SCAN_KEY* pathKey = FindScanKey(section, "pimagepath");
        const char* image = keys.GetText(name, "pImagePath");
        if (image == NULL || pathKey == NULL) {
            Report(path, section.iLine, false,
                   Format("image item [%s] has no pImagePath: it draws nothing until a handler sets one",
                          section.strName.c_str()));
            return;
        }
        std::string what = Format("[%s]", section.strName.c_str());
        CheckImage(path, pathKey->iLine, what, image);
        if (declared == NULL) return;
        std::string imagePath(image);
        if (declared != NULL) CheckEndings(path, pathKey->iLine, section.strName, image, *declared, row);
        return;
    }

    // A text item: its font opens and its text fits its width.
    const ST_SCAN_KEY* fontKey = FindScanKey(section, "pfontpath");
    const char* font = keys.GetText(name, "pFontPath");
    if (font == NULL || fontKey == NULL) {
        Report(path, section.iLine, true,
               Format("text item [%s] has no pFontPath: its text cannot be drawn", section.strName.c_str()));
        return;
    }
    unsigned size = (U8)keys.GetUnsigned(name, "u8FontSize", 0);
    if (size == 0) {
        Report(path, section.iLine, false, Format("text item [%s] has font size 0", section.strName.c_str()));
        return;
    }
    IDirectFBFont* dfbFont = OpenFont(path, fontKey->iLine, font, size);
    const char* text = keys.GetText(name, "pText");
    if (dfbFont == NULL || text == NULL || text[0] == '\0' || width == 0) return;
    int measured = 0;
    if (dfbFont->GetStringWidth(dfbFont, text, -1, &measured) == DFB_OK && measured > width) {
        const ST_SCAN_KEY* textKey = FindScanKey(section, "ptext");
        Report(path, textKey != NULL ? textKey->iLine : section.iLine, false,
               Format("text \"%s\" of [%s] is %d pixels wide at size %u, wider than the item's %lld", text,
                      section.strName.c_str(), measured, size, width));
    }
}

void LayoutLint::CheckEndings(const std::string& file, int line, const std::string& section, const std::string& image,
                              const ST_LAYOUT_ITEM& declared, const ST_BRISKUI_HANDLER_ROW* row)
{
    // Every ending the handler may give the path: its own, then the twins.
    std::vector<std::string> endings;
    if (declared.pEnding != NULL) endings.push_back(declared.pEnding);
    std::string twins(declared.pTwins != NULL ? declared.pTwins : "");
    for (size_t at = 0; at < twins.size();) {
        size_t end = twins.find(' ', at);
        if (end == std::string::npos) end = twins.size();
        if (end > at) endings.push_back(twins.substr(at, end - at));
        at = end + 1;
    }
    // With an ending of its own, the path must have one of them; the file
    // of every other one must exist. Without, every twin is swapped in.
    std::string current;
    if (declared.pEnding != NULL) {
        for (const std::string& e : endings)
            if (image.size() >= e.size() && image.compare(image.size() - e.size(), e.size(), e) == 0) current = e;
        if (current.empty()) {
            std::string list;
            for (const std::string& e : endings) list += (list.empty() ? "\"" : " or \"") + e + "\"";
            Report(file, line, true,
                   Format("image path of [%s] must end in %s: %s swaps these endings", section.c_str(), list.c_str(),
                          HandlerName(row).c_str()));
            return;
        }
    }
    std::string fileName = BaseName(image);
    for (const std::string& e : endings) {
        if (e == current) continue;
        if (declared.bWholeName && fileName.size() != e.size()) {
            Report(file, line, true,
                   Format("file name \"%s\" of [%s] is not %u characters long: %s replaces the last %u characters "
                          "with \"%s\", which then cuts into the folder",
                          fileName.c_str(), section.c_str(), (unsigned)e.size(), HandlerName(row).c_str(),
                          (unsigned)e.size(), e.c_str()));
            return;
        }
        if (fileName.size() < e.size()) {
            Report(file, line, true,
                   Format("file name \"%s\" of [%s] is shorter than \"%s\", the ending %s swaps in", fileName.c_str(),
                          section.c_str(), e.c_str(), HandlerName(row).c_str()));
            return;
        }
        std::string swapped = image.substr(0, image.size() - e.size()) + e;
        if (swapped == image) continue;
        CheckImage(file, line,
                   Format("[%s] (as %s shows it, ending \"%s\")", section.c_str(), HandlerName(row).c_str(), e.c_str()),
                   swapped);
    }
}

void LayoutLint::CheckNumber(const std::string& file, const ST_SCAN_KEY& key, int bits, bool geometry, U32 read)
{
    unsigned long long value = 0;
    U32 mask = bits == 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
    if (!StrictNumber(key.strValue, &value)) {
        Report(file, key.iLine, true,
               Format("%s = '%s' is not a number: the library reads %lu", key.strName.c_str(), key.strValue.c_str(),
                      (unsigned long)(read & mask)));
    } else if (value > mask) {
        Report(file, key.iLine, true,
               Format("%s = %s does not fit %d bits: the library reads %lu", key.strName.c_str(), key.strValue.c_str(),
                      bits, (unsigned long)(read & mask)));
    } else if (geometry && value >= 0x80000000ull) {
        Report(file, key.iLine, true,
               Format("%s = %s is 2^31 or more: a negative position or size on the screen", key.strName.c_str(),
                      key.strValue.c_str()));
    }
}

void LayoutLint::CheckSettingSection(const std::string& path, const ST_SCAN_SECTION& section, const LayoutKeys& keys,
                                     const ST_BRISKUI_HANDLER_ROW* row)
{
    const ST_LAYOUT_NEEDS* needs = row != NULL ? row->pLayoutNeeds : NULL;
    for (const ST_SCAN_KEY& k : section.vKeys) {
        const ST_LAYOUT_KEY* known = NULL;
        for (const ST_LAYOUT_KEY& base : kBaseLayoutKeys)
            if (k.strLower == LowerCase(base.pName)) known = &base;
        for (size_t i = 0; known == NULL && needs != NULL && i < needs->uKeyCount; ++i)
            if (k.strLower == LowerCase(needs->pKeys[i].pName)) known = &needs->pKeys[i];
        if (known == NULL) {
            Report(path, k.iLine, false,
                   Format("unknown key '%s' in [%s] is not read%s", k.strName.c_str(), section.strName.c_str(),
                          row != NULL ? (" by " + HandlerName(row)).c_str() : ""));
            continue;
        }
        std::string full = "setting:" + k.strLower;
        int bits = KeyBits(known->u8Type);
        if (bits != 0) {
            U32 read = keys.GetUnsigned(full.c_str(), 0);
            CheckNumber(path, k, bits, false, read);
            continue;
        }
        const char* text = keys.GetText(full.c_str());
        if (text == NULL) continue;
        if (known->u16MaxLength != 0 && strlen(text) > known->u16MaxLength) {
            Report(path, k.iLine, true,
                   Format("%s is %lu characters long: %s keeps the first %u", k.strName.c_str(),
                          (unsigned long)strlen(text), HandlerName(row).c_str(), (unsigned)known->u16MaxLength));
        } else if (known->u8Type == E_LAYOUT_KEY_IMAGE && text[0] != '\0') {
            CheckImage(path, k.iLine, "setting " + k.strName, text);
        }
    }

    const ST_SCAN_KEY* timeOut = FindScanKey(section, "u16timeout");
    if (timeOut != NULL && needs != NULL && needs->bTimeOutUsed &&
        (U16)keys.GetUnsigned("setting:u16TimeOut", 3000) == 0)
        Report(path, timeOut->iLine, true,
               Format("u16TimeOut = %s is read as 0: %s's time-out never fires, so the OSD stays on the screen",
                      timeOut->strValue.c_str(), HandlerName(row).c_str()));

    for (EN_BASE_LAYOUT_KEY which : { E_BASE_KEY_STATE_MASK, E_BASE_KEY_WIDE_STATE_MASK }) {
        const char* name = kBaseLayoutKeys[which].pName;
        const ST_SCAN_KEY* mask = FindScanKey(section, LowerCase(name).c_str());
        if (mask == NULL) continue;
        U32 bits = keys.GetUnsigned(kLayoutSettings, name, 0);
        for (int b = 0; b < 32; ++b) {
            U32 bit = 1u << b;
            if ((bits & bit) != 0 && strcmp(BriskUiOsdName(bit), "unknown") == 0)
                Report(path, mask->iLine, false, Format("%s bit 0x%lX names no OSD", name, (unsigned long)bit));
        }
    }
    const ST_SCAN_KEY* narrow = FindScanKey(section, LowerCase(kBaseLayoutKeys[E_BASE_KEY_STATE_MASK].pName).c_str());
    const ST_SCAN_KEY* wide =
        FindScanKey(section, LowerCase(kBaseLayoutKeys[E_BASE_KEY_WIDE_STATE_MASK].pName).c_str());
    if (narrow != NULL && wide != NULL)
        Report(path, narrow->iLine, false,
               Format("u16StateMask is not used: u32StateMask on line %d wins", wide->iLine));
}

void LayoutLint::CheckDeclaredItems(const std::string& path, const ST_SCAN_RESULT& scan, const LayoutKeys& keys,
                                    const ST_BRISKUI_HANDLER_ROW* row)
{
    if (row == NULL || row->pLayoutNeeds == NULL) return;
    const ST_LAYOUT_NEEDS& needs = *row->pLayoutNeeds;
    for (size_t i = 0; i < needs.uItemCount; ++i) {
        const ST_LAYOUT_ITEM& item = needs.pItems[i];
        const ST_SCAN_SECTION* section = FindScanSection(scan, item.pName);
        U8 type = section != NULL ? (U8)keys.GetUnsigned(item.pName, "u8Type", 0) : 0;
        if (type == item.u8Type) continue;
        if (type == E_DRAW_ITEM_IMAGE || type == E_DRAW_ITEM_TEXT)
            Report(path, section->iLine, false,
                   Format("[%s] is %s item; %s looks up %s item of that name and goes without it",
                          section->strName.c_str(), AKindName(type), HandlerName(row).c_str(), AKindName(item.u8Type)));
        else if (section == NULL)
            Report(path, 1, false,
                   Format("no %s item [%s]: %s looks it up and goes without it", KindName(item.u8Type), item.pName,
                          HandlerName(row).c_str()));
    }
}

bool LayoutLint::CheckImage(const std::string& file, int line, const std::string& what, const std::string& image)
{
    std::string resolved = BriskResolvePath(image.c_str());
    auto cached = mImageProblems.find(resolved);
    std::string problem;
    if (cached != mImageProblems.end()) {
        problem = cached->second;
    } else {
        std::string why;
        if (!BriskIsReadableFile(resolved.c_str(), 0, &why)) {
            problem = why.empty() ? "does not exist" : "cannot be read" + why;
        } else {
            ST_IMAGE_DECODE out = { NULL, 0, 0 };
            switch (BriskDecodeImage(pDfb, resolved.c_str(), &out)) {
            case E_IMAGE_DECODED:
                break;
            case E_IMAGE_TOO_LARGE:
                problem = Format("is %lux%lu, beyond the size limit of %d pixels a side and %d MiB",
                                 (unsigned long)out.u32Width, (unsigned long)out.u32Height, (int)E_IMAGE_MAX_SIDE,
                                 (int)(E_IMAGE_MAX_BYTES >> 20));
                break;
            case E_IMAGE_UNSUPPORTED:
            case E_IMAGE_NOT_FOUND:
                problem = "is neither a PNG nor a JPEG";
                break;
            default:
                problem = "does not decode";
                break;
            }
            if (out.pSurface != NULL) out.pSurface->Release(out.pSurface);
        }
        mImageProblems[resolved] = problem;
    }
    if (problem.empty()) return true;
    Report(file, line, true, Format("image %s of %s %s", image.c_str(), what.c_str(), problem.c_str()));
    return false;
}

IDirectFBFont* LayoutLint::OpenFont(const std::string& file, int line, const std::string& font, unsigned size)
{
    std::string resolved = BriskResolvePath(font.c_str());
    auto key = std::make_pair(resolved, size);
    auto cached = mFonts.find(key);
    IDirectFBFont* dfbFont = NULL;
    if (cached != mFonts.end()) {
        dfbFont = cached->second;
    } else {
        std::string why;
        if (BriskIsReadableFile(resolved.c_str(), 0, &why)) {
            DFBFontDescription desc;
            memset(&desc, 0, sizeof(desc));
            desc.flags = DFDESC_HEIGHT;
            desc.height = (int)size;
            if (pDfb->CreateFont(pDfb, resolved.c_str(), &desc, &dfbFont) != DFB_OK) dfbFont = NULL;
        }
        mFonts[key] = dfbFont;
    }
    if (dfbFont == NULL) Report(file, line, true, Format("font %s does not open", font.c_str()));
    return dfbFont;
}

void LayoutLint::CheckSettingsFile(const std::string& path)
{
    std::string why;
    if (!BriskIsReadableIniFile(path.c_str(), &why)) {
        Report(path, 1, true, (why.empty() ? std::string("no such file") : "cannot be read" + why) + kNoSettings);
        return;
    }
    ST_SCAN_RESULT scan;
    ScanIni(path, &scan);
    for (const ST_SCAN_FINDING& f : scan.vFindings) Report(path, f.iLine, f.bError, f.strMessage);
    dictionary* ini = BriskLoadIniFile(path.c_str(), &why);
    if (ini == NULL) {
        Report(path, scan.iSyntaxErrorLine > 0 ? scan.iSyntaxErrorLine : 1, true,
               std::string("iniparser cannot read the file") + kNoSettings);
        return;
    }
    if (FindScanSection(scan, "briskuisetting") == NULL)
        Report(path, 1, false, "no [BriskUISetting] section: every setting takes its default");
    for (const ST_SCAN_SECTION& section : scan.vSections) {
        if (section.strLower != "briskuisetting") {
            Report(path, section.iLine, false, Format("unknown section [%s] is not read", section.strName.c_str()));
            continue;
        }
        for (const ST_SCAN_KEY& k : section.vKeys) {
            if (k.strLower == "bactivatebriskui" || k.strLower == "bfirstinitialization" ||
                k.strLower == "baudioguidance") {
                // iniparser's boolean rule: the first character decides.
                char c = k.strValue.empty() ? '\0' : k.strValue[0];
                if (strchr("yYtT1nNfF0", c) == NULL || c == '\0')
                    Report(path, k.iLine, true,
                           Format("%s = '%s' is not a boolean (TRUE/FALSE, 1/0, yes/no): the default %d counts",
                                  k.strName.c_str(), k.strValue.c_str(), k.strLower == "bactivatebriskui" ? 1 : 0));
            } else if (k.strLower == "u8colorformat") {
                U32 read = iniparser_getunsignedint(ini, "briskuisetting:u8colorformat", 2);
                int before = iErrors;
                CheckNumber(path, k, 8, false, read);
                if (iErrors == before && (U8)read != 1 && (U8)read != 2)
                    Report(path, k.iLine, false,
                           Format("u8ColorFormat = %s is neither 1 (16-bit ARGB4444) nor 2 (32-bit ARGB): the layer is "
                                  "32-bit",
                                  k.strValue.c_str()));
            } else {
                Report(path, k.iLine, false,
                       Format("unknown key '%s' in [%s] is not read", k.strName.c_str(), section.strName.c_str()));
            }
        }
    }
    iniparser_freedict(ini);
}

void LayoutLint::CheckSpeech(const std::string& path, const ST_SCAN_RESULT& scan, const LayoutKeys& keys,
                             const ST_BRISKUI_HANDLER_ROW* row)
{
    const ST_SPEECH_NEEDS* speech = row != NULL ? row->pSpeech : NULL;
    size_t count = speech != NULL ? speech->uCount : 0;
    const ST_SCAN_SECTION* section = FindScanSection(scan, kSpeechSection);
    for (size_t k = 0; section != NULL && k < section->vKeys.size(); ++k) {
        const ST_SCAN_KEY& key = section->vKeys[k];
        const ST_SPEECH_TEXT* text = NULL;
        for (size_t i = 0; i < count; ++i)
            if (key.strLower == speech->pTexts[i].pId) text = &speech->pTexts[i];
        if (text == NULL)
            Report(path, key.iLine, false,
                   Format("unknown key '%s' in [%s] is not said%s", key.strName.c_str(), section->strName.c_str(),
                          row != NULL ? (" by " + HandlerName(row)).c_str() : ""));
        else if (FindScanKey(*section, key.strLower) == &key)   // the one iniparser keeps
            CheckWording(path, key.iLine, *text, key.strValue, true, scan, keys, row);
    }
    for (size_t i = 0; i < count; ++i) {
        const ST_SPEECH_TEXT& text = speech->pTexts[i];
        if (section != NULL && FindScanKey(*section, text.pId) != NULL) continue;
        CheckWording(path, section != NULL ? section->iLine : 1, text, text.pDefault, false, scan, keys, row);
        // Words of its own, outside the placeholders, are English.
        std::string words;
        size_t at = 0, start = 0, end = 0;
        std::string name;
        std::string wording = text.pDefault;
        while (BriskNextPlaceholder(wording, at, &start, &end, &name)) {
            words += wording.substr(at, start - at);
            at = end;
        }
        words += wording.substr(at);
        bool english = false;
        for (char c : words) english = english || isalpha((unsigned char)c);
        if (english)
            Report(path, section != NULL ? section->iLine : 1, false,
                   Format("no [speech] wording '%s': %s says its default \"%s\" in every language", text.pId,
                          HandlerName(row).c_str(), text.pDefault));
    }
}

void LayoutLint::CheckWording(const std::string& file, int line, const ST_SPEECH_TEXT& text, const std::string& wording,
                              bool own, const ST_SCAN_RESULT& scan, const LayoutKeys& keys,
                              const ST_BRISKUI_HANDLER_ROW* row)
{
    std::set<std::string> used;
    size_t at = 0, start = 0, end = 0;
    std::string name;
    while (BriskNextPlaceholder(wording, at, &start, &end, &name)) {
        at = end;
        if (BriskIsSpeechValue(text.pValues, name)) {
            used.insert(name);
            continue;
        }
        bool item = FindScanSection(scan, name) != NULL && (U8)keys.GetUnsigned(name.c_str(), "u8Type", 0) == 2;
        if (item) continue;
        if (own)
            Report(file, line, true,
                   Format("{%s} in '%s' is neither a value of it (%s) nor a text item of this layout: %s says nothing "
                          "in its place",
                          name.c_str(), text.pId, text.pValues[0] != '\0' ? text.pValues : "it has none",
                          HandlerName(row).c_str()));
        else
            Report(file, line, false,
                   Format("the default of '%s' (\"%s\") says the text of [%s], which this layout has no text item "
                          "for: %s says nothing in its place",
                          text.pId, text.pDefault, name.c_str(), HandlerName(row).c_str()));
    }
    if (!own) return;
    for (const char* p = text.pValues; *p != '\0';) {
        while (*p == ' ') ++p;
        const char* word = p;
        while (*p != '\0' && *p != ' ') ++p;
        std::string value(word, (size_t)(p - word));
        if (!value.empty() && used.count(value) == 0)
            Report(
                file, line, false,
                Format("'%s' leaves out {%s}: %s does not say it", text.pId, value.c_str(), HandlerName(row).c_str()));
    }
}
