// The binary form the import process answers in, as a process gone wrong might send it: decoding
// must refuse anything malformed without reading outside the bytes, and what it accepts must encode
// back to exactly the same bytes.
#include "loaders/ImportedModel.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ImportedModel model;
    std::string error;
    if (!decodeImportedModel(reinterpret_cast<const char*>(data), size, model, error))
        return 0;
    std::string again;
    encodeImportedModel(model, again);
    if (again != std::string(reinterpret_cast<const char*>(data), size))
        __builtin_trap();
    return 0;
}
