#include "ScriptLine.h"

#include <ctype.h>
#include <limits.h>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Digits of `base` only. A number beyond 64 bits is refused; `overflow`
// (when given) then says so.
bool ParseDigits(const std::string& text, size_t from, int base, unsigned long long* value, bool* overflow = NULL)
{
    if (overflow != NULL) *overflow = false;
    if (from >= text.size()) return false;
    unsigned long long v = 0;
    bool over = false;
    for (size_t i = from; i < text.size(); ++i) {
        int c = (unsigned char)text[i];
        int digit;
        if (isdigit(c))
            digit = c - '0';
        else if (base == 16 && isxdigit(c))
            digit = tolower(c) - 'a' + 10;
        else
            return false;
        if (digit >= base) return false;
        if (v > (ULLONG_MAX - (unsigned)digit) / (unsigned)base) over = true;
        v = v * (unsigned)base + (unsigned)digit;
    }
    if (over) {
        if (overflow != NULL) *overflow = true;
        return false;
    }
    *value = v;
    return true;
}

bool HasHexPrefix(const std::string& text, size_t at)
{
    return text.size() > at + 1 && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X');
}

}   // namespace

ScriptLine::ScriptLine(const std::string& text) : text_(text.substr(0, text.find('#')))
{
    size_t i = 0;
    while (i < text_.size()) {
        while (i < text_.size() && IsBlank(text_[i])) ++i;
        if (i == text_.size()) break;
        starts_.push_back(i);
        while (i < text_.size() && !IsBlank(text_[i])) ++i;
        ends_.push_back(i);
    }
}

std::string ScriptLine::Word(size_t i) const
{
    return i < Size() ? text_.substr(starts_[i], ends_[i] - starts_[i]) : std::string();
}

std::string ScriptLine::Rest(size_t i) const
{
    return i < Size() ? text_.substr(starts_[i], ends_.back() - starts_[i]) : std::string();
}

bool ParseInteger(const std::string& text, long long lo, long long hi, long long* value)
{
    size_t at = 0;
    bool negative = !text.empty() && text[0] == '-';
    if (negative) at = 1;
    unsigned long long magnitude = 0;
    bool ok =
        HasHexPrefix(text, at) ? ParseDigits(text, at + 2, 16, &magnitude) : ParseDigits(text, at, 10, &magnitude);
    if (!ok || magnitude > 0xFFFFFFFFULL) return false;
    long long v = negative ? -(long long)magnitude : (long long)magnitude;
    if (v < lo || v > hi) return false;
    *value = v;
    return true;
}

bool ParseU32(const std::string& text, U32* value)
{
    long long v = 0;
    if (!ParseInteger(text, 0, 0xFFFFFFFFLL, &v)) return false;
    *value = (U32)v;
    return true;
}

bool ParseU64(const std::string& text, U64* value, bool* tooLarge)
{
    unsigned long long v = 0;
    bool ok = HasHexPrefix(text, 0) ? ParseDigits(text, 2, 16, &v, tooLarge) : ParseDigits(text, 0, 10, &v, tooLarge);
    if (ok) *value = (U64)v;
    return ok;
}

bool ParseHex(const std::string& text, U32* value)
{
    unsigned long long v = 0;
    if (!ParseDigits(text, HasHexPrefix(text, 0) ? 2 : 0, 16, &v) || v > 0xFFFFFFFFULL) return false;
    *value = (U32)v;
    return true;
}
