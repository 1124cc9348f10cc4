// The CAT radios of the chosen transponder's sides: each over a TCP link of its own to rigctld,
// plugged into the closed loop in place of the side's buttons; what they report goes to the
// journal ("RX: knob +1000 Hz"). plug() and the radios run on the engine thread; the links'
// readers post what arrives to the engine's queue.
#pragma once

#include "cat/cat_address.h"
#include "cat/cat_side.h"
#include "cat/tcp_link.h"
#include "journal.h"
#include "station/station.h"

#include <array>
#include <memory>
#include <optional>

namespace dopplex::headless {

class CatRadios : public CatObserver {
public:
    CatRadios(EventLoop& loop, Journal& journal) : loop_(loop), journal_(journal) {}
    ~CatRadios() override;

    // The sides' radios from now on (none: the side's buttons).
    void plug(Station& station, const std::array<std::optional<CatAddress>, 2>& radios,
              const std::array<CatSettings, 2>& settings);

    void cat_report(Side side, const std::string& line) override;
    // The side's CAT radio, none for its buttons.
    CatSide* side(Side side) const;

private:
    struct Plugged {
        std::unique_ptr<TcpLink> link;
        std::unique_ptr<CatSide> side;
    };
    void unplug(int index);

    EventLoop& loop_;
    Journal& journal_;
    Station* station_ = nullptr;
    std::array<std::shared_ptr<Plugged>, 2> plugged_;
};

} // namespace dopplex::headless
