// A serial line's settings and error counters, in the terms the serial component uses
// them: read the settings found, make them raw with error marks, compare, put them back;
// read the driver's line-error counters. Each call gives its failure as a value.
#pragma once

#include "platform/io.h"

#include <cstddef>
#include <cstdint>

namespace vindelor::platform::serial {

// The settings of a terminal line, as a value that is read, changed and put back whole.
class LineSettings {
  public:
    // These settings made raw for the component: bytes passed unchanged, framing and parity
    // errors and breaks marked in the data ("\377 \0 c", "\377 \0 \0", a real 0xFF
    // doubled), the 250 ms read interval, and `baudRate` where it is a rate the table
    // knows. Any other rate, 0 included, keeps the line speed: speed 0 would hang up.
    LineSettings Raw(std::int32_t baudRate) const;
    // These settings, but with the speeds of `now` when their own output speed is 0
    // (putting them back as they are would hang the line up).
    LineSettings KeepingSpeedOf(const LineSettings& now) const;
    // Parity is generated and checked.
    bool ParityOn() const;
    // Same flags, control characters and speeds.
    bool Same(const LineSettings& other) const;

  private:
    friend struct LineSettingsAccess;
    alignas(8) unsigned char bytes_[64] = {};
};

IoOutcome ReadLineSettings(int fd, LineSettings* settings);
IoOutcome ApplyLineSettings(int fd, const LineSettings& settings);
// Drops queued input and/or output.
void FlushLine(int fd, bool input, bool output);

// The driver's counts of line errors since the port was opened.
struct LineCounters {
    int frame = 0;
    int overrun = 0;
    int parity = 0;
    int bufferOverrun = 0;
    int breaks = 0;
};

// Pseudo-terminals and many USB adapters keep no counters (ENOTTY, EINVAL).
IoOutcome ReadLineCounters(int fd, LineCounters* counters);

}  // namespace vindelor::platform::serial
