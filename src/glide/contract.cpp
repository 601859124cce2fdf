// The report of a broken contract (see contract.h).
#include "contract.h"

#include <cstdio>
#include <cstdlib>

namespace glide {

void ContractBroken(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "glide: %s:%d: contract broken: %s\n", file, line, condition);
    std::abort();
}

}  // namespace glide
