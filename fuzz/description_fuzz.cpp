// libFuzzer target: any bytes as a disk's description; what the parser accepts must write back
// to bytes that parse to the same description.
#include "description/DescriptionModel.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const quib::ParsedDescription parsed = quib::ParseDescription({data, size});
    if (parsed.error) {
        return 0;
    }
    const std::vector<uint8_t> written = quib::WriteDescription(parsed.model);
    const quib::ParsedDescription again = quib::ParseDescription(written);
    if (again.error || quib::WriteDescription(again.model) != written) {
        __builtin_trap(); // the writer and the parser disagree
    }
    return 0;
}
