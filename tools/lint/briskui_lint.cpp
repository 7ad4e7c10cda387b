// briskui-lint: checks a set's layout files (and its settings file) against
// what the library reads, printing "FILE:LINE: error|warning: message".
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include <directfb.h>

#include "LayoutLint.h"

namespace {

const char* const kHeadless = "--dfb:system=dummy,no-vt,quiet,mode=1280x720";
const char kSettingFile[] = "/Customer/briskui/layout/BriskUISetting.ini";
const int kExitErrors = 1;
const int kExitUsage = 2;

void Usage(FILE* out)
{
    fprintf(out,
            "usage: briskui-lint [--root DIR] [--settings] [FILE...]\n"
            "\n"
            "Checks layout files against what libbriskui reads from them and prints\n"
            "FILE:LINE: error|warning: message for each finding.\n"
            "\n"
            "  --root DIR   file-system root of the set (default: $BRISKUI_ROOT, else the\n"
            "               build's sample root); image and font paths resolve under it\n"
            "  --settings   check the common settings file instead: the FILEs named, else\n"
            "               the root's %s\n"
            "  FILE...      check these layout files only (each against the handler that\n"
            "               loads a file of its name); without them, every layout file the\n"
            "               library loads, in every language folder, for NA and EU sets\n"
            "  --help       this text\n"
            "\n"
            "Exit status: 0 without errors (warnings allowed), 1 with errors, 2 on bad usage.\n",
            kSettingFile);
}

}   // namespace

int main(int argc, char** argv)
{
    std::string root;
    bool settings = false;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
            Usage(stdout);
            return 0;
        } else if (strcmp(argv[i], "--root") == 0) {
            if (i + 1 == argc) {
                fprintf(stderr, "briskui-lint: --root needs a folder\n");
                return kExitUsage;
            }
            root = argv[++i];
        } else if (strcmp(argv[i], "--settings") == 0) {
            settings = true;
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            fprintf(stderr, "briskui-lint: unknown option %s\n", argv[i]);
            Usage(stderr);
            return kExitUsage;
        } else {
            files.push_back(argv[i]);
        }
    }
    const char* rootSource = "--root";
    if (root.empty()) {
        const char* env = getenv("BRISKUI_ROOT");
        root = env != NULL ? env : BRISKUI_DEFAULT_ROOT;
        rootSource = env != NULL ? "BRISKUI_ROOT" : "the build's sample root";
    }
    struct stat st;
    if (!root.empty() && (stat(root.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))) {
        fprintf(stderr, "briskui-lint: %s %s is no folder\n", rootSource, root.c_str());
        return kExitUsage;
    }
    setenv("BRISKUI_ROOT", root.c_str(), 1);

    // Images decode and fonts open on DirectFB, headless.
    char arg0[] = "briskui-lint";
    std::string headless = kHeadless;
    char* dfbArgv[] = { arg0, &headless[0], NULL };
    int dfbArgc = 2;
    char** dfbArgvp = dfbArgv;
    IDirectFB* dfb = NULL;
    if (DirectFBInit(&dfbArgc, &dfbArgvp) != DFB_OK || DirectFBCreate(&dfb) != DFB_OK) {
        fprintf(stderr, "briskui-lint: DirectFB does not start\n");
        return kExitUsage;
    }

    int errors = 0, warnings = 0;
    {
        LayoutLint lint(dfb);
        if (settings) {
            if (files.empty()) files.push_back(root + kSettingFile);
            for (const std::string& file : files) lint.CheckSettingsFile(file);
        } else if (files.empty()) {
            lint.CheckRoot(root);
        } else {
            for (const std::string& file : files) lint.CheckLayoutFile(file);
        }
        errors = lint.Errors();
        warnings = lint.Warnings();
    }
    dfb->Release(dfb);
    fflush(stdout);
    fprintf(stderr, "briskui-lint: %d error%s, %d warning%s\n", errors, errors == 1 ? "" : "s", warnings,
            warnings == 1 ? "" : "s");
    return errors > 0 ? kExitErrors : 0;
}
