#include "platform/services.h"

#include "platform/localetexts.h"
#include "platform/qt/qtservices.h"
#include "platform/udevmodems.h"

#include <chrono>

namespace vindelor::platform {
namespace {

class SteadyTickCounter : public TickCounter {
  public:
    std::int64_t Milliseconds() override {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
};

Services& Defaults() {
    static SteadyTickCounter ticks;
    static LocaleClock clock;
    static LocaleRegional regional;
    static UdevModemLookup modems;
    static Services services{&ticks,  &clock,   &QtMessageBoxesInstance(), &QtHelpViewerInstance(),
                             &modems, &regional};
    return services;
}

}  // namespace

Services& Current() {
    static Services current = Defaults();
    return current;
}

Services Install(const Services& services) {
    Services previous = Current();
    Services merged = services;
    const Services& defaults = Defaults();
    // A partial set keeps the defaults for the services it does not name.
    const auto orDefault = [](auto*& chosen, auto* fallback) {
        if (chosen == nullptr)
            chosen = fallback;
    };
    orDefault(merged.ticks, defaults.ticks);
    orDefault(merged.clock, defaults.clock);
    orDefault(merged.boxes, defaults.boxes);
    orDefault(merged.help, defaults.help);
    orDefault(merged.modems, defaults.modems);
    orDefault(merged.regional, defaults.regional);
    Current() = merged;
    return previous;
}

}  // namespace vindelor::platform
