// Questions asked at once and published together: each answer, good or not, is counted,
// and the last one to come runs what publishes them, once. A look that asks nothing
// publishes at once.
#pragma once

#include <functional>
#include <memory>
#include <utility>

namespace vindelor::watch {

class PendingAnswers {
  public:
    // Shared by the answers' callbacks; `whenAll` runs now when `count` is 0.
    static std::shared_ptr<PendingAnswers> Expect(int count, std::function<void()> whenAll) {
        std::shared_ptr<PendingAnswers> pending(new PendingAnswers(count, std::move(whenAll)));
        if (count == 0) {
            pending->whenAll_();
        }
        return pending;
    }

    // One question answered (or failed); the last runs `whenAll`.
    void Answered() {
        if (--left_ == 0) {
            whenAll_();
        }
    }

  private:
    PendingAnswers(int count, std::function<void()> whenAll)
        : left_(count), whenAll_(std::move(whenAll)) {}

    int left_;
    std::function<void()> whenAll_;
};

}  // namespace vindelor::watch
