// briskui-docs: prints the generated parts of the guides under docs/, and
// checks or rewrites the guides' generated, included and command blocks
// (see DocsGuides.h for the markers). scripts/update-docs runs --update;
// the test docs.current runs --check.
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "DocsGuides.h"
#include "DocsReference.h"

namespace {

const int kExitStale = 1;
const int kExitUsage = 2;

void Usage(FILE* out)
{
    fprintf(out,
            "usage: briskui-docs [--root DIR] SECTION...   prints generated sections\n"
            "       briskui-docs --list                     lists the sections\n"
            "       briskui-docs [--root DIR] --check GUIDE...\n"
            "       briskui-docs [--root DIR] --update GUIDE...\n"
            "\n"
            "--check compares the guides' generated, included and command blocks with\n"
            "what they should read now and names each that differs; --update rewrites\n"
            "them (scripts/update-docs) and adds missing sections to their guide.\n"
            "  --root DIR    root whose layouts give the sample sizes (default: the\n"
            "                build's sample root)\n"
            "  --source DIR  the repository (default: %s)\n"
            "  --build DIR   the build whose programs commands run (default: %s)\n"
            "Exit status: 0 current, 1 a block differs or is broken, 2 bad usage.\n",
            BRISKUI_SOURCE_DIR, BRISKUI_BUILD_DIR);
}

}   // namespace

int main(int argc, char** argv)
{
    DocsContext context{ BRISKUI_SOURCE_DIR, BRISKUI_BUILD_DIR, BRISKUI_DEFAULT_ROOT };
    enum { Print, List, Check, Update } mode = Print;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string* value = arg == "--root"     ? &context.root
                             : arg == "--source" ? &context.sourceDir
                             : arg == "--build"  ? &context.buildDir
                                                 : nullptr;
        if (value != nullptr) {
            if (i + 1 == argc) {
                fprintf(stderr, "briskui-docs: %s needs a folder\n", arg.c_str());
                return kExitUsage;
            }
            *value = argv[++i];
        } else if (arg == "--list") {
            mode = List;
        } else if (arg == "--check") {
            mode = Check;
        } else if (arg == "--update") {
            mode = Update;
        } else if (arg == "--help" || arg == "-h") {
            Usage(stdout);
            return 0;
        } else if (arg[0] == '-') {
            fprintf(stderr, "briskui-docs: unknown option %s\n", arg.c_str());
            Usage(stderr);
            return kExitUsage;
        } else {
            args.push_back(arg);
        }
    }
    if (mode == List) {
        for (const std::string& id : DocsSectionIds()) printf("%s\t%s\n", id.c_str(), DocsSectionHome(id).c_str());
        return 0;
    }
    if (args.empty()) {
        Usage(stderr);
        return kExitUsage;
    }
    if (mode == Check || mode == Update) {
        int remaining = ProcessGuides(args, context, mode == Update);
        if (remaining > 0 && mode == Check)
            fprintf(stderr, "briskui-docs: %d block%s to fix; scripts/update-docs rewrites generated ones\n", remaining,
                    remaining == 1 ? "" : "s");
        return remaining > 0 ? kExitStale : 0;
    }
    // A section id is several words ("layouts VolumeHandler"): the
    // arguments are joined, or each one given whole ("host verbs").
    std::vector<std::string> ids;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i].find(' ') == std::string::npos && i + 1 < args.size()) {
            ids.push_back(args[i] + " " + args[i + 1]);
            ++i;
        } else {
            ids.push_back(args[i]);
        }
    }
    for (const std::string& id : ids) {
        std::string text, error;
        if (!DocsSection(id, context.root, &text, &error)) {
            fprintf(stderr, "briskui-docs: %s (--list names them)\n", error.c_str());
            return kExitUsage;
        }
        fputs(text.c_str(), stdout);
    }
    return 0;
}
