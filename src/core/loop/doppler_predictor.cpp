#include "loop/doppler_predictor.h"

#include <algorithm>
#include <cmath>

namespace dopplex {

void DopplerPredictor::update(std::int64_t t, double hz) {
    if (last_ && t - last_->t >= kShortestRateBaseMs)
        base_ = last_;
    rate_hz_per_ms_ = 0;
    if (base_ && t > base_->t && t - base_->t <= kLongestPredictionMs) {
        const double rate = (hz - base_->hz) / static_cast<double>(t - base_->t);
        if (std::fabs(rate) <= std::fabs(hz) * kFastestDopplerPerMs)
            rate_hz_per_ms_ = rate;
    }
    last_ = Sample{t, hz};
}

double DopplerPredictor::rate_at(std::int64_t t) const {
    return last_ && t <= horizon() ? rate_hz_per_ms_ : 0;
}

double DopplerPredictor::at(std::int64_t t) const {
    if (!last_)
        return 0;
    return last_->hz + rate_hz_per_ms_ * static_cast<double>(std::min(t, horizon()) - last_->t);
}

} // namespace dopplex
