// Magnitudes of a periodic-Hann-windowed 512-point FFT, scaled so a full-scale sine reads 1.0.
#pragma once

#include <memory>
#include <mutex>

namespace quib {

class SpectrumAnalyzer {
public:
    static constexpr int kPoints = 512;
    static constexpr int kBins = kPoints / 2;

    // Plans the transform: FFTW planning is not thread-safe, so every analyzer plans here, once,
    // under a process-wide lock, and Analyze only executes the plan.
    SpectrumAnalyzer();
    ~SpectrumAnalyzer();
    SpectrumAnalyzer(const SpectrumAnalyzer&) = delete;
    SpectrumAnalyzer& operator=(const SpectrumAnalyzer&) = delete;

    // kPoints samples, oldest first, to kBins magnitudes (bin 0 upwards). Thread-safe.
    void Analyze(const float* samples, float* magnitudes);

private:
    struct Plan;
    std::unique_ptr<Plan> plan_;
    std::mutex lock_;
};

} // namespace quib
