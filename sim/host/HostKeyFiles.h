// The key files under "/ciplus/" of the root the host runs on, and the
// scratch copy that a script's `keyfile` lines change.
//
// A script that removes, empties or corrupts a key file must not change the
// root it was given: that root is usually the build's sample root, shared by
// every scenario that runs at the same time. So the host gives such a
// script a scratch root of its own: a temporary folder whose entries link
// to the given root's, except "ciplus", which is a real folder holding
// copies of the key files. The library runs on the scratch root, the
// `keyfile` lines change the copies, and the host removes the scratch root
// at exit. Nothing under the given root is ever written.
#ifndef BRISKUI_SIM_HOSTKEYFILES_H
#define BRISKUI_SIM_HOSTKEYFILES_H

#include <string>

// What a `keyfile` line does to one key file.
enum class KeyFileChange { Remove, Empty, Corrupt };

// Creates a scratch root for `root` (see above) under $TMPDIR (else /tmp).
// False with the reason in `error`; nothing is left behind then.
bool MakeScratchRoot(const std::string& root, std::string* scratch, std::string* error);
// Removes a scratch root: its links, never what they point to.
void RemoveScratchRoot(const std::string& scratch);

// Applies `change` to the key file `name` of `scratchRoot`'s "/ciplus/"
// folder: removes it, truncates it to 0 bytes, or flips every bit of its
// byte at `offset`. False with the reason in `error` (no such file, an
// offset past its end).
bool ChangeKeyFile(const std::string& scratchRoot, const std::string& name, KeyFileChange change, unsigned offset,
                   std::string* error);

#endif   // BRISKUI_SIM_HOSTKEYFILES_H
