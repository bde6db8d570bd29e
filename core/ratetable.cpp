#include "core/ratetable.h"

#include "core/profile.h"
#include "platform/atomicfile.h"
#include "platform/datadir.h"
#include "platform/errortext.h"

#include <QFile>

#include <stdexcept>
#include <string>

namespace vindelor {
namespace {

struct HalfHour {
    int hour;
    bool secondHalf;
};

// The fixed slot order, slot 1 first. The rate data file, the grid of the advanced
// options dialog and the look-up of the class in force all index slots through this one
// table; existing "Vindelor.dta" files depend on it, so it must never change.
constexpr HalfHour kSlotOrder[kSlots] = {
    {11, true},  {11, false}, {10, false}, {10, true},  {9, true},   {9, false},   // 1-6
    {8, false},  {8, true},   {7, true},   {7, false},  {6, false},  {6, true},    // 7-12
    {5, true},   {5, false},  {4, false},  {4, true},   {3, true},   {3, false},   // 13-18
    {2, false},  {2, true},   {1, true},   {1, false},  {0, false},  {0, true},    // 19-24
    {12, false}, {12, true},  {13, true},  {13, false}, {14, false}, {14, true},   // 25-30
    {15, true},  {15, false}, {16, false}, {16, true},  {17, true},  {17, false},  // 31-36
    {18, false}, {18, true},  {19, true},  {19, false}, {20, false}, {20, true},   // 37-42
    {21, true},  {21, false}, {22, false}, {22, true},  {23, true},  {23, false},  // 43-48
};

struct SlotIndex {
    int slotOf[24][2] = {};
};

constexpr SlotIndex BuildSlotIndex() {
    SlotIndex index;
    for (int s = 0; s < kSlots; ++s) {
        index.slotOf[kSlotOrder[s].hour][kSlotOrder[s].secondHalf ? 1 : 0] = s + 1;
    }
    return index;
}
constexpr SlotIndex kSlotIndex = BuildSlotIndex();

QString RatePath(const QString& path) {
    return path.isEmpty() ? platform::DataFilePath(kRateDataFile) : path;
}

[[noreturn]] void ThrowIo(const char* what, const QString& path, int error) {
    throw std::runtime_error(std::string(what) + " \"" + path.toStdString() +
                             "\": " + platform::ErrorText(error).toStdString());
}

// Minutes of the hour in which quarter position 1 … 4 gives the secondary class.
// Minute 30 opens the second-half slot, yet it still counts to position 2.
bool MinuteInQuarter(int minute, int position) {
    switch (position) {
        case 1:
            return minute <= 15;
        case 2:
            return minute >= 16 && minute <= 30;
        case 3:
            return minute >= 31 && minute <= 45;
        case 4:
            return minute >= 46;
        default:
            return false;
    }
}

}  // namespace

TRateWeek& ProgramRateWeek() {
    static TRateWeek week;
    return week;
}

int SlotForHalfHour(int hour, bool secondHalf) {
    if (hour < 0 || hour > 23)
        return 0;
    return kSlotIndex.slotOf[hour][secondHalf ? 1 : 0];
}

void HalfHourOfSlot(int slot, int* hour, bool* secondHalf) {
    if (slot < 1 || slot > kSlots) {
        if (hour)
            *hour = -1;
        if (secondHalf)
            *secondHalf = false;
        return;
    }
    if (hour)
        *hour = kSlotOrder[slot - 1].hour;
    if (secondHalf)
        *secondHalf = kSlotOrder[slot - 1].secondHalf;
}

bool LoadRateDataFile(TRateWeek& week, const QString& path) {
    QFile file(RatePath(path));
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) {
        bytes = file.read(kRateDataSize);
    }
    if (bytes.size() < kRateDataSize) {
        week.Clear();
        return false;
    }
    // Values are taken as they are, even outside the ranges a slot should hold.
    int i = 0;
    for (auto& day : week.Days) {
        for (auto& slot : day) {
            slot.RateClass = static_cast<std::uint8_t>(bytes[i++]);
            slot.QuarterCode = static_cast<std::uint8_t>(bytes[i++]);
        }
    }
    return true;
}

void SaveRateDataFile(const TRateWeek& week, const QString& path) {
    // Writing in place would leave a truncated table behind on a full disk or a crash,
    // and the user would have to paint the whole week again.
    if (path.isEmpty())
        platform::EnsureDataDirectory();
    const QString target = RatePath(path);

    char bytes[kRateDataSize];
    int i = 0;
    for (const auto& day : week.Days) {
        for (const auto& slot : day) {
            bytes[i++] = static_cast<char>(slot.RateClass);
            bytes[i++] = static_cast<char>(slot.QuarterCode);
        }
    }

    if (const int error = platform::ReplaceFileAtomically(QFile::encodeName(target),
                                                          QByteArray(bytes, sizeof bytes));
        error != 0) {
        ThrowIo("Cannot write", target, error);
    }
}

int ClassInForce(const TRateWeek& week, int weekday, int hour, int minute, bool holiday) {
    if (holiday)
        weekday = 7;
    if (weekday < 1 || weekday > kDays || hour < 0 || hour > 23 || minute < 0 || minute > 59) {
        return 0;
    }
    const TRateSlot& slot = week.Slot(weekday, SlotForHalfHour(hour, minute >= 30));
    const int code = slot.QuarterCode;
    if (IsValidQuarterCode(code) && MinuteInQuarter(minute, code % 10)) {
        return code / 10;
    }
    return slot.RateClass;
}

bool RateClassUsed(const TRateWeek& week, int k) {
    if (k < 1 || k > 4)
        return false;
    for (const auto& day : week.Days) {
        for (const auto& slot : day) {
            if (slot.RateClass == k)
                return true;
            if (slot.QuarterCode >= 10 * k + 1 && slot.QuarterCode <= 10 * k + 4)
                return true;
        }
    }
    return false;
}

void FillWithRateClass(TRateWeek& week, int k) {
    for (auto& day : week.Days) {
        for (auto& slot : day) {
            if (slot.RateClass == 0)
                slot.RateClass = static_cast<std::uint8_t>(k);
            slot.QuarterCode = 0;
        }
    }
}

}  // namespace vindelor
