// Checks of the device's internal contracts: the conventions one file relies
// on another to keep (a committed queue slot is the one handed out, a set-up
// record's pixel state is not written afterwards). On in debug builds and in
// the sanitizer builds (GLIDE_CHECK_CONTRACTS), where a broken contract
// stops the program with its file and line; compiled out otherwise, so the
// checks cost the drawing nothing.
#pragma once

#if !defined(NDEBUG) || defined(GLIDE_CHECK_CONTRACTS)
#define GLIDE_CONTRACTS 1
#else
#define GLIDE_CONTRACTS 0
#endif

namespace glide {

[[noreturn]] void ContractBroken(const char* condition, const char* file, int line);

}  // namespace glide

#if GLIDE_CONTRACTS
#define GLIDE_CONTRACT(condition) \
    ((condition) ? static_cast<void>(0) : ::glide::ContractBroken(#condition, __FILE__, __LINE__))
#else
#define GLIDE_CONTRACT(condition) static_cast<void>(0)
#endif
