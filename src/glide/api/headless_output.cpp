// The output without a display: the picture stays in the frame buffers,
// where screenshots and tests read it.
#include "device.h"

namespace glide {

namespace {

class Headless final : public DisplayOutput {
public:
    bool Open() override { return true; }
    void Present(const std::uint16_t*, bool) override {}
    void SetPassthrough(bool) override {}
    void Close() override {}
};

}  // namespace

DisplayOutput& HeadlessOutput() {
    static Headless output;
    return output;
}

}  // namespace glide
