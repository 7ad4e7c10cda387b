// The set's key files under /ciplus/ through every factory query that reads
// them and through a redraw of the version self-check page, which shows
// them all. A query's answer must be a terminated string that fits its
// buffer (the identities are copied from the files as they stand, so any
// byte but zero may appear); the sanitizers catch any read or write past a
// buffer.
//
// Input: byte 0 says which files are absent (bit i: file i of kFiles),
// byte 1 which of the sealed ones get a valid seal appended by the fuzzer
// (bit i), so that the content behind a good check is reached too, and, in
// bit 0, whether the self-check page is drawn (slow: kept to some inputs).
// Then,
// for each file in order, a 16-bit little-endian length and that many bytes
// (cut at the end of the input).
#include <stddef.h>
#include <stdint.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "BriskUiManager.h"
#include "EventHandler.h"
#include "FuzzSupport.h"
#include "ManagerLock.h"
#include "SimTv.h"
#include "VersionSelfCheckHandler.h"

namespace {

struct KeyFile {
    const char* name;
    bool sealed;   // checked by the middleware's seal
};

const KeyFile kFiles[] = {
    { "ci_plus.bin", false }, { "widevine.bin", false }, { "nfxkey.bin", false },      { "pvrkey.bin", false },
    { "hdcp2.bin", false },   { "hdcp2_key.bin", true }, { "widevine_key.bin", true }, { "nfxkey_key.bin", true },
};
const size_t kFileCount = sizeof(kFiles) / sizeof(kFiles[0]);

BriskUiManager* g_manager = NULL;

void CheckAnswer(const char* query, const char* answer)
{
    if (answer == NULL) return;   // no memory for the buffer: allowed
    const size_t kLongestAnswer = 64;
    if (strnlen(answer, kLongestAnswer + 1) > kLongestAnswer)
        fuzz::Fail("%s: answer longer than any of its buffers", query);
}

void RunQueries()
{
    g_manager->FactoryLoadKeyRawData();
    CheckAnswer("FactoryGetCIPlusHostID", g_manager->FactoryGetCIPlusHostID());
    CheckAnswer("FactoryGetCIPlusSerialNumber", g_manager->FactoryGetCIPlusSerialNumber());
    CheckAnswer("FactoryGetWidevineDeviceID", g_manager->FactoryGetWidevineDeviceID());
    CheckAnswer("FactoryGetNetflixESN", g_manager->FactoryGetNetflixESN());
    CheckAnswer("FactoryGetHDCP20", g_manager->FactoryGetHDCP20());
    CheckAnswer("FactoryGetPVR", g_manager->FactoryGetPVR());
    // Ten hex digits without a terminator into the caller's zeroed bytes.
    char receiveId[11] = { 0 };
    g_manager->FactoryGetHDCP20_ReceiveID(receiveId);
    if (receiveId[10] != '\0') fuzz::Fail("FactoryGetHDCP20_ReceiveID wrote past its ten digits");
    CheckAnswer("FactoryGetHDCP20_ReceiveID", receiveId);
}

// The self-check page re-reads every key file at each redraw.
void RedrawSelfCheck()
{
    BriskManagerLock lock;
    VersionSelfCheckHandler* page = BriskUiManager::pVersionSelfCheckHandler;
    if (page == NULL) fuzz::Fail("the manager has no version self-check page");
    page->ShowOsd();
    if (g_manager->IsUpdateNeeded()) g_manager->UpdateOsd();
    page->HideOsd();
    g_manager->UpdateOsd();
}

}   // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_manager = fuzz::StartManager(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    U8 absent = size > 0 ? data[0] : 0;
    U8 seal = size > 1 ? data[1] : 0;
    size_t at = size < 2 ? size : 2;
    for (size_t i = 0; i < kFileCount; ++i) {
        size_t length = 0;
        if (at + 2 <= size) length = (size_t)data[at] | ((size_t)data[at + 1] << 8);
        at = at + 2 <= size ? at + 2 : size;
        if (length > size - at) length = size - at;
        std::string content(reinterpret_cast<const char*>(data + at), length);
        at += length;
        std::string path = "/ciplus/" + std::string(kFiles[i].name);
        if (absent & (1u << i)) {
            unlink((fuzz::Root() + path).c_str());
            continue;
        }
        if (kFiles[i].sealed && (seal & (1u << i))) content = sim::Sealed(content);
        fuzz::WriteFile(path, reinterpret_cast<const uint8_t*>(content.data()), content.size());
    }
    RunQueries();
    if (seal & 1) RedrawSelfCheck();
    return 0;
}
