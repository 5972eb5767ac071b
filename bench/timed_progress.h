#pragma once
// Passes every write on to the real progress window and keeps the time the
// window spends in them: the repaints apart, since the run asks for one
// whole-window repaint per occurrence.
#include <windows.h>

#include <cstdint>

#include "core/progress_display.h"

namespace marsitel::bench {

class Stopwatch {
public:
    Stopwatch() noexcept { QueryPerformanceFrequency(&frequency_); }
    std::int64_t Ticks() const noexcept {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return now.QuadPart;
    }
    double Seconds(std::int64_t ticks) const noexcept {
        return static_cast<double>(ticks) / static_cast<double>(frequency_.QuadPart);
    }

private:
    LARGE_INTEGER frequency_;
};

class TimedProgress final : public ProgressDisplay {
public:
    explicit TimedProgress(ProgressDisplay& window) : window_(window) {}

    void SetBarMin(float value) override { Timed(writes_, [&] { window_.SetBarMin(value); }); }
    void SetBarMax(float value) override { Timed(writes_, [&] { window_.SetBarMax(value); }); }
    void SetBarValue(float value) override { Timed(writes_, [&] { window_.SetBarValue(value); }); }
    void SetAssemblyLine(std::wstring_view text) override { Timed(writes_, [&] { window_.SetAssemblyLine(text); }); }
    void SetOccurrenceLine(std::wstring_view text) override {
        Timed(writes_, [&] { window_.SetOccurrenceLine(text); });
    }
    void Repaint() override {
        ++repaints_;
        Timed(repaint_ticks_, [&] { window_.Repaint(); });
    }

    double RepaintSeconds() const noexcept { return clock_.Seconds(repaint_ticks_); }
    double WriteSeconds() const noexcept { return clock_.Seconds(writes_); }
    long Repaints() const noexcept { return repaints_; }

private:
    template <typename Write>
    void Timed(std::int64_t& sum, Write write) {
        const std::int64_t start = clock_.Ticks();
        write();
        sum += clock_.Ticks() - start;
    }

    ProgressDisplay& window_;
    Stopwatch clock_;
    std::int64_t repaint_ticks_ = 0;
    std::int64_t writes_ = 0;
    long repaints_ = 0;
};

}  // namespace marsitel::bench
