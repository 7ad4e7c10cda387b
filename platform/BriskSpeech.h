// The set's text-to-speech engine as the library calls it: the host hands
// the library one function (BriskUiManager::SetSpeechCallback) and the
// library hands it every utterance of audio guidance.
#ifndef BRISKUI_BRISKSPEECH_H
#define BRISKUI_BRISKSPEECH_H

#include "BriskTypes.h"

// One utterance: `utf8` is the text to speak in the OSD language (UTF-8,
// terminated, valid only during the call), `osdStatus` the status bit of the
// OSD that says it (EN_BRISKUI_OSD_STATUS, or a bit from 0x10000 up),
// `interrupt` TRUE when the engine should cut short what it is saying for
// it, FALSE when it follows what is being said. `context` is the host's, as
// it was installed. Called on the library's own speech thread, one call at
// a time, with no lock of the library held: the callback may take its time
// and may call the manager; it must not wait for the library's input
// thread.
typedef void (*BriskSpeechCallback)(const char* utf8, U32 osdStatus, BOOL interrupt, void* context);

#endif   // BRISKUI_BRISKSPEECH_H
