// File formats that write numbers through the C library (printf "%g") must write them
// with a decimal point whatever the user's locale: Qt sets the process's locale from the
// environment, and under fi_FI or sv_FI printf writes "0,25".
#pragma once

namespace vindelor::platform {

// For its lifetime the calling thread formats numbers as the "C" locale does; the other
// threads and everything but numbers keep the user's locale.
class ScopedCNumbers {
  public:
    ScopedCNumbers();
    ~ScopedCNumbers();
    ScopedCNumbers(const ScopedCNumbers&) = delete;
    ScopedCNumbers& operator=(const ScopedCNumbers&) = delete;

  private:
    void* numeric_ = nullptr;   // the locale this thread uses meanwhile
    void* previous_ = nullptr;  // the thread's locale before
};

}  // namespace vindelor::platform
