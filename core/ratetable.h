// The tariff model of the multiple-rates mode: four rate classes and a weekly rate table
// of half-hour slots with quarter-hour exceptions, stored in "Vindelor.dta" (672 bytes).
#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace vindelor {

struct TRateSlot {
    std::uint8_t RateClass = 0;    // 0 (no class) or 1 … 4
    std::uint8_t QuarterCode = 0;  // 0, or 10 × secondary class + quarter position 1 … 4
};

constexpr int kDays = 7;    // Monday first, Sunday last
constexpr int kSlots = 48;  // one per half hour, in the fixed slot order
constexpr int kRateDataSize = kDays * kSlots * 2;

struct TRateWeek {
    // Days[d][s]: day d = 0 (Monday) … 6 (Sunday), slot number s + 1.
    std::array<std::array<TRateSlot, kSlots>, kDays> Days{};
    TRateSlot& Slot(int day1to7, int slot1to48) { return Days[day1to7 - 1][slot1to48 - 1]; }
    const TRateSlot& Slot(int day1to7, int slot1to48) const {
        return Days[day1to7 - 1][slot1to48 - 1];
    }
    void Clear() { Days = {}; }
};

// The one weekly rate table of the running program: loaded at start-up, edited in place
// by the advanced options dialog, read by the rate monitor.
TRateWeek& ProgramRateWeek();

// Slot order: slot numbers do not follow the time of day; stored files depend on it.
int SlotForHalfHour(int hour, bool secondHalf);              // -> 1 … 48
void HalfHourOfSlot(int slot, int* hour, bool* secondHalf);  // slot 1 … 48
inline bool IsValidQuarterCode(int code) {
    return code >= 11 && code <= 44 && code % 10 >= 1 && code % 10 <= 4;
}

// Loads `path` (default: "Vindelor.dta" in the data directory). Returns false and leaves
// an all-zero table when the file is missing, unreadable or shorter than 672 bytes;
// bytes after the first 672 are ignored.
bool LoadRateDataFile(TRateWeek& week, const QString& path = QString());
// Writes the table atomically. Throws std::runtime_error with the system's reason when
// the file cannot be written; the old file then stays whole.
void SaveRateDataFile(const TRateWeek& week, const QString& path = QString());

// The class in force: the slot's rate class, or its secondary class inside the quarter
// of its quarter code. weekday 1 = Monday … 7 = Sunday; holiday uses Sunday.
int ClassInForce(const TRateWeek& week, int weekday, int hour, int minute, bool holiday);

// True when class k (1 … 4) occurs as a rate class or in a quarter code on any day.
bool RateClassUsed(const TRateWeek& week, int k);
// Every slot with class 0 gets class k; every quarter code becomes 0.
void FillWithRateClass(TRateWeek& week, int k);

}  // namespace vindelor
