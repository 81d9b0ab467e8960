// The stored placement text of a window. Inputs of exactly 20 bytes are also
// read as five 32-bit numbers, so that every placement is written and read.
#include "fuzztext.h"

#include "store/placement.h"

#include <cstring>

using namespace velmora;

namespace {

// What is written is read back as it was.
void checkRoundTrip(const Placement& placement) {
    const QString text = formatPlacement(placement);
    FUZZ_CHECK(parsePlacement(text) == placement);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = fuzz::text(data, size);
    const Placement read = parsePlacement(text);
    checkRoundTrip(read);

    if (size == 5 * sizeof(std::int32_t)) {
        std::int32_t fields[5];
        std::memcpy(fields, data, sizeof fields);
        checkRoundTrip(Placement{fields[0], fields[1], fields[2], fields[3], fields[4]});
    }
    return 0;
}
