// SpeechNeeds: what an OSD says when audio guidance is on, declared once as
// data next to its handler, like its layout needs (LayoutNeeds.h). Each
// text is one utterance, or one part of an utterance the handler builds
// from several: its id, its default wording, the values the handler fills
// in and how it is timed. The handler table's row points at the
// declaration; the handler speaks by the text's index; the layout checker
// (briskui-lint) checks the layouts' wordings against the same declaration.
//
// Wording: plain text with placeholders in braces. "{value}" is a value the
// handler fills in (one of the text's declared values); any other
// "{name}" is the text of the layout's text item [name], as the layout
// gives it (so "{volume_text} {value}" reads "Volume 21" with an English
// layout and "Lautstärke 21" with a German one). A layout may give its own
// wording of any text in its [speech] section, under the text's id:
//
//     [speech]
//     position = Ziffer {position} von {count}
//
// Without one the default stands, which speaks the layout's own shown
// texts where it names items, so that a missing translation falls back to
// what the OSD shows.
#ifndef BRISKUI_SPEECHNEEDS_H
#define BRISKUI_SPEECHNEEDS_H

#include <stddef.h>

#include <string>

#include "BriskTypes.h"

// The layout section that holds a layout's own wordings.
inline constexpr const char kSpeechSection[] = "speech";

// How a text is timed (ST_SPEECH_TEXT::u8Flags).
enum EN_SPEECH_FLAG {
    // The engine cuts short what it is saying for it (a new value, a new
    // focus); without it the utterance follows what is being said.
    E_SPEECH_INTERRUPT = 0x01,
    // Said once the keys pause for E_SPEECH_SETTLE_MS (on the library's
    // clock): a key held down (VOL+ repeating) says its last value once.
    E_SPEECH_SETTLE = 0x02,
    // Said by the handler base whenever the OSD comes on the screen,
    // whoever shows it (a factory screen's title).
    E_SPEECH_ON_SHOW = 0x04
};
enum { E_SPEECH_SETTLE_MS = 300 };

struct ST_SPEECH_TEXT {
    const char* pId;        // its key in a layout's [speech] section, lower case
    const char* pDefault;   // the wording when the layout gives none
    const char* pValues;    // the placeholders the handler fills, blank-separated ("" for none)
    U8 u8Flags;             // EN_SPEECH_FLAG
};

struct ST_SPEECH_NEEDS {
    const ST_SPEECH_TEXT* pTexts;   // by index, as the handler speaks them
    size_t uCount;
};

template <size_t N>
constexpr ST_SPEECH_NEEDS BriskSpeechNeeds(const ST_SPEECH_TEXT (&texts)[N])
{
    return { texts, N };
}

// The next placeholder of `text` at or after `from`: "{" followed by one or
// more of a-z, A-Z, 0-9, '_', '/', '.', '-' and "}". Sets its first
// character's position, the position after its "}" and its name in lower
// case; false when there is none. Other braces are plain text.
bool BriskNextPlaceholder(const std::string& text, size_t from, size_t* start, size_t* end, std::string* name);
// Whether `name` is one of the blank-separated names of `values`.
bool BriskIsSpeechValue(const char* values, const std::string& name);
// Runs of blanks made one, none at either end.
std::string BriskTidySpeech(const std::string& text);

#endif   // BRISKUI_SPEECHNEEDS_H
