#pragma once

#include <exception>
#include <utility>

namespace trx {

// Runs a clean-up step when the scope ends, however it ends: by return or
// by an exception, whose handler then runs after the clean-up.
template <typename Step>
class ScopeExit {
public:
    explicit ScopeExit(Step step)
        : step_(std::move(step)) {}
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    ~ScopeExit() noexcept(false) {
        // A failing clean-up must not end the program while an exception is
        // already on its way to its handler.
        try {
            step_();
        } catch (...) {
            if (std::uncaught_exceptions() == 0) {
                throw;
            }
        }
    }

private:
    Step step_;
};

} // namespace trx
