// briskui-gallery: runs the gallery scripts for both country groups and
// every language folder of a root, and writes their screenshots and the
// page that shows them (see Gallery.h).
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Gallery.h"

namespace {

void Usage()
{
    fprintf(stderr,
            "usage: briskui-gallery [--root DIR] [--scripts DIR] [--jobs N] --out DIR\n"
            "  --root DIR     file-system root of the set (default: $BRISKUI_ROOT, else the sample\n"
            "                 root of the build)\n"
            "  --scripts DIR  the gallery scripts (default: %s)\n"
            "  --jobs N       runs at a time (default: 2)\n"
            "  --out DIR      where the images, the logs and index.html go\n"
            "exit status: 0 every image written, 1 a run failed (the page shows what was written),\n"
            "2 a bad option, root or gallery script (nothing run)\n",
            BRISKUI_GALLERY_SCRIPTS);
}

}   // namespace

int main(int argc, char** argv)
{
    std::string root, out, scriptDir = BRISKUI_GALLERY_SCRIPTS;
    int jobs = 2;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            Usage();
            return 0;
        }
        if ((arg != "--root" && arg != "--out" && arg != "--scripts" && arg != "--jobs") || i + 1 >= argc) {
            fprintf(stderr, "briskui-gallery: %s '%s'\n", i + 1 >= argc ? "a value is missing after" : "unknown option",
                    arg.c_str());
            Usage();
            return 2;
        }
        std::string value = argv[++i];
        if (arg == "--root")
            root = value;
        else if (arg == "--out")
            out = value;
        else if (arg == "--scripts")
            scriptDir = value;
        else if ((jobs = atoi(value.c_str())) < 1 || jobs > 64) {
            fprintf(stderr, "briskui-gallery: --jobs takes 1 to 64, not '%s'\n", value.c_str());
            return 2;
        }
    }
    if (out.empty()) {
        fprintf(stderr, "briskui-gallery: --out DIR is needed\n");
        Usage();
        return 2;
    }
    if (root.empty()) {
        const char* env = getenv("BRISKUI_ROOT");
        if (env != NULL) root = env;
    }
    // The page names the root as the user gave it; the default by name.
    const std::string rootAsGiven = root;
    if (root.empty()) root = BRISKUI_DEFAULT_ROOT;
    struct stat st;
    if (stat(root.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        fprintf(stderr, "briskui-gallery: the root %s is not a folder\n", root.c_str());
        return 2;
    }
    // Absolute paths, so that the runs, their logs and the messages name
    // them whole.
    std::error_code ec;
    root = std::filesystem::absolute(root, ec).lexically_normal().string();
    out = std::filesystem::absolute(out, ec).lexically_normal().string();
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    while (out.size() > 1 && out.back() == '/') out.pop_back();

    std::vector<gallery::Script> scripts;
    std::string error;
    if (!gallery::LoadScripts(scriptDir, &scripts, &error)) {
        fprintf(stderr, "briskui-gallery: %s\n", error.c_str());
        return 2;
    }
    std::vector<std::string> unread;
    std::vector<gallery::Language> languages = gallery::FindLanguages(root, &unread);
    for (const std::string& folder : unread)
        printf("briskui-gallery: no OSD language reads the layout folder %s; left out\n", folder.c_str());
    if (languages.empty()) {
        fprintf(stderr, "briskui-gallery: %s has no layout folder the library reads\n", root.c_str());
        return 2;
    }

    std::vector<std::string> failures = gallery::RunAll(root, out, scripts, languages, jobs);
    for (const std::string& failure : failures) fprintf(stderr, "briskui-gallery: failed: %s\n", failure.c_str());
    if (!gallery::WritePage(out, rootAsGiven, scripts, languages, &error)) {
        fprintf(stderr, "briskui-gallery: %s\n", error.c_str());
        return 1;
    }
    size_t states = 0;
    for (const gallery::Script& script : scripts) states += script.shots.size();
    printf("briskui-gallery: %lu states of %lu scripts in %lu language%s, NA and EU: %s/index.html\n",
           (unsigned long)states, (unsigned long)scripts.size(), (unsigned long)languages.size(),
           languages.size() == 1 ? "" : "s", out.c_str());
    return failures.empty() ? 0 : 1;
}
