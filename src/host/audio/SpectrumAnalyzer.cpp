// Magnitudes of a periodic-Hann-windowed 512-point FFT, scaled so a full-scale sine reads 1.0.
#include "host/audio/SpectrumAnalyzer.h"

#include <cmath>
#include <fftw3.h>
#include <numbers>

namespace quib {

namespace {

std::mutex& PlanningLock() {
    static std::mutex lock;
    return lock;
}

} // namespace

struct SpectrumAnalyzer::Plan {
    float* input = nullptr;
    fftwf_complex* output = nullptr;
    fftwf_plan plan = nullptr;
    float window[kPoints];
};

SpectrumAnalyzer::SpectrumAnalyzer() : plan_(std::make_unique<Plan>()) {
    for (int i = 0; i < kPoints; ++i) {
        plan_->window[i] = static_cast<float>(
            0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / static_cast<double>(kPoints)));
    }
    std::lock_guard<std::mutex> guard(PlanningLock());
    plan_->input = fftwf_alloc_real(kPoints);
    plan_->output = fftwf_alloc_complex(kBins + 1);
    plan_->plan = fftwf_plan_dft_r2c_1d(kPoints, plan_->input, plan_->output, FFTW_ESTIMATE);
}

SpectrumAnalyzer::~SpectrumAnalyzer() {
    std::lock_guard<std::mutex> guard(PlanningLock());
    fftwf_destroy_plan(plan_->plan);
    fftwf_free(plan_->output);
    fftwf_free(plan_->input);
}

void SpectrumAnalyzer::Analyze(const float* samples, float* magnitudes) {
    // A periodic Hann window sums to kPoints / 2, so a sine of amplitude A centred on a bin
    // has a magnitude of A * kPoints / 4 there.
    constexpr float kScale = 4.0f / kPoints;
    std::lock_guard<std::mutex> guard(lock_);
    for (int i = 0; i < kPoints; ++i) {
        plan_->input[i] = samples[i] * plan_->window[i];
    }
    fftwf_execute(plan_->plan);
    for (int k = 0; k < kBins; ++k) {
        magnitudes[k] = std::hypot(plan_->output[k][0], plan_->output[k][1]) * kScale;
    }
}

} // namespace quib
