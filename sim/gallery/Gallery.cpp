// The gallery: its scripts, the languages of a root, the runs and the page.
#include "Gallery.h"

#include <ctype.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <system_error>

#include "BriskUiManager.h"
#include "HostScript.h"
#include "Middleware.h"
#include "SimTv.h"

namespace fs = std::filesystem;

namespace gallery {

const Group kGroups[2] = { { 1, "NA" }, { 2, "EU" } };

namespace {

const char* const kHeadless = "--dfb:system=dummy,no-vt,quiet,mode=1280x720";
// What the gallery sets for every run; a script that set them too would
// be overridden, and its author misled.
const char* const kGallerySets[] = { "country-group", "language" };
// The OSD language ids tried when looking for a folder's id: the 16-bit
// range covers every id of the library's table.
const U32 kLanguageIds = 0x10000;

// The first line's comment: "# Volume bar" gives "Volume bar".
bool TitleOf(const std::string& path, std::string* title)
{
    std::ifstream in(path);
    std::string first;
    if (!std::getline(in, first) || first.empty() || first[0] != '#') return false;
    size_t from = first.find_first_not_of("# \t");
    size_t to = first.find_last_not_of(" \t\r");
    if (from == std::string::npos) return false;
    *title = first.substr(from, to + 1 - from);
    return true;
}

bool CheckCommands(const Script& script, const std::vector<Command>& commands, std::string* error)
{
    for (const Command& c : commands) {
        std::string where = script.path + ":" + std::to_string(c.line) + ": ";
        if (c.verb == Command::KeyFile) {
            *error = where + "a gallery script changes no key files (scenario scripts do)";
            return false;
        }
        for (const char* name : kGallerySets) {
            if (c.verb == Command::Set && strcmp(c.set->name, name) == 0) {
                *error = where + "the gallery sets the " + name + " itself, for every run";
                return false;
            }
        }
        if (c.verb == Command::Shot && c.name.find('/') != std::string::npos) {
            *error = where + "a gallery shot is a file name, written into the script's own folder";
            return false;
        }
    }
    return true;
}

// The last folder of a layout path such as "/config/briskui/layout/EN/".
std::string FolderOfPath(const std::string& path)
{
    std::string trimmed = path;
    while (!trimmed.empty() && trimmed.back() == '/') trimmed.pop_back();
    return trimmed.substr(trimmed.rfind('/') + 1);
}

// The layout folder the library reads for the OSD language `id`.
std::string LibraryFolder(BriskUiManager* manager, U32 id)
{
    sim::SetOsdLanguage(id);
    manager->SetupLanguage();
    return FolderOfPath(manager->GetLayoutPath());
}

// Removes a run's images and what was said at each.
void RemoveImages(const fs::path& dir)
{
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec))
        if (entry.path().extension() == ".png" || entry.path().extension() == ".txt") fs::remove(entry.path(), ec);
}

struct Job {
    const Script* script;
    const Language* language;
    const Group* group;
    std::string log;
};

// The child's side of a run: the host's own start-up and script run, its
// output in the job's log.
[[noreturn]] void RunChild(const std::string& root, const std::string& out, const Job& job)
{
    int fd = open(job.log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
        dup2(fd, STDOUT_FILENO);
        dup2(fd, STDERR_FILENO);
        close(fd);
    }
    setenv("BRISKUI_ROOT", root.c_str(), 1);
    HostOptions options;
    options.root = root;
    options.country = job.group->country;
    options.language = (int)job.language->id;
    options.languageSet = true;
    options.fastClock = true;
    // Audio guidance on: each state's image gets what it said beside it.
    options.audioGuidance = true;
    options.speechNotes = true;
    options.scriptName = job.script->path;
    options.shotDir = out + "/" + ImagePath(*job.language, *job.group, *job.script, "");
    std::vector<Command> commands;
    std::string error;
    if (!ParseScriptFile(job.script->path, &commands, &error)) {
        fprintf(stderr, "briskui-gallery: %s\n", error.c_str());
        exit(kExitBadScript);
    }
    exit(RunHost(options, commands, { "briskui-gallery", kHeadless }));
}

std::string Describe(const Job& job, int status)
{
    std::string what = job.script->name + " (" + job.language->folder + ", " + job.group->name + "): ";
    if (WIFEXITED(status)) return what + "exit status " + std::to_string(WEXITSTATUS(status)) + ", see " + job.log;
    if (WIFSIGNALED(status)) return what + "killed by signal " + std::to_string(WTERMSIG(status)) + ", see " + job.log;
    return what + "ended oddly, see " + job.log;
}

std::string Escaped(const std::string& text)
{
    std::string html;
    for (char ch : text) {
        switch (ch) {
        case '&':
            html += "&amp;";
            break;
        case '<':
            html += "&lt;";
            break;
        case '>':
            html += "&gt;";
            break;
        case '"':
            html += "&quot;";
            break;
        default:
            html += ch;
        }
    }
    return html;
}

// What the state of the image at `png` said with audio guidance on (the
// run's notes beside it), one line per utterance; nothing when it said
// nothing.
std::string Said(const std::string& png)
{
    std::ifstream in(png.substr(0, png.size() - 4) + ".txt");
    std::string html, line;
    while (std::getline(in, line))
        if (!line.empty()) html += "<div class=\"said\">" + Escaped(line) + "</div>";
    return html;
}

// "half-mute.png" shows as "half mute".
std::string Caption(const std::string& shot)
{
    std::string caption = shot.substr(0, shot.size() - 4);
    std::replace(caption.begin(), caption.end(), '-', ' ');
    return caption;
}

// An anchor name for a section title.
std::string Anchor(const std::string& title)
{
    std::string anchor;
    for (char ch : title) {
        if (isalnum((unsigned char)ch))
            anchor += (char)tolower((unsigned char)ch);
        else if (!anchor.empty() && anchor.back() != '-')
            anchor += '-';
    }
    return anchor;
}

const char kStyle[] =
    "body{background:#15181d;color:#d8dde6;font:15px/1.4 sans-serif;margin:24px}"
    "h1{font-size:24px;margin:0 0 4px}h2{font-size:19px;margin:32px 0 8px;border-bottom:1px solid #384050}"
    "nav a{color:#8cc4ff;margin-right:14px}p.note{color:#9aa4b4;margin:0 0 12px}"
    "table{border-collapse:collapse}th{text-align:left;color:#9aa4b4;font-weight:normal;padding:4px 8px}"
    "td{vertical-align:top;padding:4px 8px}td.state{width:150px}td.state span{color:#9aa4b4}"
    "img{width:448px;height:252px;display:block;border:1px solid #2c3340}"
    "img.broken{border:3px solid #ff3030}"
    ".said{width:448px;color:#b8c4d6;font-size:13px;margin-top:4px}"
    ".said:before{content:'\\201C'}.said:after{content:'\\201D'}"
    ".missing{width:448px;height:252px;display:flex;align-items:center;justify-content:center;"
    "border:1px dashed #555;color:#888}"
    "#image-check{color:#9aa4b4}";

// Marks every image that did not load and writes the counts, once the
// page has loaded.
const char kImageCheck[] =
    "window.addEventListener('load', function () {\n"
    "  var images = document.images, broken = 0;\n"
    "  for (var i = 0; i < images.length; ++i) {\n"
    "    if (!images[i].complete || images[i].naturalWidth === 0) {\n"
    "      images[i].classList.add('broken');\n"
    "      ++broken;\n"
    "    }\n"
    "  }\n"
    "  var check = document.getElementById('image-check');\n"
    "  check.setAttribute('data-images', images.length);\n"
    "  check.setAttribute('data-broken', broken);\n"
    "  check.textContent = (images.length - broken) + ' of ' + images.length + ' images shown' +\n"
    "      (broken ? ', ' + broken + ' broken (red)' : '');\n"
    "});\n";

}   // namespace

bool LoadScripts(const std::string& dir, std::vector<Script>* scripts, std::string* error)
{
    std::error_code ec;
    std::vector<fs::path> paths;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec))
        if (entry.path().extension() == ".script") paths.push_back(entry.path());
    if (ec) {
        *error = "cannot read the gallery scripts in " + dir + ": " + ec.message();
        return false;
    }
    std::sort(paths.begin(), paths.end());
    for (const fs::path& path : paths) {
        Script script;
        script.path = path.string();
        script.name = path.stem().string();
        std::vector<Command> commands;
        if (!ParseScriptFile(script.path, &commands, error) || !CheckCommands(script, commands, error)) return false;
        if (!TitleOf(script.path, &script.title)) {
            *error = script.path + ":1: a gallery script starts with a comment holding its section title";
            return false;
        }
        for (const Command& c : commands)
            if (c.verb == Command::Shot) script.shots.push_back(c.name);
        if (script.shots.empty()) {
            *error = script.path + ": a gallery script takes at least one shot";
            return false;
        }
        scripts->push_back(script);
    }
    if (scripts->empty()) {
        *error = "no gallery scripts (*.script) in " + dir;
        return false;
    }
    return true;
}

std::vector<Language> FindLanguages(const std::string& root, std::vector<std::string>* unread)
{
    BriskUiManager* manager = BriskUiManager::GetInstance();
    MSrv_System_Database* database = MSrv_Control_common::GetMSrvSystemDatabase();
    U32 before = database != NULL ? database->GetOsdLanguage() : 0;

    // Each folder's id: the TV's own language where it reads that folder,
    // else the first id that does.
    std::map<std::string, U32> ids;
    ids[LibraryFolder(manager, before)] = before;
    for (U32 id = 0; id < kLanguageIds; ++id) ids.emplace(LibraryFolder(manager, id), id);
    std::string layoutDir = manager->GetLayoutPath();
    layoutDir = layoutDir.substr(0, layoutDir.size() - FolderOfPath(layoutDir).size() - 1);
    sim::SetOsdLanguage(before);
    manager->SetupLanguage();

    std::vector<std::string> folders;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(root + layoutDir, ec))
        if (entry.is_directory(ec)) folders.push_back(entry.path().filename().string());
    std::sort(folders.begin(), folders.end());
    std::vector<Language> languages;
    for (const std::string& folder : folders) {
        auto found = ids.find(folder);
        if (found == ids.end()) {
            unread->push_back(folder);
            continue;
        }
        Language language;
        language.folder = folder;
        language.id = found->second;
        languages.push_back(language);
    }
    return languages;
}

std::string ImagePath(const Language& language, const Group& group, const Script& script, const std::string& shot)
{
    return language.folder + "/" + group.name + "/" + script.name + "/" + shot;
}

std::vector<std::string> RunAll(const std::string& root, const std::string& out, const std::vector<Script>& scripts,
                                const std::vector<Language>& languages, int jobs)
{
    std::vector<std::string> failures;
    std::error_code ec;
    fs::create_directories(out + "/logs", ec);
    if (ec) return { "cannot create " + out + "/logs: " + ec.message() };
    std::vector<Job> queue;
    for (const Script& script : scripts) {
        for (const Language& language : languages) {
            for (const Group& group : kGroups) {
                Job job{ &script, &language, &group,
                         out + "/logs/" + language.folder + "-" + group.name + "-" + script.name + ".log" };
                RemoveImages(out + "/" + ImagePath(language, group, script, ""));
                queue.push_back(job);
            }
        }
    }
    std::map<pid_t, const Job*> running;
    size_t next = 0;
    while (next < queue.size() || !running.empty()) {
        while (next < queue.size() && (int)running.size() < std::max(jobs, 1)) {
            const Job& job = queue[next++];
            fflush(stdout);
            fflush(stderr);
            pid_t pid = fork();
            if (pid == 0) RunChild(root, out, job);
            if (pid < 0) {
                failures.push_back(job.script->name + ": cannot start a run: " + strerror(errno));
                continue;
            }
            running[pid] = &job;
        }
        if (running.empty()) continue;
        int status = 0;
        pid_t pid = waitpid(-1, &status, 0);
        if (pid < 0) {
            if (errno == EINTR) continue;
            break;
        }
        auto found = running.find(pid);
        if (found == running.end()) continue;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) failures.push_back(Describe(*found->second, status));
        running.erase(found);
    }
    return failures;
}

bool WritePage(const std::string& out, const std::string& rootAsGiven, const std::vector<Script>& scripts,
               const std::vector<Language>& languages, std::string* error)
{
    // Sections: runs of scripts with the same title.
    std::vector<std::vector<const Script*>> sections;
    for (const Script& script : scripts) {
        if (sections.empty() || sections.back().front()->title != script.title) sections.emplace_back();
        sections.back().push_back(&script);
    }

    std::ostringstream page;
    page << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         << "<title>BriskUI gallery</title>\n<style>" << kStyle << "</style>\n<script>\n"
         << kImageCheck << "</script>\n</head>\n<body>\n<h1>BriskUI gallery</h1>\n"
         << "<p class=\"note\">Every OSD in each of its states as the library draws it over a TV picture, "
         << "North America beside Europe, for each language folder of "
         << (rootAsGiven.empty() ? "the sample root" : "the root <code>" + Escaped(rootAsGiven) + "</code>") << ". "
         << "<span id=\"image-check\">Checking the images...</span></p>\n<nav>";
    for (const auto& section : sections)
        page << "<a href=\"#" << Anchor(section.front()->title) << "\">" << Escaped(section.front()->title) << "</a>";
    page << "</nav>\n";
    for (const auto& section : sections) {
        const std::string& title = section.front()->title;
        page << "<h2 id=\"" << Anchor(title) << "\">" << Escaped(title) << "</h2>\n<table>\n<tr><th>State</th>";
        for (const Group& group : kGroups) page << "<th>" << group.name << "</th>";
        page << "</tr>\n";
        for (const Script* script : section) {
            for (const std::string& shot : script->shots) {
                for (const Language& language : languages) {
                    page << "<tr><td class=\"state\">" << Escaped(Caption(shot)) << "<br><span>"
                         << Escaped(language.folder) << "</span></td>";
                    for (const Group& group : kGroups) {
                        std::string image = ImagePath(language, group, *script, shot);
                        std::error_code ec;
                        if (fs::is_regular_file(out + "/" + image, ec))
                            page << "<td><a href=\"" << Escaped(image) << "\"><img src=\"" << Escaped(image)
                                 << "\" alt=\"" << Escaped(Caption(shot)) << ", " << group.name << "\"></a>"
                                 << Said(out + "/" + image) << "</td>";
                        else
                            page << "<td><div class=\"missing\">not written</div></td>";
                    }
                    page << "</tr>\n";
                }
            }
        }
        page << "</table>\n";
    }
    page << "</body>\n</html>\n";

    std::string path = out + "/index.html";
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << page.str();
    file.close();
    if (!file) {
        *error = "cannot write " + path + ": " + strerror(errno);
        return false;
    }
    return true;
}

}   // namespace gallery
