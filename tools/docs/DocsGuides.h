// The guides under docs/ and what in them is kept true by the build:
// blocks between marker lines, each rewritten by `briskui-docs --update`
// (scripts/update-docs) and compared by `briskui-docs --check` (the test
// docs.current):
//
//   <!-- generated: ID -->          the section ID of DocsReference.h
//   <!-- end generated -->
//
//   <!-- include: PATH -->          the file PATH (relative to the guide) in
//   <!-- end include -->            a fenced block; a .script or .ini lies
//                                   where the suite runs or checks it
//
//   <!-- command: DIR -->           a fenced `console` block whose `$ ` lines
//   <!-- end command -->            are run in DIR (relative to the
//                                   repository) with the build's programs
//                                   first on PATH; their output follows
//                                   each, "(exit status N)" when not 0
//
// Everything else is prose and stays as written. So that every example a
// guide shows is tested, a fenced block tagged `script` must be an include
// and a line starting with `$ ` must be in a command block. Marker lines
// inside a fenced block are text.
#ifndef BRISKUI_DOCS_DOCSGUIDES_H
#define BRISKUI_DOCS_DOCSGUIDES_H

#include <string>
#include <vector>

struct DocsContext {
    std::string sourceDir;   // the repository
    std::string buildDir;    // the build whose programs commands run
    std::string root;        // the root whose layouts give the sample sizes
};

// One guide processed: `text` as it should read, its findings (each
// "FILE:LINE: message"): `stale`, blocks that differ from what they should
// read, which an update fixes, and `errors`, which it does not (a broken
// marker, an example outside a block, a command that hangs or prints a
// path of this machine); and the generated sections it holds.
struct DocsGuideResult {
    std::string text;
    std::vector<std::string> stale;
    std::vector<std::string> errors;
    std::vector<std::string> sections;
};

// Processes the guide `text`, read from `file`: every block regenerated,
// and the sections `append` added at its end (each under a heading of the
// last word of its id). Commands run in a scratch mirror of the repository whose `build`
// is the context's build. Any thread, one call at a time.
DocsGuideResult ProcessGuideText(const std::string& text, const std::string& file, const DocsContext& context,
                                 const std::vector<std::string>& append);

// Checks the guide files `files` (update false) or rewrites those that
// differ (update true; sections missing from their home guide are appended
// to it). Prints each finding to standard error; returns how many remain:
// with update, those no rewrite fixes (broken markers, failed commands).
int ProcessGuides(const std::vector<std::string>& files, const DocsContext& context, bool update);

#endif   // BRISKUI_DOCS_DOCSGUIDES_H
