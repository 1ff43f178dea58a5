#include "net/AnswerLimit.h"

bool RateWindow::Free(uint32_t nowMs) const {
    // Full: the oldest of the last few must be a second old.
    return count_ < times_.size() || nowMs - times_[oldest_] >= 1000u;
}

void RateWindow::Take(uint32_t nowMs) {
    if (times_.empty()) return;
    if (count_ < times_.size()) {
        times_[(oldest_ + count_++) % times_.size()] = nowMs;
        return;
    }
    times_[oldest_] = nowMs;
    oldest_ = (oldest_ + 1) % times_.size();
}

cAnswerLimit::cAnswerLimit(uint32_t perSource, uint32_t inAll) : perSource_(perSource), inAll_(inAll) {
    sources_.reserve(kSources);
}

cAnswerLimit::Source& cAnswerLimit::SourceOf(const NetAddress& host, uint32_t nowMs) {
    // A flood comes from one source: the last one asked is looked at first.
    if (last_ < sources_.size() && sources_[last_].host == host) return sources_[last_];
    Source* stalest = nullptr;
    for (Source& s : sources_) {
        if (s.host == host) {
            last_ = static_cast<size_t>(&s - sources_.data());
            return s;
        }
        if (!stalest || nowMs - s.lastAsked > nowMs - stalest->lastAsked) stalest = &s;
    }
    if (sources_.size() < kSources) {
        sources_.push_back(Source{host, RateWindow(perSource_), nowMs});
        last_ = sources_.size() - 1;
        return sources_.back();
    }
    *stalest = Source{host, RateWindow(perSource_), nowMs};
    last_ = static_cast<size_t>(stalest - sources_.data());
    return *stalest;
}

bool cAnswerLimit::Allow(const NetAddress& from, uint32_t nowMs) {
    Source& source = SourceOf(from.Host(), nowMs);
    source.lastAsked = nowMs;
    if (!source.window.Free(nowMs) || !inAll_.Free(nowMs)) return false;
    source.window.Take(nowMs);
    inAll_.Take(nowMs);
    return true;
}
