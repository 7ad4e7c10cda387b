// briskui-gallery: every OSD in each of its states, for each country group
// and each language folder of a root, as screenshots over the TV backdrop
// and one page that shows them side by side.
//
// The gallery is a folder of host scripts (sim/gallery/*.script), run by
// the host's own script engine, so it shows exactly what the library draws.
// Each script's first line is a comment holding its section title; scripts
// in a row with the same title share one section. Each `shot` line is one
// state, named after its file ("half-mute.png" shows as "half mute"). The
// gallery sets the country group and the language itself, so its scripts
// set neither, and it changes no key files. Every run has audio guidance on:
// under each image the page shows what that state said (the run writes it
// beside the image, STATE.txt).
//
// Everything here runs on the gallery's one thread.
#ifndef BRISKUI_SIM_GALLERY_H
#define BRISKUI_SIM_GALLERY_H

#include <string>
#include <vector>

#include "BriskTypes.h"

namespace gallery {

struct Script {
    std::string path;
    std::string name;                 // file name without ".script": its shot folder
    std::string title;                // section title, from its first line
    std::vector<std::string> shots;   // shot file names, in script order
};

struct Language {
    std::string folder;   // layout folder, e.g. "EN"
    U32 id = 0;           // an OSD language id the library reads it for
};

// The country groups the gallery shows, side by side in this order.
struct Group {
    int country;   // 1 NA, 2 EU
    const char* name;
};
extern const Group kGroups[2];

// Reads every *.script of `dir`, in file-name order. False with the file,
// line and reason in `error` for a script that does not parse, has no
// title, shoots nothing or sets what the gallery sets itself.
bool LoadScripts(const std::string& dir, std::vector<Script>* scripts, std::string* error);

// The layout folders under `root` and, for each, an OSD language id whose
// folder the library takes it to be (asked of the library itself). Folders
// no language id reads are listed in `unread`. The simulated TV's language
// is left as it was.
std::vector<Language> FindLanguages(const std::string& root, std::vector<std::string>* unread);

// "LANG/GROUP/SCRIPT/SHOT": where a state's image lies under the output.
std::string ImagePath(const Language& language, const Group& group, const Script& script, const std::string& shot);

// Runs every script for every language and group on `root`, `jobs` at a
// time, each in a child process of its own, its output in
// OUT/logs/LANG-GROUP-SCRIPT.log. A script's old images are removed
// first. Returns the runs that failed, one line each (what, exit status,
// log); empty when every run succeeded.
std::vector<std::string> RunAll(const std::string& root, const std::string& out, const std::vector<Script>& scripts,
                                const std::vector<Language>& languages, int jobs);

// Writes OUT/index.html: a section per title, a row per state and
// language, the groups side by side; a missing image shows as such. The
// page marks broken images itself once loaded (class "broken", and the
// counts in the data-images and data-broken attributes of #image-check).
// `rootAsGiven` is the root as the user named it (a relative one stays
// relative), empty for the build's sample root, which the page calls
// "the sample root": a page or a picture of it shows no folder of the
// machine that made it unless the user typed one.
bool WritePage(const std::string& out, const std::string& rootAsGiven, const std::vector<Script>& scripts,
               const std::vector<Language>& languages, std::string* error);

}   // namespace gallery

#endif   // BRISKUI_SIM_GALLERY_H
