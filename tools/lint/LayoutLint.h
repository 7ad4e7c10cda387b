// LayoutLint: checks layout files and the settings file of a set's file
// system against what the library reads from them, and prints each finding
// as a compiler-style line "FILE:LINE: error|warning: message" on standard
// output. The items and keys each handler reads come from the handler
// table's layout declarations, so the checker follows the handlers.
#ifndef BRISKUI_LINT_LAYOUTLINT_H
#define BRISKUI_LINT_LAYOUTLINT_H

#include <directfb.h>

#include <map>
#include <string>
#include <utility>

#include "BriskUiHandlerTable.h"

// Which items read a key: image items, text items or both.
enum EN_ITEM_KEY_KINDS { E_FOR_IMAGE = 1, E_FOR_TEXT = 2, E_FOR_BOTH = 3 };

// A key of an item section, as the handler base reads it.
struct ST_ITEM_KEY {
    const char* pLower;   // folded name
    const char* pName;    // as the library writes it
    int iBits;            // 8, 16 or 32; 0 for a string
    int iKinds;           // EN_ITEM_KEY_KINDS
    bool bGeometry;       // a position or size: 2^31 and more wraps negative
};
// The keys of an item section, in the order the base reads them, and their
// number.
const ST_ITEM_KEY* LintItemKeys(size_t* count);

struct ST_SCAN_RESULT;
struct ST_SCAN_SECTION;
struct ST_SCAN_KEY;
class LayoutKeys;

class LayoutLint {
public:
    // `dfb` decodes images and opens fonts; image and font paths resolve
    // under BRISKUI_ROOT (BriskResolvePath), which the caller has set.
    explicit LayoutLint(IDirectFB* dfb) : pDfb(dfb), iErrors(0), iWarnings(0) {}
    ~LayoutLint();

    // Every layout file the handler table loads, for both country groups,
    // in every language folder the library can read from `root`: the
    // default language's, there or not (start-up aborts without its
    // required layouts), and each folder of the language table that is
    // there. The table's languages without a folder are one warning; a
    // folder no language reads is a warning and is not looked into.
    void CheckRoot(const std::string& root);
    // One layout file; its handler is the row that loads a file of its
    // name (none: only the base's keys are checked).
    void CheckLayoutFile(const std::string& path);
    // A common settings file.
    void CheckSettingsFile(const std::string& path);

    int Errors() const { return iErrors; }
    int Warnings() const { return iWarnings; }

private:
    LayoutLint(const LayoutLint&) = delete;
    LayoutLint& operator=(const LayoutLint&) = delete;

    void Report(const std::string& file, int line, bool error, const std::string& message);
    void CheckLayout(const std::string& path, const ST_BRISKUI_HANDLER_ROW* row);
    void CheckItemSection(const std::string& path, const ST_SCAN_SECTION& section, const LayoutKeys& keys,
                          const ST_BRISKUI_HANDLER_ROW* row);
    void CheckSettingSection(const std::string& path, const ST_SCAN_SECTION& section, const LayoutKeys& keys,
                             const ST_BRISKUI_HANDLER_ROW* row);
    void CheckDeclaredItems(const std::string& path, const ST_SCAN_RESULT& scan, const LayoutKeys& keys,
                            const ST_BRISKUI_HANDLER_ROW* row);
    // The [speech] section against what the row's handler says: known ids,
    // placeholders that are a value of their text or a text item of the
    // layout, values left out; and the defaults the layout leaves standing.
    void CheckSpeech(const std::string& path, const ST_SCAN_RESULT& scan, const LayoutKeys& keys,
                     const ST_BRISKUI_HANDLER_ROW* row);
    // The placeholders of `wording` for `text`, at FILE:LINE; `own` when the
    // layout gave it (else it is the default).
    void CheckWording(const std::string& file, int line, const ST_SPEECH_TEXT& text, const std::string& wording,
                      bool own, const ST_SCAN_RESULT& scan, const LayoutKeys& keys, const ST_BRISKUI_HANDLER_ROW* row);
    // Reports a number key that is no number, that does not fit `bits`,
    // or (a position or size) that is 2^31 or more; `read` is what the
    // library reads.
    void CheckNumber(const std::string& file, const ST_SCAN_KEY& key, int bits, bool geometry, U32 read);
    // The path endings `declared` says its handler swaps, for the image
    // path `image` of item [section] at FILE:LINE.
    void CheckEndings(const std::string& file, int line, const std::string& section, const std::string& image,
                      const ST_LAYOUT_ITEM& declared, const ST_BRISKUI_HANDLER_ROW* row);
    // Whether the image at layout path `image` exists and decodes; reports
    // against FILE:LINE with `what` naming who shows it. Cached by path.
    bool CheckImage(const std::string& file, int line, const std::string& what, const std::string& image);
    // The font at `font` opened at `size`; null (reported) when it does not open.
    IDirectFBFont* OpenFont(const std::string& file, int line, const std::string& font, unsigned size);

    IDirectFB* pDfb;
    int iErrors;
    int iWarnings;
    std::map<std::string, std::string> mImageProblems;   // resolved path -> problem ("" when fine)
    std::map<std::pair<std::string, unsigned>, IDirectFBFont*> mFonts;
};

#endif   // BRISKUI_LINT_LAYOUTLINT_H
