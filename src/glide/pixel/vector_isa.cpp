// Which instruction set the pixel stages run with: the scalar reference
// path, or one of the compiled vector sets the processor runs.
#include <hwy/targets.h>

#include <atomic>

#include "glide_device.h"
#include "pixel/vector_isa.h"

namespace glide {

namespace {

bool Runs(const VectorIsa& isa) { return (hwy::SupportedTargets() & isa.hwyTarget) != 0; }

const VectorIsa* BestVectorIsa() {
    int count = 0;
    const VectorIsa* isas = CompiledVectorIsas(&count);
    const VectorIsa* best = nullptr;
    for (int i = 0; i < count; ++i) {
        if (Runs(isas[i])) best = &isas[i];
    }
    return best;
}

// Read by every triangle set-up; written only by SetPixelIsa.
std::atomic<const VectorIsa*>& Chosen() {
    static std::atomic<const VectorIsa*> chosen{BestVectorIsa()};
    return chosen;
}

}  // namespace

const VectorIsa* CurrentVectorIsa() { return Chosen().load(std::memory_order_relaxed); }

std::vector<std::string> AvailablePixelIsas() {
    std::vector<std::string> names{"scalar"};
    int count = 0;
    const VectorIsa* isas = CompiledVectorIsas(&count);
    for (int i = 0; i < count; ++i) {
        if (Runs(isas[i])) names.emplace_back(isas[i].name);
    }
    return names;
}

bool SetPixelIsa(const std::string& name) {
    if (name.empty()) {
        Chosen().store(BestVectorIsa(), std::memory_order_relaxed);
        return true;
    }
    if (name == "scalar") {
        Chosen().store(nullptr, std::memory_order_relaxed);
        return true;
    }
    int count = 0;
    const VectorIsa* isas = CompiledVectorIsas(&count);
    for (int i = 0; i < count; ++i) {
        if (name == isas[i].name && Runs(isas[i])) {
            Chosen().store(&isas[i], std::memory_order_relaxed);
            return true;
        }
    }
    return false;
}

std::string PixelIsa() {
    const VectorIsa* isa = CurrentVectorIsa();
    return isa != nullptr ? isa->name : "scalar";
}

}  // namespace glide
