// tarnconv's ASE reader on text of any content: a parse either succeeds or
// returns a message, never crashes, trips a sanitizer, hangs or reserves
// memory out of proportion to the input.
#include <cstdint>
#include <string>

#include "ase_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    tarnconv::MeshModel model;
    std::string error;
    tarnconv::ParseAse(text, "fuzz.ase", &model, &error);
    return 0;
}
