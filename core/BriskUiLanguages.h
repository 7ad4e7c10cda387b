// The layout folder of each OSD language: the language id the middleware's
// system database gives picks the folder under "/config/briskui/layout/"
// that every layout file is read from. The manager picks its folder from
// this table at start-up (SetupLanguage) and the layout checker checks every
// folder the table can give, so the two cannot disagree. Constant data: any
// thread, never freed.
#ifndef BRISKUI_LANGUAGES_H
#define BRISKUI_LANGUAGES_H

#include <stddef.h>

#include "BriskTypes.h"

// The folder under the root that holds the language folders.
inline constexpr const char kBriskLayoutFolder[] = "/config/briskui/layout/";

// The OSD language assumed when the set has no system database.
enum { E_BRISKUI_DEFAULT_OSD_LANGUAGE = 6 };

struct ST_BRISKUI_LANGUAGE_FOLDER {
    U32 u32Language;       // the OSD language id
    const char* pFolder;   // its folder, two letters and a slash ("GE/")
};

// The languages with a folder of their own, and their number. Every other
// language, the default among them, reads BriskLanguageFolder's fallback.
const ST_BRISKUI_LANGUAGE_FOLDER* BriskLanguageFolders(size_t* count);

// The folder of OSD language `language`: its row's, else "EN/".
const char* BriskLanguageFolder(U32 language);

#endif   // BRISKUI_LANGUAGES_H
