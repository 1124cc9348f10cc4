// The CAT radios of a station's sides: each over a TCP link of its own to rigctld, plugged into
// the closed loop in place of the side's buttons. What they say goes to the observer: each side
// plugged ("RX radio: cat:127.0.0.1:4532"), then each side's status and reports. plug() and the
// radios run on the engine thread; the links' readers post what arrives to the engine's queue.
#pragma once

#include "cat/cat_address.h"
#include "cat/cat_side.h"
#include "cat/tcp_link.h"
#include "station/station.h"

#include <array>
#include <memory>
#include <optional>

namespace dopplex {

class CatRadios {
public:
    class Observer : public CatObserver {
    public:
        virtual void radio_plugged(Side, const std::string& /*line*/) {}
    };

    CatRadios(EventLoop& loop, Observer& observer) : loop_(loop), observer_(observer) {}
    ~CatRadios();
    CatRadios(const CatRadios&) = delete;
    CatRadios& operator=(const CatRadios&) = delete;

    // The sides' radios from now on (none: the side's buttons).
    void plug(Station& station, const std::array<std::optional<CatAddress>, 2>& radios,
              const std::array<CatSettings, 2>& settings);
    // One side's radio from now on; the other side keeps its own.
    void plug_side(Station& station, Side side, const std::optional<CatAddress>& radio,
                   const CatSettings& settings);
    // Every side on its buttons again, its link closed and its reader ended.
    void unplug_all();

private:
    struct Plugged {
        std::unique_ptr<TcpLink> link;
        std::unique_ptr<CatSide> side;
    };
    void unplug(int index);

    EventLoop& loop_;
    Observer& observer_;
    Station* station_ = nullptr;
    std::array<std::shared_ptr<Plugged>, 2> plugged_;
};

} // namespace dopplex
