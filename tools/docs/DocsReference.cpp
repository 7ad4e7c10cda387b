#include "DocsReference.h"

#include <stdio.h>
#include <string.h>

#include <map>

#include "BriskUiHandlerTable.h"
#include "BriskUiLanguages.h"
#include "DrawItem.h"
#include "HostCommandLine.h"
#include "LayoutKeys.h"
#include "LayoutLint.h"
#include "LiveView.h"
#include "SpeechNeeds.h"

namespace {

// ---- Markdown ------------------------------------------------------------------

// Text for a table cell: a '|' would end the cell.
std::string Cell(const std::string& text)
{
    std::string out;
    for (char c : text) out += c == '|' ? std::string("\\|") : std::string(1, c);
    return out;
}

std::string Code(const std::string& text) { return "`" + Cell(text) + "`"; }

std::string Row(const std::vector<std::string>& cells)
{
    std::string row = "|";
    for (const std::string& c : cells) row += " " + c + " |";
    return row + "\n";
}

std::string Table(const std::vector<std::string>& heads)
{
    std::string rule = "|";
    for (size_t i = 0; i < heads.size(); ++i) rule += "---|";
    return Row(heads) + rule + "\n";
}

std::string Hex(U32 value, int digits = 4)
{
    char text[16];
    snprintf(text, sizeof text, "0x%0*lX", digits, (unsigned long)value);
    return text;
}

std::string Joined(const std::vector<std::string>& parts, const char* separator)
{
    std::string text;
    for (const std::string& p : parts) text += (text.empty() ? "" : separator) + p;
    return text;
}

// ---- keys and OSDs -------------------------------------------------------------

// The script's name of a key symbol (VOL+), empty when it has none.
std::string KeyName(U32 symbol)
{
    static const std::map<U32, std::string> names = [] {
        std::map<U32, std::string> m;
        for (const std::string& name : KeyNames()) {
            U32 s = 0;
            if (KeySymbolOf(name, &s)) m.emplace(s, name);
        }
        return m;
    }();
    auto it = names.find(symbol);
    return it == names.end() ? std::string() : it->second;
}

std::string Key(U32 symbol)
{
    std::string name = KeyName(symbol);
    return name.empty() ? Hex(symbol) : Code(name) + " (" + Hex(symbol) + ")";
}

// A claim's keys: one, a few listed, or a range.
std::string Keys(U32 first, U32 last)
{
    if (first == last) return Key(first);
    bool named = true;
    for (U32 k = first; k <= last; ++k) named = named && !KeyName(k).empty();
    if (named && last - first < 3) {
        std::vector<std::string> keys;
        for (U32 k = first; k <= last; ++k) keys.push_back(Key(k));
        return Joined(keys, ", ");
    }
    return Key(first) + " to " + Key(last);
}

// The OSDs of a status mask, by name.
std::string Osds(U32 mask)
{
    std::vector<std::string> names;
    for (U32 bit = 1; bit != 0; bit <<= 1)
        if (mask & bit) names.push_back(BriskUiOsdName(bit));
    return names.empty() ? "" : Joined(names, ", ");
}

const char* When(U8 when)
{
    switch (when) {
    case E_BRISKUI_KEY_WHILE_SHOWN:
        return "while it is shown";
    case E_BRISKUI_KEY_ON_TUNER:
        return "while the input is analogue or digital TV";
    default:
        return "always";
    }
}

const char* LayoutKeyType(U8 type)
{
    switch (type) {
    case E_LAYOUT_KEY_U8:
        return "unsigned, cut to 8 bits";
    case E_LAYOUT_KEY_U16:
        return "unsigned, cut to 16 bits";
    case E_LAYOUT_KEY_U32:
        return "unsigned 32-bit";
    case E_LAYOUT_KEY_TEXT:
        return "text";
    default:
        return "image path";
    }
}

// The words of a blank-separated list, each as code.
std::string CodeList(const char* words)
{
    std::vector<std::string> list;
    std::string w;
    for (const char* p = words;; ++p) {
        if (*p == ' ' || *p == '\0') {
            if (!w.empty()) list.push_back(Code(w));
            w.clear();
            if (*p == '\0') break;
        } else {
            w += *p;
        }
    }
    return Joined(list, ", ");
}

// What the handler does with an item's image path, as its declaration says.
std::string Endings(const ST_LAYOUT_ITEM& item)
{
    if (item.pTwins == NULL) return "";
    if (item.bWholeName)
        return std::string("the handler swaps the whole file name for ") + CodeList(item.pTwins) +
               ": the layout's file name is as long, and those files lie beside it";
    if (item.pEnding == NULL)
        return std::string("the handler swaps the path's last characters for ") + CodeList(item.pTwins) +
               ": those files lie beside it";
    return "ends in " + Code(item.pEnding) + " or " + CodeList(item.pTwins) +
           "; the handler swaps the endings, so the file of each ending lies beside it";
}

// The size the root's default-language layouts give item `name` (and its
// font's), for NA and EU when they differ.
std::string SampleSize(const std::string& root, const ST_BRISKUI_HANDLER_ROW& row, const char* name)
{
    std::string folder = root + kBriskLayoutFolder + BriskLanguageFolder(E_BRISKUI_DEFAULT_OSD_LANGUAGE);
    std::vector<std::string> sizes;
    const char* files[2] = { row.pLayoutNA, row.pLayoutEU };
    for (const char* file : files) {
        LayoutKeys keys;
        std::string size = "none";
        if (file != NULL && keys.Open((folder + file).c_str()) && keys.GetText(name, "u8Type") != NULL) {
            size = std::to_string(keys.GetUnsigned(name, "u32Width", 0)) + " x " +
                   std::to_string(keys.GetUnsigned(name, "u32Height", 0));
            if (keys.GetText(name, "u8FontSize") != NULL)
                size += ", font " + std::to_string((U8)keys.GetUnsigned(name, "u8FontSize", 0));
        }
        sizes.push_back(size);
    }
    if (sizes[0] == sizes[1]) return sizes[0];
    return "NA " + sizes[0] + ", EU " + sizes[1];
}

// ---- the sections --------------------------------------------------------------

std::string LayoutSection(const ST_BRISKUI_HANDLER_ROW& row, const std::string& root)
{
    const ST_LAYOUT_NEEDS& needs = *row.pLayoutNeeds;
    std::string text;
    std::string files = row.pLayoutNA == NULL ? "none"
                        : std::string(row.pLayoutNA) == row.pLayoutEU
                            ? Code(row.pLayoutNA) + ", for both country groups"
                            : Code(row.pLayoutNA) + " (NA), " + Code(row.pLayoutEU) + " (EU)";
    text += Table({ "Handler", Code(row.pName) });
    text += Row({ "Layout files", files });
    text +=
        Row({ "Without its layout", row.bLayoutRequired ? "start-up stops (an assertion)" : "the OSD draws nothing" });
    text += Row({ "Status bit", Hex((U32)row.eStatus) });
    text += Row({ "Layer", std::to_string(row.u16Layer) + " (drawn over the OSDs of lower layers)" });
    text += Row({ "Exit keys", row.bClosedByExit ? "close it" : "do not close it" });
    text += Row({ "`u16TimeOut`", needs.bTimeOutUsed ? "hides or refreshes it (0: it stays on screen)" : "not used" });

    text += "\nItems it looks up (the layout may hold more, drawn as they are):\n\n";
    if (needs.uItemCount == 0) {
        text += "none\n";
    } else {
        text += Table({ "Item", "Kind", "Path", "Size in the sample root" });
        for (size_t i = 0; i < needs.uItemCount; ++i) {
            const ST_LAYOUT_ITEM& item = needs.pItems[i];
            text += Row({ Code(item.pName), item.u8Type == E_DRAW_ITEM_IMAGE ? "image" : "text", Endings(item),
                          SampleSize(root, row, item.pName) });
        }
    }
    if (needs.uKeyCount > 0) {
        text += "\nIts own `setting` keys:\n\n";
        text += Table({ "Key", "Value", "Longest value kept" });
        for (size_t i = 0; i < needs.uKeyCount; ++i) {
            const ST_LAYOUT_KEY& key = needs.pKeys[i];
            text += Row({ Code(key.pName), LayoutKeyType(key.u8Type),
                          key.u16MaxLength == 0 ? "" : std::to_string(key.u16MaxLength) + " characters" });
        }
    }
    if (row.pSpeech != NULL && row.pSpeech->uCount > 0) {
        text += std::string("\nWhat it says with audio guidance on (a layout words each text under its id in `[") +
                kSpeechSection +
                "]`; `{value}` placeholders are the values it fills in, any other `{name}` the "
                "text of the layout's text item `[name]`):\n\n";
        text += Table({ "Id", "Default wording", "Values", "Said" });
        for (size_t i = 0; i < row.pSpeech->uCount; ++i) {
            const ST_SPEECH_TEXT& t = row.pSpeech->pTexts[i];
            std::vector<std::string> said;
            if (t.u8Flags & E_SPEECH_ON_SHOW) said.push_back("when the OSD shows");
            if (t.u8Flags & E_SPEECH_SETTLE)
                said.push_back("once the keys pause " + std::to_string((int)E_SPEECH_SETTLE_MS) + " ms");
            said.push_back(t.u8Flags & E_SPEECH_INTERRUPT ? "cutting short what is being said"
                                                          : "after what is being said");
            text += Row(
                { Code(t.pId), Code(t.pDefault), *t.pValues == '\0' ? "" : CodeList(t.pValues), Joined(said, ", ") });
        }
    }
    if (row.uKeyCount > 0) {
        text +=
            "\nKeys it takes (of the OSDs claiming a key, the lowest precedence whose condition holds takes "
            "it):\n\n";
        text += Table({ "Keys", "When", "Precedence", "Hides first" });
        for (size_t i = 0; i < row.uKeyCount; ++i) {
            const ST_BRISKUI_KEY_CLAIM& k = row.pKeys[i];
            text += Row({ Keys(k.u32FirstKey, k.u32LastKey), When(k.u8When), std::to_string(k.u8Precedence),
                          Osds(k.u32HideFirst) });
        }
    }
    if (row.uFactoryCodeCount > 0) {
        text += "\nFactory codes that open it with the factory key (the narrowest range takes a code):\n\n";
        text += Table({ "Codes", "Hides first" });
        for (size_t i = 0; i < row.uFactoryCodeCount; ++i) {
            const ST_BRISKUI_FACTORY_CLAIM& c = row.pFactoryCodes[i];
            std::string codes = Hex(c.u16FirstCode) + " (" + std::to_string(c.u16FirstCode) + ")";
            if (c.u16LastCode != c.u16FirstCode)
                codes += " to " + Hex(c.u16LastCode) + " (" + std::to_string(c.u16LastCode) + ")";
            text += Row({ codes, Osds(c.u32HideFirst) });
        }
    }
    return text;
}

std::string ItemKeysSection()
{
    size_t count = 0;
    const ST_ITEM_KEY* keys = LintItemKeys(&count);
    std::string text = Table({ "Key", "Items", "Value" });
    for (size_t i = 0; i < count; ++i) {
        const char* kinds = keys[i].iKinds == E_FOR_BOTH    ? "image and text"
                            : keys[i].iKinds == E_FOR_IMAGE ? "image"
                                                            : "text";
        std::string value = keys[i].iBits == 0 ? "text" : "unsigned, " + std::to_string(keys[i].iBits) + " bits";
        text += Row({ Code(keys[i].pName), kinds, value });
    }
    return text;
}

std::string SettingKeysSection()
{
    std::string text = Table({ "Key of `[" + std::string(kLayoutSettings) + "]`", "Value" });
    for (const ST_LAYOUT_KEY& key : kBaseLayoutKeys) text += Row({ Code(key.pName), LayoutKeyType(key.u8Type) });
    return text;
}

std::string OptionsSection()
{
    size_t count = 0;
    const HostOption* options = HostOptionTable(&count);
    std::string text = Table({ "Option", "Does" });
    for (size_t i = 0; i < count; ++i) {
        std::string name = options[i].name;
        if (options[i].value != NULL) name += (name.back() == ':' ? "" : " ") + std::string(options[i].value);
        text += Row({ Code(name), Cell(options[i].help) });
    }
    return text;
}

std::string VerbsSection()
{
    size_t count = 0;
    const ScriptVerb* verbs = ScriptVerbs(&count);
    std::string text = Table({ "Line", "Does", "Needs the running library" });
    for (size_t i = 0; i < count; ++i)
        text += Row({ Code(verbs[i].usage), Cell(verbs[i].help), verbs[i].needsLibrary ? "yes" : "no" });
    return text;
}

std::string KeysSection()
{
    std::map<std::string, std::string> pcKeys;
    for (const ViewKey& k : ViewKeyLabels()) {
        std::vector<std::string> codes;
        for (const std::string& pc : k.pcKeys) codes.push_back(Code(pc));
        pcKeys[k.remote] = Joined(codes, ", ") + (k.repeats ? " (repeats while held)" : "");
    }
    std::string text = Table({ "Key name", "Key symbol", "PC keys in the window (`--view`)" });
    for (const std::string& name : KeyNames()) {
        U32 symbol = 0;
        KeySymbolOf(name, &symbol);
        bool digit = name.size() == 1 && name[0] >= '0' && name[0] <= '9';
        if (digit && name != "0") continue;   // the digits are one row
        std::string shown = digit ? "0..9" : name;
        text += Row({ Code(shown), digit ? Hex(symbol, 2) + " to " + Hex(symbol + 9, 2) : Hex(symbol), pcKeys[shown] });
    }
    return text;
}

std::string SetsSection()
{
    size_t count = 0;
    const SetRow* rows = SetRows(&count);
    std::string text = Table({ "`set` name", "Value", "Stands for" });
    for (size_t i = 0; i < count; ++i) {
        std::string help = rows[i].help;
        if (rows[i].beforeStartOnly) help += "; before start only";
        text += Row({ Code(rows[i].name), Code(SetUsage(rows[i])), Cell(help) });
    }
    return text;
}

std::string CallsSection()
{
    size_t count = 0;
    const ManagerOperation* ops = ManagerOperations(&count);
    std::string text = Table({ "Operation", "Arguments", "Prints a result" });
    for (size_t i = 0; i < count; ++i) {
        std::string usage = ops[i].usage();
        text += Row({ Code(ops[i].name), usage.empty() ? "" : Code(usage), ops[i].hasResult ? "yes" : "no" });
    }
    return text;
}

std::string ExitSection()
{
    size_t count = 0;
    const HostExitStatus* statuses = HostExitStatuses(&count);
    std::string text = Table({ "Status", "Means" });
    for (size_t i = 0; i < count; ++i) text += Row({ std::to_string(statuses[i].status), Cell(statuses[i].help) });
    return text;
}

const char kLayoutsPrefix[] = "layouts ";

struct FixedSection {
    const char* id;
    std::string (*make)();
};

const FixedSection kFixed[] = {
    { "layouts items", &ItemKeysSection }, { "layouts setting", &SettingKeysSection },
    { "host options", &OptionsSection },   { "host verbs", &VerbsSection },
    { "host keys", &KeysSection },         { "host sets", &SetsSection },
    { "host calls", &CallsSection },       { "host exit", &ExitSection },
};

}   // namespace

std::vector<std::string> DocsSectionIds()
{
    std::vector<std::string> ids = { kFixed[0].id, kFixed[1].id };
    size_t count = 0;
    const ST_BRISKUI_HANDLER_ROW* rows = BriskHandlerTable(&count);
    for (size_t i = 0; i < count; ++i) ids.push_back(kLayoutsPrefix + std::string(rows[i].pName));
    for (size_t i = 2; i < sizeof(kFixed) / sizeof(kFixed[0]); ++i) ids.push_back(kFixed[i].id);
    return ids;
}

std::string DocsSectionHome(const std::string& id)
{
    return id.compare(0, strlen(kLayoutsPrefix), kLayoutsPrefix) == 0 ? "layouts.md" : "host-scripts.md";
}

bool DocsSection(const std::string& id, const std::string& root, std::string* text, std::string* error)
{
    for (const FixedSection& f : kFixed) {
        if (id == f.id) {
            *text = f.make();
            return true;
        }
    }
    size_t count = 0;
    const ST_BRISKUI_HANDLER_ROW* rows = BriskHandlerTable(&count);
    for (size_t i = 0; i < count; ++i) {
        if (id == kLayoutsPrefix + std::string(rows[i].pName)) {
            *text = LayoutSection(rows[i], root);
            return true;
        }
    }
    *error = "no generated section '" + id + "'";
    return false;
}
