// What every fuzz target shares: DirectFB on its headless dummy system,
// created once per process and handed to the simulated middleware as the
// television's host process does, and a private file-system root.
#ifndef BRISKUI_FUZZ_SUPPORT_H
#define BRISKUI_FUZZ_SUPPORT_H

#include <directfb.h>
#include <stddef.h>
#include <stdint.h>

#include <string>

class BriskUiManager;

namespace fuzz {

// The process's DirectFB (dummy system, 1280x720), also handed to the
// simulated middleware with the primary layer.
IDirectFB* Dfb();

// A fresh root for this process, set as BRISKUI_ROOT: a temporary folder
// (under $TMPDIR) with the sample root's rendered art and fonts linked in at
// /config/briskui/images and /config/briskui/fonts, removed at exit.
const std::string& Root();

// Links the sample root's English layouts of the handler table's rows into
// the root's English layout folder (that of the simulated TV's OSD
// language), both country groups: every row's, or only those a handler
// cannot start without. Call before the manager starts.
void LinkSampleLayouts(bool requiredOnly);

// A new ARGB surface of `width` x `height` with the OSD window's blending
// for drawing and blitting; the caller releases it.
IDirectFBSurface* NewSurface(int width, int height);

// Starts the manager as the host does, with instant sleeps, no input thread
// (the fuzzer hands keys and timers over itself) and an invisible window
// (every composition still draws into its surface and flips it, without
// DirectFB repainting the layer each time), on the sample layouts
// (LinkSampleLayouts(requiredOnly)).
BriskUiManager* StartManager(bool requiredOnly);

// Writes `size` bytes to `path` (a path of the set, under the root),
// replacing the file; returns the full path. Aborts when it cannot.
std::string WriteFile(const std::string& path, const uint8_t* data, size_t size);
// Writes a settings or layout file at `path` as WriteFile does, from an
// input that is either the file itself or, when its first byte is 0x01, a
// recipe for a file near the limits the library reads such files within
// (E_BRISK_MAX_INI_BYTES, E_BRISK_MAX_INI_ENTRIES), which inputs of a few
// KiB never reach:
//   byte 1   bit 0 clear: aim at the byte limit; set: at the entry limit;
//   byte 2   the aim's distance from that limit, -128..127 bytes or entries;
//   then     a head, written once, and after a byte 0x02 a template (no
//            0x02: no head, all of it is the template).
// Copies of the template follow the head, each '@' in one replaced by the
// copy's number, while the file stays within the aim (in bytes, a last
// copy cut short fills it up to the aim; never beyond 2 MiB). Returns the
// full path.
std::string WriteIniInput(const std::string& path, const uint8_t* data, size_t size);
// The length of a recipe's first three bytes (they may be NUL), 0 when
// `data` is no recipe: a target that splits its input at a NUL looks for
// it after them.
size_t IniRecipeHeader(const uint8_t* data, size_t size);
// The whole content of a file; empty when it cannot be read.
std::string ReadFile(const std::string& fullPath);

// Reports a broken invariant on stderr and aborts, so that libFuzzer keeps
// the input as a crash.
[[noreturn]] void Fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

}   // namespace fuzz

#endif   // BRISKUI_FUZZ_SUPPORT_H
