#include "loop/doppler_predictor.h"

#include <algorithm>

namespace dopplex {

void DopplerPredictor::update(std::int64_t t, double hz) {
    const bool fresh = last_ && t > last_->t && t - last_->t <= kLongestPredictionMs;
    rate_hz_per_ms_ = fresh ? (hz - last_->hz) / static_cast<double>(t - last_->t) : 0;
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
