#include "SpeechNeeds.h"

#include <ctype.h>
#include <string.h>

namespace {

bool IsNameChar(char c) { return isalnum((unsigned char)c) || c == '_' || c == '/' || c == '.' || c == '-'; }

}   // namespace

bool BriskNextPlaceholder(const std::string& text, size_t from, size_t* start, size_t* end, std::string* name)
{
    for (size_t open = text.find('{', from); open != std::string::npos; open = text.find('{', open + 1)) {
        size_t i = open + 1;
        while (i < text.size() && IsNameChar(text[i])) ++i;
        if (i == open + 1 || i >= text.size() || text[i] != '}') continue;
        *start = open;
        *end = i + 1;
        name->assign(text, open + 1, i - open - 1);
        for (char& c : *name) c = (char)tolower((unsigned char)c);
        return true;
    }
    return false;
}

bool BriskIsSpeechValue(const char* values, const std::string& name)
{
    if (values == NULL || name.empty()) return false;
    for (const char* p = values; *p != '\0';) {
        while (*p == ' ') ++p;
        const char* word = p;
        while (*p != '\0' && *p != ' ') ++p;
        if ((size_t)(p - word) == name.size() && strncmp(word, name.c_str(), name.size()) == 0) return true;
    }
    return false;
}

std::string BriskTidySpeech(const std::string& text)
{
    std::string tidy;
    bool blank = false;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            blank = !tidy.empty();
            continue;
        }
        if (blank) tidy += ' ';
        blank = false;
        tidy += c;
    }
    return tidy;
}
