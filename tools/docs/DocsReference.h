// The generated parts of the guides under docs/: reference text printed
// from the tables the code runs on, so that it cannot drift from them.
//
//  - "layouts NAME", one per handler-table row: the OSD's layout files, its
//    items (kind, swapped path endings, size in the sample root), its own
//    setting keys, its time-out, and from the row its status bit, layer,
//    exit rule, keys and factory codes;
//  - "layouts items" and "layouts setting": the keys the handler base
//    reads from every item section and from every setting section;
//  - "host options", "host verbs", "host keys", "host sets", "host calls",
//    "host exit": briskui-sim's options, script verbs, key names (with the
//    live window's PC keys), `set` names, `call` operations and exit
//    statuses, from the host's own tables.
//
// Each section is Markdown, ending in a newline. The generator is read-only
// and single-threaded; the sample root's layouts are read from `root`.
#ifndef BRISKUI_DOCS_DOCSREFERENCE_H
#define BRISKUI_DOCS_DOCSREFERENCE_H

#include <string>
#include <vector>

// Every section id, in the order a new guide lists them.
std::vector<std::string> DocsSectionIds();
// The guide a section belongs in, relative to docs/ ("layouts.md").
std::string DocsSectionHome(const std::string& id);
// The text of section `id`; false with the reason in `error` for an id
// that names no section. Layout sizes come from the layouts under `root`.
bool DocsSection(const std::string& id, const std::string& root, std::string* text, std::string* error);

#endif   // BRISKUI_DOCS_DOCSREFERENCE_H
