// Fuzz target: the board's parsing of what a request names: name, token, field, limit, id.
#include <cstddef>
#include <cstdint>

#include "board_request.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    take_board_request(data, size);
    return 0;
}
