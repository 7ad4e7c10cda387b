// One line of a host script split into words, and the number formats that
// scripts use.
#ifndef BRISKUI_SIM_SCRIPTLINE_H
#define BRISKUI_SIM_SCRIPTLINE_H

#include <stddef.h>

#include <string>
#include <vector>

#include "BriskTypes.h"

class ScriptLine {
public:
    // Splits `text` at blanks; a '#' starts a comment that runs to the end.
    explicit ScriptLine(const std::string& text);
    size_t Size() const { return starts_.size(); }
    std::string Word(size_t i) const;
    // The text from word `i` to the end of the line, as written (inner
    // blanks kept), without the blanks at its end; empty past the last word.
    std::string Rest(size_t i) const;

private:
    std::string text_;
    std::vector<size_t> starts_;
    std::vector<size_t> ends_;
};

// Decimal or 0x hexadecimal, with an optional minus sign, within [lo, hi].
// A leading 0 does not mean octal: "010" is ten.
bool ParseInteger(const std::string& text, long long lo, long long hi, long long* value);
// An unsigned 32-bit number in either form.
bool ParseU32(const std::string& text, U32* value);
// An unsigned 64-bit number in either form. On false, `tooLarge` tells a
// number beyond 64 bits from text that is no number.
bool ParseU64(const std::string& text, U64* value, bool* tooLarge);
// Hexadecimal with or without the 0x prefix, at most 32 bits.
bool ParseHex(const std::string& text, U32* value);

// The row of a script table whose `name` is `name`; null when none is.
template <typename Row, size_t N>
const Row* FindNamed(const Row (&rows)[N], const std::string& name)
{
    for (const Row& row : rows)
        if (name == row.name) return &row;
    return NULL;
}

#endif   // BRISKUI_SIM_SCRIPTLINE_H
