#include "DocsGuides.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <ftw.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include "DocsReference.h"

namespace {

const char kFix[] = "run scripts/update-docs";
// Real time a guide's command may take: only a hang reaches it.
const int kCommandSeconds = 300;

enum class Kind { Generated, Include, Command };

struct KindName {
    Kind kind;
    const char* name;
};
const KindName kKinds[] = { { Kind::Generated, "generated" },
                            { Kind::Include, "include" },
                            { Kind::Command, "command" } };

const char* NameOf(Kind kind)
{
    for (const KindName& k : kKinds)
        if (k.kind == kind) return k.name;
    return "";
}

std::string Trimmed(const std::string& line)
{
    size_t end = line.find_last_not_of(" \t\r");
    return end == std::string::npos ? std::string() : line.substr(0, end + 1);
}

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// "<!-- generated: ID -->" and its kind and argument; "<!-- end generated
// -->" and its kind with `end` set.
bool Marker(const std::string& raw, Kind* kind, std::string* arg, bool* end)
{
    std::string line = Trimmed(raw);
    if (!StartsWith(line, "<!-- ") || line.size() < 9 || line.compare(line.size() - 4, 4, " -->") != 0) return false;
    std::string body = line.substr(5, line.size() - 9);
    *end = StartsWith(body, "end ");
    if (*end) body = body.substr(4);
    for (const KindName& k : kKinds) {
        std::string name = k.name;
        if (*end ? body == name : StartsWith(body, name + ": ")) {
            *kind = k.kind;
            *arg = *end ? std::string() : Trimmed(body.substr(name.size() + 2));
            return *end || !arg->empty();
        }
    }
    return false;
}

bool IsFence(const std::string& line) { return StartsWith(line, "```"); }

// A line that shows a shell command, "$ " after any indent.
bool IsShownCommand(const std::string& line)
{
    size_t first = line.find_first_not_of(' ');
    return first != std::string::npos && StartsWith(line.substr(first), "$ ");
}

// The ids of the generated blocks of `text`, without processing it.
std::set<std::string> GeneratedIds(const std::string& text)
{
    std::set<std::string> ids;
    std::istringstream in(text);
    bool fenced = false;
    for (std::string l; std::getline(in, l);) {
        Kind kind;
        std::string arg;
        bool end = false;
        if (IsFence(l))
            fenced = !fenced;
        else if (!fenced && Marker(l, &kind, &arg, &end) && !end && kind == Kind::Generated)
            ids.insert(arg);
    }
    return ids;
}

std::string Where(const std::string& file, int line) { return file + ":" + std::to_string(line) + ": "; }

std::string ReadFile(const std::string& path, bool* ok)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    *ok = in.good() || in.eof();
    return text.str();
}

std::string Directory(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string Extension(const std::string& path)
{
    size_t dot = path.find_last_of('.');
    size_t slash = path.find_last_of('/');
    return dot == std::string::npos || (slash != std::string::npos && dot < slash) ? "" : path.substr(dot + 1);
}

std::string RealPath(const std::string& path)
{
    char* real = realpath(path.c_str(), NULL);
    if (real == NULL) return std::string();
    std::string out = real;
    free(real);
    return out;
}

// ---- commands --------------------------------------------------------------------

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) { return remove(path); }

// A folder whose entries link to the repository's, with `build` linking to
// the build: commands run as from the repository, but what they write at
// its top stays out of it.
class Mirror {
public:
    Mirror(const DocsContext& context, std::string* error)
    {
        const char* tmp = getenv("TMPDIR");
        std::string pattern = std::string(tmp != NULL && *tmp != '\0' ? tmp : "/tmp") + "/briskui-docs-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (mkdtemp(name.data()) == NULL) {
            *error = "cannot make a scratch folder " + pattern + ": " + strerror(errno);
            return;
        }
        path_ = name.data();
        DIR* dir = opendir(context.sourceDir.c_str());
        if (dir == NULL) {
            *error = "cannot read " + context.sourceDir + ": " + strerror(errno);
            return;
        }
        while (struct dirent* e = readdir(dir)) {
            std::string entry = e->d_name;
            if (entry == "." || entry == ".." || entry == "build") continue;
            if (symlink((context.sourceDir + "/" + entry).c_str(), (path_ + "/" + entry).c_str()) != 0)
                *error = "cannot link " + entry + " in " + path_ + ": " + strerror(errno);
        }
        closedir(dir);
        if (symlink(context.buildDir.c_str(), (path_ + "/build").c_str()) != 0)
            *error = "cannot link build in " + path_ + ": " + strerror(errno);
    }
    ~Mirror()
    {
        // The links go, never what they point to (FTW_PHYS).
        if (!path_.empty()) nftw(path_.c_str(), &RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

struct CommandRun {
    bool finished = false;
    int status = -1;
    std::string output;   // standard output and error, as a terminal shows them
};

CommandRun Run(const std::string& command, const std::string& dir, const DocsContext& context)
{
    CommandRun run;
    int fds[2];
    if (pipe(fds) != 0) return run;
    pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        dup2(fds[1], 1);
        dup2(fds[1], 2);
        close(fds[0]);
        close(fds[1]);
        int null = open("/dev/null", O_RDONLY);
        if (null >= 0) dup2(null, 0);
        if (chdir(dir.c_str()) != 0) {
            fprintf(stderr, "briskui-docs: cannot enter %s: %s\n", dir.c_str(), strerror(errno));
            _exit(126);
        }
        const char* path = getenv("PATH");
        setenv("PATH", (context.buildDir + ":" + (path != NULL ? path : "/usr/bin:/bin")).c_str(), 1);
        // The programs' own default root, the build's sample root.
        unsetenv("BRISKUI_ROOT");
        execl("/bin/sh", "sh", "-c", command.c_str(), (char*)NULL);
        _exit(127);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return run;
    }
    setpgid(pid, pid);
    time_t end = time(NULL) + kCommandSeconds;
    char buffer[4096];
    for (;;) {
        struct pollfd p = { fds[0], POLLIN, 0 };
        int left = (int)(end - time(NULL));
        if (left <= 0 || poll(&p, 1, left * 1000) == 0) {
            kill(-pid, SIGKILL);
            break;
        }
        ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            run.finished = true;
            break;
        }
        run.output.append(buffer, (size_t)n);
    }
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

// ---- blocks ----------------------------------------------------------------------

class Guide {
public:
    Guide(const std::string& file, const DocsContext& context) : file_(file), context_(context) {}
    DocsGuideResult Process(const std::string& text, const std::vector<std::string>& append);

private:
    // What block `kind` with `arg` should read; `body` is its text now.
    bool Expected(Kind kind, const std::string& arg, const std::vector<std::string>& body, int line, std::string* text);
    bool Include(const std::string& arg, int line, std::string* text);
    bool Commands(const std::string& arg, const std::vector<std::string>& body, int line, std::string* text);
    void Error(int line, const std::string& message) { result_.errors.push_back(Where(file_, line) + message); }

    std::string file_;
    const DocsContext& context_;
    DocsGuideResult result_;
    std::unique_ptr<Mirror> mirror_;
};

bool Guide::Include(const std::string& arg, int line, std::string* text)
{
    std::string path = Directory(file_) + "/" + arg;
    std::string real = RealPath(path);
    std::string source = RealPath(context_.sourceDir);
    if (real.empty() || !StartsWith(real, source + "/")) {
        Error(line, "include: " + arg + (real.empty() ? " is not there" : " lies outside the repository"));
        return false;
    }
    // A script or a layout shown as an example runs or is checked by the
    // suite only where the suite looks for it.
    std::string rel = real.substr(source.size() + 1), ext = Extension(rel);
    const char* const scriptHomes[] = { "docs/examples/", "sim/scripts/", "sim/gallery/" };
    const char* const layoutHomes[] = { "docs/examples/", "sample-root/" };
    bool tested = ext != "script" && ext != "ini";
    for (const char* home : scriptHomes) tested = tested || (ext == "script" && StartsWith(rel, home));
    for (const char* home : layoutHomes) tested = tested || (ext == "ini" && StartsWith(rel, home));
    if (!tested) {
        Error(line, "include: " + rel + " is a ." + ext + " file the suite does not run: keep it in docs/examples/");
        return false;
    }
    bool ok = false;
    std::string content = ReadFile(path, &ok);
    if (!ok) {
        Error(line, "include: cannot read " + arg);
        return false;
    }
    if (!content.empty() && content.back() != '\n') content += '\n';
    if (content.find("```") != std::string::npos) {
        Error(line, "include: " + arg + " holds ``` and would end its block");
        return false;
    }
    *text = "```" + (ext == "script" ? std::string("script") : ext) + "\n" + content + "```\n";
    return true;
}

bool Guide::Commands(const std::string& arg, const std::vector<std::string>& body, int line, std::string* text)
{
    std::vector<std::string> commands;
    for (const std::string& l : body)
        if (StartsWith(l, "$ ")) commands.push_back(l.substr(2));
    if (commands.empty()) {
        Error(line, "command: no line starting with '$ ' in the block");
        return false;
    }
    if (mirror_ == nullptr) {
        std::string error;
        mirror_.reset(new Mirror(context_, &error));
        if (!error.empty()) {
            Error(line, "command: " + error);
            return false;
        }
    }
    const std::string dir = mirror_->Path() + "/" + arg;
    // Paths of this machine would make the guide differ on every other.
    const std::string machine[] = {
        context_.sourceDir,           context_.buildDir,           mirror_->Path(),
        RealPath(context_.sourceDir), RealPath(context_.buildDir), RealPath(mirror_->Path())
    };
    *text = "```console\n";
    for (const std::string& command : commands) {
        CommandRun run = Run(command, dir, context_);
        if (!run.finished) {
            Error(line, "command: '" + command + "' did not end within " + std::to_string(kCommandSeconds) + " s");
            return false;
        }
        for (const std::string& m : machine) {
            if (!m.empty() && run.output.find(m) != std::string::npos) {
                Error(line, "command: '" + command + "' prints a path of this machine (" + m +
                                "): name files relative to the folder it runs in");
                return false;
            }
        }
        if (run.output.find("```") != std::string::npos) {
            Error(line, "command: '" + command + "' prints ``` and would end its block");
            return false;
        }
        if (!run.output.empty() && run.output.back() != '\n') run.output += '\n';
        *text += "$ " + command + "\n" + run.output;
        if (run.status != 0) *text += "(exit status " + std::to_string(run.status) + ")\n";
    }
    *text += "```\n";
    return true;
}

bool Guide::Expected(Kind kind, const std::string& arg, const std::vector<std::string>& body, int line,
                     std::string* text)
{
    switch (kind) {
    case Kind::Generated: {
        std::string error;
        if (!DocsSection(arg, context_.root, text, &error)) {
            Error(line, error);
            return false;
        }
        result_.sections.push_back(arg);
        return true;
    }
    case Kind::Include:
        return Include(arg, line, text);
    case Kind::Command:
        return Commands(arg, body, line, text);
    }
    return false;
}

DocsGuideResult Guide::Process(const std::string& text, const std::vector<std::string>& append)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) lines.push_back(l);

    std::string out;
    bool fenced = false;   // inside a fenced block of the prose
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        const int number = (int)i + 1;
        Kind kind;
        std::string arg;
        bool end = false;
        if (fenced || !Marker(l, &kind, &arg, &end)) {
            if (IsFence(l)) {
                if (!fenced && Trimmed(l) == "```script")
                    Error(number,
                          "a script shown outside an include block is not tested: keep it as a file in "
                          "docs/examples/ and include it");
                fenced = !fenced;
            } else if (IsShownCommand(l)) {
                Error(number, "a command shown outside a command block is not tested");
            }
            out += l + "\n";
            continue;
        }
        if (end) {
            Error(number, std::string("'end ") + NameOf(kind) + "' without its opening marker");
            out += l + "\n";
            continue;
        }
        // The block runs to its end marker; another opening marker first is
        // an error (blocks do not nest).
        size_t close = i + 1;
        bool closed = false;
        for (; close < lines.size(); ++close) {
            Kind k;
            std::string a;
            bool e = false;
            if (!Marker(lines[close], &k, &a, &e)) continue;
            closed = e && k == kind;
            break;
        }
        if (!closed) {
            Error(number, std::string(NameOf(kind)) + ": no '<!-- end " + NameOf(kind) + " -->' before " +
                              (close < lines.size() ? "line " + std::to_string(close + 1) : "the end of the file"));
            for (; i < lines.size(); ++i) out += lines[i] + "\n";
            break;
        }
        std::vector<std::string> body(lines.begin() + (long)i + 1, lines.begin() + (long)close);
        std::string now;
        for (const std::string& b : body) now += b + "\n";
        std::string expected;
        if (!Expected(kind, arg, body, number, &expected)) expected = now;
        if (expected != now)
            result_.stale.push_back(Where(file_, number) + "the " + NameOf(kind) + " text '" + arg +
                                    "' differs from what it should read now; " + kFix);
        out += l + "\n" + expected + lines[close] + "\n";
        i = close;
    }
    if (fenced) Error((int)lines.size(), "a fenced block is not closed");
    for (const std::string& id : append) {
        std::string section, error;
        if (!DocsSection(id, context_.root, &section, &error)) continue;
        out += "\n### " + id.substr(id.find(' ') + 1) + "\n\n<!-- generated: " + id + " -->\n" + section +
               "<!-- end generated -->\n";
        result_.stale.push_back(file_ + ": no generated section '" + id + "'; " + kFix + ", which adds it at the end");
        result_.sections.push_back(id);
    }
    result_.text = out;
    return result_;
}

}   // namespace

DocsGuideResult ProcessGuideText(const std::string& text, const std::string& file, const DocsContext& context,
                                 const std::vector<std::string>& append)
{
    Guide guide(file, context);
    return guide.Process(text, append);
}

int ProcessGuides(const std::vector<std::string>& files, const DocsContext& context, bool update)
{
    // The generated sections every guide holds: a section that none holds
    // goes at the end of its home guide.
    std::set<std::string> held;
    std::vector<std::string> texts;
    int remaining = 0;
    for (const std::string& file : files) {
        bool ok = false;
        texts.push_back(ReadFile(file, &ok));
        if (!ok) {
            fprintf(stderr, "%s: cannot read: %s\n", file.c_str(), strerror(errno));
            ++remaining;
        }
        std::set<std::string> ids = GeneratedIds(texts.back());
        held.insert(ids.begin(), ids.end());
    }
    for (size_t f = 0; f < files.size(); ++f) {
        std::string name = files[f].substr(files[f].find_last_of('/') + 1);
        std::vector<std::string> missing;
        for (const std::string& id : DocsSectionIds())
            if (DocsSectionHome(id) == name && held.count(id) == 0) missing.push_back(id);
        DocsGuideResult r = ProcessGuideText(texts[f], files[f], context, missing);
        for (const std::string& e : r.errors) fprintf(stderr, "%s\n", e.c_str());
        remaining += (int)r.errors.size();
        if (r.stale.empty()) continue;
        if (!update) {
            for (const std::string& s : r.stale) fprintf(stderr, "%s\n", s.c_str());
            remaining += (int)r.stale.size();
            continue;
        }
        // A new file renamed over the old one: an interrupted update leaves
        // the guide as it was.
        std::string temporary = files[f] + ".tmp";
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << r.text;
        out.close();
        if (!out || rename(temporary.c_str(), files[f].c_str()) != 0) {
            fprintf(stderr, "%s: cannot write: %s\n", files[f].c_str(), strerror(errno));
            remove(temporary.c_str());
            ++remaining;
        } else {
            printf("briskui-docs: updated %s (%u block%s)\n", files[f].c_str(), (unsigned)r.stale.size(),
                   r.stale.size() == 1 ? "" : "s");
        }
    }
    return remaining;
}
