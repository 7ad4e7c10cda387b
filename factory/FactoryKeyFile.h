// Key files of the set: raw bytes under "/ciplus/" that the factory
// queries read, at most kFactoryKeyFileBytes of each whatever the file's
// size.
#ifndef BRISKUI_FACTORYKEYFILE_H
#define BRISKUI_FACTORYKEYFILE_H

#include <stddef.h>

#include <string>

#include "BriskTypes.h"

enum { kFactoryKeyFileBytes = 8192 };

// The path of the key file `name` ("widevine.bin"): "/ciplus/NAME" under the
// file-system root.
std::string FactoryKeyFilePath(const char* name);

// Whether a key file opens for reading: a regular file we may read. A
// directory, a FIFO, a device or a file we may not read counts as not
// opened (none of them holds a key, and a FIFO would block the reader).
bool FactoryKeyFileOpens(const std::string& path);

// The zeroed read buffer of one key-file query, allocated without
// throwing: check Ok() before use.
class FactoryKeyFileBuffer {
public:
    FactoryKeyFileBuffer();
    ~FactoryKeyFileBuffer();
    FactoryKeyFileBuffer(const FactoryKeyFileBuffer&) = delete;
    FactoryKeyFileBuffer& operator=(const FactoryKeyFileBuffer&) = delete;

    bool Ok() const { return data_ != NULL; }
    // Opens the file and reads its first kFactoryKeyFileBytes bytes into
    // the buffer; `count` gets how many were read (0 for an empty file or a
    // read error). FALSE, with nothing read, when the file does not open.
    bool Read(const std::string& path, size_t* count);
    void Clear();
    // The kFactoryKeyFileBytes bytes; a file shorter than an offset reads
    // as zeros there.
    U8* Data() { return data_; }

private:
    U8* data_;
};

#endif   // BRISKUI_FACTORYKEYFILE_H
